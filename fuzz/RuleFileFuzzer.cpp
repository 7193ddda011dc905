// Any bytes given as a rule file either fail to decode with a DecodingError or decode to rules that are
// written back and read again unchanged (and written the same way twice). The decoded rules' matchers must
// also answer every question about a link and about themselves without failing.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/rules/LinkRuleStore.hpp"

namespace {

using namespace ferrywise;

const std::vector<InterceptedLink>& links() {
    static const std::vector<InterceptedLink> links = [] {
        std::vector<InterceptedLink> result;
        for (auto text : {"https://www.Example.com/Docs/intro?x=1#top", "http://[::1]:8080/",
                          "mailto:a@example.com", "https://a.b.example.co.uk"}) {
            result.push_back(*InterceptedLink::make(*Url::parse(text)));
        }
        return result;
    }();
    return links;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<LinkRule> rules;
    try {
        rules = LinkRuleStore::decode(text);
    } catch (const DecodingError&) {
        return 0;
    }
    auto written = LinkRuleStore::encode(rules);
    auto reread = LinkRuleStore::decode(written);  // must not throw
    if (reread != rules || LinkRuleStore::encode(reread) != written) {
        std::abort();
    }
    auto english = Localization::english();
    for (const auto& rule : rules) {
        const auto& matcher = rule.matcher();
        for (const auto& link : links()) {
            (void)matcher.matches(link);
        }
        (void)matcher.summary(english);
        (void)matcher.detail(english);
        (void)matcher.headline(english);
        (void)matcher.host();
        if (!matcher.decidesSameLinks(matcher)) {
            std::abort();
        }
        (void)LinkRuleMatcher::registrableDomain(matcher.host().value_or(""));
    }
    return 0;
}
