// Any URL text that becomes a link can be checked against any rule host without failing; a dismissed host
// is never warned about, and the host forms of a link are consistent with its host.
//
// Input: the link text, then a newline and one rule host.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "ferrywise/processing/LinkSafety.hpp"
#include "ferrywise/processing/Punycode.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto newline = input.find('\n');
    auto text = input.substr(0, newline);
    std::vector<std::string> knownHosts;
    if (newline != std::string_view::npos) {
        knownHosts.emplace_back(input.substr(newline + 1));
    }

    auto url = ferrywise::Url::parse(text);
    if (!url) {
        return 0;
    }
    auto link = ferrywise::InterceptedLink::make(*url);
    if (!link) {
        return 0;
    }

    static const auto english = ferrywise::Localization::english();
    if (auto suspicion = ferrywise::LinkSafety::check(*link, knownHosts, {})) {
        if (suspicion->message(english).empty() || suspicion->shortMessage(english).empty()) {
            std::abort();
        }
        const auto* userInfo =
            std::get_if<ferrywise::LinkSuspicion::UserInfoImpersonation>(&suspicion->value());
        if (userInfo != nullptr &&
            (userInfo->shown.find('.') == std::string::npos || userInfo->actual.empty())) {
            std::abort();
        }
    }

    auto host = link->host();
    if (host) {
        std::unordered_set<std::string> dismissed = {*host};
        if (ferrywise::LinkSafety::check(*link, knownHosts, dismissed)) {
            std::abort();
        }
    }

    auto forms = link->hostForms();
    if (forms && (!host || forms->encoded != *host || forms->readable == forms->encoded ||
                  forms->readable != ferrywise::Punycode::decodedHost(*host))) {
        std::abort();
    }
    return 0;
}
