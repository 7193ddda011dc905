#include "ferrywise/rules/LinkRule.hpp"

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unicode/gregocal.h>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/rules/LinkRuleStore.hpp"

#include "support/CapturedLog.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;
using M = LinkRuleMatcher;
using Windows = std::vector<LinkRuleTimeWindow>;
using Links = std::vector<std::string_view>;
constexpr const char* kId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

InterceptedLink link(std::string_view text) {
    return *InterceptedLink::make(*Url::parse(text));
}

LinkRule rule(LinkRuleMatcher matcher, std::optional<std::string> source = std::nullopt,
              std::optional<Windows> windows = std::nullopt) {
    return {*Uuid::parse(kId), std::move(matcher), "b", std::move(source), std::move(windows)};
}

// Expects both readers, of a sync record's rule and of the rule file, to decode `stored` as `expected`; the
// file reader finds it among unknown keys that hold anything.
void expectDecoded(const json& stored, const LinkRule& expected) {
    EXPECT_EQ(stored.get<LinkRule>(), expected) << stored;
    EXPECT_EQ(LinkRuleStore::decode(R"({"meta": {"rules": [1]}, "rules": [)" + stored.dump() +
                                    "], \"after\": [[]]}"),
              std::vector{expected})
        << stored;
}

TEST(LinkRuleMatcher, MatchesLinksByTheNormalisedFormsOfItsKind) {
    auto expectMatches = [](const M& matcher, const Links& matching, const Links& other) {
        for (bool expected : {true, false}) {
            for (auto text : expected ? matching : other) {
                EXPECT_EQ(matcher.matches(link(text)), expected) << matcher.summary() << " / " << text;
            }
        }
    };
    // The stored domain is normalised; the link's host only lower-cased (its final dot is kept).
    expectMatches(M::domain("Example.com", false), {"https://EXAMPLE.com/a"},
                  {"https://mail.example.com/", "mailto:a@example.com"});
    expectMatches(M::domain("example.com", true), {"https://example.com/", "https://mail.example.com/"},
                  {"https://badexample.com/", "https://example.com./"});
    expectMatches(M::domain("MÜNCHEN.de", true), {"https://www.m%C3%BCnchen.de/"}, {});
    // Exact links ignore the case of scheme and host and a lone slash; path, query and fragment keep theirs.
    expectMatches(M::exactURL("https://Example.com/"), {"https://example.com", "HTTPS://EXAMPLE.COM/"},
                  {"https://example.com/?", "https://example.com:443/"});
    expectMatches(
        M::exactURL("https://a.test/Docs?q=A#Top"), {"https://A.test/Docs?q=A#Top"},
        {"https://a.test/docs?q=A#Top", "https://a.test/Docs?q=a#Top", "https://a.test/Docs?q=A#top"});
    // A mail link makes no exact-link matcher, and no exact-link matcher matches one.
    EXPECT_EQ(M::exactURL(link("mailto:a@example.com")), std::nullopt);
    expectMatches(M::exactURL("mailto:a@example.com"), {}, {"mailto:a@example.com"});
    expectMatches(M::pathPrefix("A.test", "Docs/"),
                  {"https://a.test/docs", "https://A.TEST/DOCS/intro", "https://a.test/%64ocs/a"},
                  {"https://a.test/docs2", "https://a.test/doc", "https://www.a.test/docs"});
    expectMatches(M::pathPrefix("example.com", "/"), {"https://example.com", "https://example.com/any/path"},
                  {"mailto:example.com"});
    expectMatches(M::anyWebLink(), {"http://a.test"}, {"mailto:a@b.test"});
    expectMatches(M::mailDefault(), {"mailto:a@b.test"}, {"https://b.test/"});
}

