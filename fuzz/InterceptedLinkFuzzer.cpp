// Any text handed to the router either is refused or becomes a link whose summaries can be computed; a
// mail link's log summary never shows more than a domain, however its recipients are encoded.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ferrywise/link/InterceptedLink.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto url = ferrywise::Url::parse(text);
    if (!url) {
        return 0;
    }
    if (url->absoluteString() != text) {
        std::abort();  // a link is kept exactly as received
    }
    auto link = ferrywise::InterceptedLink::make(*url);
    if (!link) {
        return 0;
    }
    (void)link->host();
    (void)link->displaySummary();
    auto summary = link->logSummary();
    if (link->scheme() == ferrywise::LinkScheme::mailto) {
        std::string_view logged(summary);
        if (!logged.starts_with("mailto:")) {
            std::abort();
        }
        // The logged domain starts what follows the last "@" of the decoded recipients, and holds nothing a
        // mailbox, a second recipient or a forged line would need.
        constexpr std::string_view marker = "mailto:\u2026@";
        if (logged.starts_with(marker)) {
            auto domain = logged.substr(marker.size());
            auto address = url->path();
            auto lastAt = address.rfind('@');
            if (domain.empty() || lastAt == std::string::npos ||
                domain.find_first_of("@,; \t\r\n") != std::string_view::npos) {
                std::abort();
            }
            // A "%" only comes from escaping a control character; otherwise the text is as decoded.
            if (domain.find('%') == std::string_view::npos &&
                !std::string_view(address).substr(lastAt + 1).starts_with(domain)) {
                std::abort();
            }
        }
    }
    return 0;
}
