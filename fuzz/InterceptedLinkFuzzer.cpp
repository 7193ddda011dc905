// Any text handed to the router either is refused or becomes a link whose summaries can be computed; a
// mail link's log summary never shows more than a domain.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ferrywise/link/InterceptedLink.hpp"

namespace {

std::string withoutMailtoPrefixes(std::string_view text) {
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        if (text.substr(i).starts_with("mailto:")) {
            i += 7;
        } else {
            result += text[i++];
        }
    }
    return result;
}

}  // namespace

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
        // The logged domain is exactly what follows the last "@" of the address, up to a "," or the end: the
        // text before an "@" (a mailbox name) never appears.
        constexpr std::string_view marker = "mailto:\u2026@";
        if (logged.starts_with(marker)) {
            auto domain = logged.substr(marker.size());
            auto stripped = withoutMailtoPrefixes(text);
            auto address = std::string_view(stripped).substr(0, stripped.find('?'));
            auto lastAt = address.rfind('@');
            if (domain.empty() || lastAt == std::string_view::npos) {
                std::abort();
            }
            auto after = address.substr(lastAt + 1);
            if (!after.starts_with(domain) || (after.size() > domain.size() && after[domain.size()] != ',')) {
                std::abort();
            }
        }
    }
    return 0;
}