TEST(LinkRuleMatcher, NormalisesHostsAndPathsKeepsTheRegisteredNameAndDecidesSameLinksByTheNormalForms) {
    // Each object maps an input to the expected output.
    auto expectEach = [](std::string (*function)(std::string_view), std::string_view table) {
        const auto cases = json::parse(table);
        for (const auto& [input, expected] : cases.items()) {
            EXPECT_EQ(function(input), expected.get<std::string>()) << input;
        }
    };
    expectEach(
        M::normalizedDomain,
        R"({"  Example.COM.. ": "example.com", "\t\u00A0ÄÖ.DE\t": "äö.de", "a.b\n": "a.b\n", " ... ": ""})");
    expectEach(M::pathKey, R"({"Docs/": "/docs", "//A/B//": "/a/b", "": "/"})");
    expectEach(M::registrableDomain,
               R"({"mail.example.co.uk": "example.co.uk", "example.co.uk": "example.co.uk",
        "A.Example.COM.": "example.com", "a.b.example.io": "example.io", "x.y.co.com": "co.com",
        "x.y.co.1k": "co.1k", "a..b": ".b", "x.y.co.u\u0308k": "y.co.u\u0308k", "192.168.0.1": "192.168.0.1",
        "1.2.3.4.5": "4.5", "[2001:db8::1]": "[2001:db8::1]", "localhost": "localhost"})");

    const std::tuple<M, M, bool> pairs[] = {
        {M::domain("example.com", false), M::domain("EXAMPLE.COM.", true), true},
        {M::pathPrefix("example.com", "Docs/"), M::pathPrefix("Example.com ", "/docs"), true},
        {M::exactURL("https://Example.com/"), M::exactURL("https://example.com"), true},
        {M::anyWebLink(), M::mailDefault(), false},
        {M::pathPrefix("example.com", "docs"), M::pathPrefix("example.com", "doc"), false},
        {M::pathPrefix("a.example.com", "docs"), M::pathPrefix("example.com", "docs"), false}};
    for (const auto& [a, b, same] : pairs) {
        EXPECT_EQ(a.decidesSameLinks(b), same) << a.summary() << " / " << b.summary();
    }
}

TEST(LinkRuleMatcher, PresentsEachCaseForTheEditorInEnglishAndChinese) {
    auto english = Localization::english();
    auto expectShown = [&](const M& matcher, std::string headline, std::optional<std::string> detail,
                           std::string summary) {
        EXPECT_EQ(matcher.headline(english), headline) << summary;
        EXPECT_EQ(matcher.detail(english), detail) << summary;
        EXPECT_EQ(matcher.summary(english), summary);
    };
    expectShown(M::exactURL("https://Example.com/Docs/?q=%41#top"), "Example.com", "/Docs?q=%41",
                "https://Example.com/Docs/?q=%41#top");
    expectShown(M::exactURL("not a url"), "not a url", std::nullopt, "not a url");
    expectShown(M::domain(" Example.COM. ", true), "example.com", "and every subdomain",
                "example.com and subdomains");
    expectShown(M::pathPrefix("Example.com", "Docs/"), "example.com", "/docs and below", "example.com/docs");
    expectShown(M::anyWebLink(), "All web links", std::nullopt, "All web links");

    Localization chinese("zh_CN");
    EXPECT_EQ(M::domain("a.test", false).detail(chinese), "仅此网站");
    EXPECT_EQ(M::domain("A.test", true).summary(chinese), "a.test 及其子域名");
    EXPECT_EQ(M::mailDefault().summary(chinese), "所有邮件链接");
}

