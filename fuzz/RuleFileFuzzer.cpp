// Any bytes given as a rule file either fail to decode with a DecodingError or decode to rules that are
// written back and read again unchanged (and written the same way twice). The streaming reader must agree
// with decoding through a JSON tree, except that it refuses a key given twice in one object. The decoded
// rules' matchers must also answer every question about a link and about themselves without failing.

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

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

// Whether some object of the text has a key twice (the tree keeps the last, the stream refuses the file).
class DuplicateKeyFinder final : public nlohmann::json_sax<nlohmann::json> {
  public:
    bool found = false;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override {
        keys_.emplace_back();
        return true;
    }
    bool key(string_t& key) override {
        found = found || !keys_.back().insert(key).second;
        return true;
    }
    bool end_object() override {
        keys_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

  private:
    std::vector<std::set<std::string>> keys_;
};

bool hasDuplicateKeys(std::string_view text) {
    DuplicateKeyFinder finder;
    nlohmann::json::sax_parse(text.begin(), text.end(), &finder);
    return finder.found;
}

// The rules through a JSON tree and the single-rule decoder; none when that fails.
std::optional<std::vector<LinkRule>> decodeThroughTree(std::string_view text) {
    try {
        auto file = nlohmann::json::parse(text);
        std::vector<LinkRule> rules;
        for (const auto& rule :
             coding::array(coding::required(coding::object(file, "file"), "rules"), "rules")) {
            rules.push_back(rule.get<LinkRule>());
        }
        return rules;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<LinkRule> rules;
    auto throughTree = decodeThroughTree(text);
    try {
        rules = LinkRuleStore::decode(text);
    } catch (const DecodingError&) {
        if (throughTree && !hasDuplicateKeys(text)) {
            std::abort();  // the tree read a file the stream refused
        }
        return 0;
    }
    if (throughTree != rules) {
        std::abort();
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