TEST(LinkRule, WindowTimesReadAsHoursColonMinutesAndRulesAreActiveInThemBothEndsIncludedOnTheMomentsWeekday) {
    const auto cases = json::parse(R"({"+9:5": 545, "0:00": 0, "23:59": 1439, "24:00": null,
            "9:60": null, "-1:00": null, "9": null, "9:00:00": null, ":30": null, "+:00": null, " 9:00": null,
            "٩:00": null, "99999999999999999999:00": null})");
    for (const auto& [text, minutes] : cases.items()) {
        EXPECT_EQ(LinkRuleTimeWindow::minutesSinceMidnight(text),
                  minutes.is_null() ? std::nullopt : std::optional(minutes.get<int>()))
            << text;
    }

    // {day of January 2024, hour, minute, second} in UTC; the 1st is a Monday, the 7th a Sunday.
    using Moments = std::vector<std::array<int, 4>>;
    const auto utc = Calendar::gregorian("UTC");
    auto expectActive = [&](std::optional<Windows> windows, const Moments& active, const Moments& inactive) {
        const auto windowed = rule(M::anyWebLink(), std::nullopt, std::move(windows));
        for (bool expected : {true, false}) {
            for (auto [day, hour, minute, second] : expected ? active : inactive) {
                EXPECT_EQ(windowed.isActive(utc.date(2024, 1, day, hour, minute, second), utc), expected)
                    << json(windowed) << " on " << day << " at " << hour << ":" << minute << ":" << second;
            }
        }
    };
    expectActive(Windows{{{1, 2, 3, 4, 5}, "9:00", "17:00"}}, {{1, 9, 0, 0}, {1, 17, 0, 59}},
                 {{1, 8, 59, 59}, {1, 17, 1, 0}, {6, 12, 0, 0}});
    // Overnight windows: the weekday is that of the moment tested.
    expectActive(Windows{{{5}, "22:00", "6:00"}}, {{5, 23, 30, 0}, {5, 5, 0, 0}},
                 {{6, 5, 0, 0}, {5, 12, 0, 0}});
    expectActive(Windows{{{7}, "0:00", "23:59"}}, {{7, 12, 0, 0}}, {});
    // Invalid windows never apply, a later valid one does; an empty list means always.
    expectActive(Windows{{{1}, "25:00", "12:00"}, {{1}, "9:00", "noon"}, {{1}, "11:00", "13:00"}},
                 {{1, 12, 0, 0}}, {{1, 10, 0, 0}});
    expectActive(Windows{}, {{1, 12, 0, 0}}, {});
    // The weekday and time are the calendar zone's: Friday 16:30 in UTC is Saturday 00:30 in Shanghai.
    auto saturdayNight = rule(M::anyWebLink(), std::nullopt, Windows{{{6}, "0:00", "1:00"}});
    EXPECT_TRUE(saturdayNight.isActive(utc.date(2024, 1, 5, 16, 30), Calendar::gregorian("Asia/Shanghai")));
}

// A calendar that cannot work out the fields of any date, as when ICU fails.
class FailingCalendar final : public icu::GregorianCalendar {
  public:
    explicit FailingCalendar(UErrorCode& status)
        : GregorianCalendar(icu::TimeZone::createTimeZone("UTC"), icu::Locale::getRoot(), status) {}
    FailingCalendar* clone() const override { return new FailingCalendar(*this); }

  protected:
    void handleComputeFields(int32_t, UErrorCode& status) override { status = U_INTERNAL_PROGRAM_ERROR; }
};

TEST(LinkRule, TimeWindowRulesAreInactiveAndLoggedOnceWhenTheCalendarFails) {
    UErrorCode status = U_ZERO_ERROR;
    auto calendar = Calendar::fromIcu("UTC", std::make_unique<FailingCalendar>(status));
    testing::CapturedLog sink;
    // Made-up components would read as Saturday 00:00, inside this window.
    const auto windowed =
        rule(M::anyWebLink(), std::nullopt, Windows{{{1, 2, 3, 4, 5, 6, 7}, "0:00", "23:59"}});
    EXPECT_THROW((void)calendar.components(Date()), std::runtime_error);
    EXPECT_FALSE(windowed.isActive(Date(), calendar));
    EXPECT_FALSE(windowed.isActive(Date(), calendar));
    EXPECT_TRUE(rule(M::anyWebLink()).isActive(Date(), calendar));
    EXPECT_EQ(sink->messages("rules").size(), 1u);
}

TEST(LinkRule, PrecedenceRanksMatcherInCharactersThenSourceThenTimeWindows) {
    auto expectAbove = [](const LinkRule& a, const LinkRule& b) {
        EXPECT_GT(a.precedence(), b.precedence()) << json(a) << " / " << json(b);
    };
    const Windows windows{{{1}, "9:00", "5:00"}};
    const auto domain = M::domain("a.test", false);
    expectAbove(rule(M::exactURL("https://a.test")), rule(M::pathPrefix("a.test", "x")));
    expectAbove(rule(M::pathPrefix("a.test", "/")),
                rule(M::domain(std::string(200, 'a') + ".example", false)));
    expectAbove(rule(M::pathPrefix("a.test", "docs/a")), rule(M::pathPrefix("a.test", "docs")));
    expectAbove(rule(M::pathPrefix("mail.a.test", "docs")), rule(M::pathPrefix("a.test", "docs")));
    // Characters, not bytes: eleven ASCII letters beat ten characters in twelve bytes.
    expectAbove(rule(M::domain("abcdefg.com", false)), rule(M::domain("mu\u0308nchen.de", false)));
    expectAbove(rule(domain), rule(M::anyWebLink(), "s", windows));
    expectAbove(rule(domain, "s"), rule(domain, std::nullopt, windows));
    expectAbove(rule(domain, std::nullopt, windows), rule(domain));
    // Empty windows count as none.
    EXPECT_EQ(rule(domain, "s", Windows{}).precedence(), rule(domain, "s").precedence());
}

TEST(LinkRule, CodesOptionalKeysOnlyWhenPresentAndBothReadersDecodeLenientlyButRefuseWrongOrMissingKeys) {
    // Strings are kept as given, the id in upper case.
    auto expectCoded = [](const LinkRule& value, std::string_view matcher, std::string_view more = "") {
        auto coded =
            json::parse(R"({"id": ")" + std::string(kId) + R"(", "bundleIdentifier": "b", "matcher": )" +
                        std::string(matcher) + std::string(more) + "}");
        EXPECT_EQ(json(value), coded);
        expectDecoded(coded, value);
    };
    expectCoded(rule(M::anyWebLink()), R"({"kind": "anyWeb"})");
    expectCoded(rule(M::mailDefault()), R"({"kind": "mailDefault"})");
    expectCoded(rule(M::exactURL("https://Example.com/"), std::nullopt, Windows{}),
                R"({"kind": "url", "url": "https://Example.com/"})", R"(, "timeWindows": [])");
    expectCoded(rule(M::domain(" Example.com.", true)),
                R"({"kind": "domain", "domain": " Example.com.", "includingSubdomains": true})");
    expectCoded(rule(M::pathPrefix("A.test", "Docs/"), "s"),
                R"({"kind": "pathPrefix", "domain": "A.test", "path": "Docs/"})", R"(, "source": "s")");

    // Any case of id, null for absent, unknown keys ignored, days as a set, times kept as written.
    expectDecoded(json::parse(R"({"id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f", "bundleIdentifier": "b",
        "source": null, "comment": {"id": [5]}, "matcher": {"kind": "anyWeb", "url": 5, "extra": [{"kind": 1}]},
        "timeWindows": [{"days": [5, 1, 5, 1], "start": "late", "end": "9:00", "note": {"days": 1}}]})"),
                  rule(M::anyWebLink(), std::nullopt, Windows{{{1, 5}, "late", "9:00"}}));
    expectDecoded(json::parse(R"({"id": "E621E1F8-C36C-495A-93FC-0C247A3E6E5F", "bundleIdentifier": "b",
        "matcher": {"kind": "domain", "domain": "a.test", "includingSubdomains": null}, "timeWindows": null})"),
                  rule(M::domain("a.test", false)));

    // Each row is merged into the valid rule, a null removing the key.
    const json valid = json(rule(M::anyWebLink()));
    std::vector<json> bad{json::array({valid})};
    for (
        const auto& members : json::parse(
            R"([{"id": null}, {"matcher": null}, {"bundleIdentifier": null}, {"id": 1}, {"id": "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"}, {"bundleIdentifier": []},
            {"source": 1}, {"timeWindows": {}}, {"timeWindows": [{"days": [1.5], "start": "9:00", "end": "9:30"}]},
            {"timeWindows": [{"days": 1, "start": "9:00", "end": "17:00"}]},
            {"timeWindows": [{"days": [1], "start": 900, "end": "17:00"}]},
            {"timeWindows": [{"days": [1], "start": "9:00", "end": null}]}, {"matcher": ["anyWeb"]},
            {"matcher": {"kind": "Domain", "domain": "a.test"}}, {"matcher": {"kind": 1}},
            {"matcher": {"kind": null}}, {"matcher": {"kind": "url"}},
            {"matcher": {"kind": "domain", "domain": 5}},
            {"matcher": {"kind": "domain", "domain": "a.test", "includingSubdomains": "true"}},
            {"matcher": {"kind": "pathPrefix", "host": "a.test", "path": "/"}}])")) {
        bad.push_back(valid);
        bad.back().merge_patch(members);
    }
    for (const auto& stored : bad) {
        EXPECT_THROW((void)stored.get<LinkRule>(), DecodingError) << stored;
        if (stored.is_object()) {
            EXPECT_THROW((void)LinkRuleStore::decode(R"({"rules": [)" + stored.dump() + "]}"), DecodingError)
                << stored;
        }
    }
}

}  // namespace
}  // namespace ferrywise
