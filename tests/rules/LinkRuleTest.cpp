#include "ferrywise/rules/LinkRule.hpp"

#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;

constexpr const char* kId = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";

LinkRule ruleWithWindows(std::vector<LinkRuleTimeWindow> windows) {
    return {*Uuid::parse(kId), LinkRuleMatcher::anyWebLink(), "org.example.Browser", std::nullopt,
            std::move(windows)};
}

// Whether the rule is active on 2024-01-`day` in UTC; 2024-01-01 is a Monday and 2024-01-05 a Friday.
bool activeAt(const LinkRule& rule, int day, int hour, int minute, int second = 0) {
    static const auto utc = Calendar::gregorian("UTC");
    return rule.isActive(utc.date(2024, 1, day, hour, minute, second), utc);
}

TEST(LinkRuleTimeWindow, MinutesSinceMidnightReadsHoursColonMinutesOnly) {
    struct Case {
        std::string text;
        std::optional<int> minutes;
    };
    for (const auto& [text, minutes] :
         {Case{"9:05", 545}, Case{"09:05", 545},  Case{"+9:5", 545},
          Case{"0:00", 0},   Case{"-0:00", 0},    Case{"23:59", 1439},
          Case{"24:00", {}}, Case{"9:60", {}},    Case{"-1:00", {}},
          Case{"9", {}},     Case{"9:00:00", {}}, Case{"9h00", {}},
          Case{" 9:00", {}}, Case{"9:00 ", {}},   Case{":30", {}},
          Case{"9:", {}},    Case{"+:00", {}},    Case{"0x9:00", {}},
          Case{"٩:00", {}},  Case{"", {}},        Case{"99999999999999999999:00", {}}}) {
        EXPECT_EQ(LinkRuleTimeWindow::minutesSinceMidnight(text), minutes) << text;
    }
}

TEST(LinkRule, WorkingHoursIncludeBothEndsToTheMinute) {
    auto rule = ruleWithWindows({{{1, 2, 3, 4, 5}, "9:00", "17:00"}});
    EXPECT_TRUE(activeAt(rule, 1, 9, 0));
    EXPECT_TRUE(activeAt(rule, 1, 17, 0, 59));
    EXPECT_FALSE(activeAt(rule, 1, 8, 59, 59));
    EXPECT_FALSE(activeAt(rule, 1, 17, 1));
    EXPECT_FALSE(activeAt(rule, 6, 12, 0));
    EXPECT_FALSE(activeAt(rule, 7, 12, 0));

    auto oneMinute = ruleWithWindows({{{1}, "12:00", "12:00"}});
    EXPECT_TRUE(activeAt(oneMinute, 1, 12, 0, 30));
    EXPECT_FALSE(activeAt(oneMinute, 1, 12, 1));
}

TEST(LinkRule, OvernightWindowUsesTheWeekdayOfTheMomentTested) {
    auto friday = ruleWithWindows({{{5}, "22:00", "6:00"}});
    EXPECT_TRUE(activeAt(friday, 5, 23, 30));
    EXPECT_TRUE(activeAt(friday, 5, 5, 0));
    EXPECT_FALSE(activeAt(friday, 6, 5, 0));
    EXPECT_FALSE(activeAt(friday, 5, 12, 0));

    auto untilTwo = ruleWithWindows({{{5}, "22:00", "02:00"}});
    EXPECT_TRUE(activeAt(untilTwo, 5, 23, 0));
    EXPECT_TRUE(activeAt(untilTwo, 5, 1, 0));
    EXPECT_FALSE(activeAt(untilTwo, 6, 1, 0));
    EXPECT_TRUE(activeAt(ruleWithWindows({{{5, 6}, "22:00", "02:00"}}), 6, 1, 0));
    // Sunday is 7.
    EXPECT_TRUE(activeAt(ruleWithWindows({{{7}, "0:00", "23:59"}}), 7, 12, 0));
}

TEST(LinkRule, WeekdayAndTimeComeFromTheCalendarsZone) {
    auto saturdayNight = ruleWithWindows({{{6}, "0:00", "1:00"}});
    auto utc = Calendar::gregorian("UTC");
    auto date = utc.date(2024, 1, 5, 16, 30);  // Friday in UTC, Saturday 00:30 in Shanghai
    EXPECT_FALSE(saturdayNight.isActive(date, utc));
    EXPECT_TRUE(saturdayNight.isActive(date, Calendar::gregorian("Asia/Shanghai")));
}

TEST(LinkRule, InvalidOrEmptyWindowsNeverApplyButNoWindowsMeansAlways) {
    EXPECT_FALSE(activeAt(ruleWithWindows({{{1}, "25:00", "26:00"}}), 1, 12, 0));
    EXPECT_FALSE(activeAt(ruleWithWindows({{{1}, "9:00", "noon"}}), 1, 9, 30));
    EXPECT_FALSE(activeAt(ruleWithWindows({{{}, "0:00", "23:59"}}), 1, 12, 0));
    EXPECT_FALSE(activeAt(ruleWithWindows({{{0, 8}, "0:00", "23:59"}}), 7, 12, 0));
    // A later valid window still applies.
    EXPECT_TRUE(activeAt(ruleWithWindows({{{1}, "25:00", "26:00"}, {{1}, "11:00", "13:00"}}), 1, 12, 0));
    EXPECT_TRUE(activeAt(ruleWithWindows({}), 1, 12, 0));
    EXPECT_TRUE(activeAt(LinkRule(Uuid(), LinkRuleMatcher::anyWebLink(), "b"), 1, 12, 0));
}

TEST(LinkRule, AcceptsOnlyTheExactSourceWhenItNamesOne) {
    auto evolution = LinkSource::make("org.gnome.Evolution", "Evolution", std::nullopt);
    auto other = LinkSource::make("ORG.gnome.Evolution", "Evolution", std::nullopt);
    LinkRule anySource(Uuid(), LinkRuleMatcher::anyWebLink(), "b");
    LinkRule fromEvolution(Uuid(), LinkRuleMatcher::anyWebLink(), "b", "org.gnome.Evolution");
    EXPECT_TRUE(anySource.accepts(std::nullopt));
    EXPECT_TRUE(anySource.accepts(evolution));
    EXPECT_TRUE(fromEvolution.accepts(evolution));
    EXPECT_FALSE(fromEvolution.accepts(other));
    EXPECT_FALSE(fromEvolution.accepts(std::nullopt));
}

TEST(LinkRule, PrecedenceRanksMatcherThenSourceThenTimeWindows) {
    auto rule = [](LinkRuleMatcher matcher, std::optional<std::string> source = std::nullopt,
                   std::optional<std::vector<LinkRuleTimeWindow>> windows = std::nullopt) {
        return LinkRule(Uuid(), std::move(matcher), "b", std::move(source), std::move(windows)).precedence();
    };
    auto longDomain = rule(LinkRuleMatcher::domain(std::string(200, 'a') + ".example", false));
    EXPECT_GT(rule(LinkRuleMatcher::exactURL("https://a.test")),
              rule(LinkRuleMatcher::pathPrefix("a.test", "x")));
    EXPECT_GT(rule(LinkRuleMatcher::pathPrefix("a.test", "/")), longDomain);
    EXPECT_GT(rule(LinkRuleMatcher::pathPrefix("a.test", "docs/a")),
              rule(LinkRuleMatcher::pathPrefix("a.test", "docs")));
    EXPECT_GT(rule(LinkRuleMatcher::domain("mail.example.com", false)),
              rule(LinkRuleMatcher::domain("example.com", true)));
    // Characters, not bytes: eleven ASCII letters beat ten characters in twelve bytes.
    EXPECT_GT(rule(LinkRuleMatcher::domain("abcdefg.com", false)),
              rule(LinkRuleMatcher::domain("mu\u0308nchen.de", false)));
    std::vector<LinkRuleTimeWindow> windows{{{1}, "9:00", "5:00"}};
    EXPECT_GT(rule(LinkRuleMatcher::domain("a.test", false)),
              rule(LinkRuleMatcher::anyWebLink(), "s", windows));

    auto domain = LinkRuleMatcher::domain("a.test", false);
    EXPECT_EQ(rule(domain), rule(LinkRuleMatcher::domain("A.TEST.", true)));
    EXPECT_EQ(rule(domain, "s", std::vector<LinkRuleTimeWindow>{}), (LinkRulePrecedence{6, 1, 0}));
    EXPECT_EQ(rule(domain, std::nullopt, windows), (LinkRulePrecedence{6, 0, 1}));
    EXPECT_GT(rule(domain, "s"), rule(domain, std::nullopt, windows));
}

TEST(LinkRule, EncodesOptionalKeysOnlyWhenPresent) {
    LinkRule bare(*Uuid::parse(kId), LinkRuleMatcher::anyWebLink(), "org.example.Browser#private");
    EXPECT_EQ(json(bare), json({{"id", kId},
                                {"matcher", {{"kind", "anyWeb"}}},
                                {"bundleIdentifier", "org.example.Browser#private"}}));

    LinkRule full(*Uuid::parse(kId), LinkRuleMatcher::pathPrefix("a.test", "/docs"), "b",
                  "org.gnome.Evolution", std::vector<LinkRuleTimeWindow>{{{5, 1}, "22:00", "2:00"}});
    auto coded = json(full);
    EXPECT_EQ(coded["source"], "org.gnome.Evolution");
    EXPECT_EQ(coded["timeWindows"], json::parse(R"([{"days": [1, 5], "start": "22:00", "end": "2:00"}])"));
    EXPECT_EQ(coded.get<LinkRule>(), full);

    auto empty = json(LinkRule(*Uuid::parse(kId), LinkRuleMatcher::anyWebLink(), "b", std::nullopt,
                               std::vector<LinkRuleTimeWindow>{}));
    EXPECT_EQ(empty["timeWindows"], json::array());
    EXPECT_FALSE(empty.contains("source"));
    EXPECT_EQ(empty.get<LinkRule>().timeWindows(), std::vector<LinkRuleTimeWindow>{});
}

TEST(LinkRule, DecodesLenientlyWhereAllowed) {
    auto rule = json::parse(R"({
        "id": "e621e1f8-c36c-495a-93fc-0c247a3e6e5f",
        "matcher": {"kind": "mailDefault"},
        "bundleIdentifier": "org.example.Mail",
        "source": null,
        "timeWindows": [{"days": [5, 1, 5, 1], "start": "late", "end": "9:00", "note": "x"}],
        "comment": "ignored"
    })")
                    .get<LinkRule>();
    EXPECT_EQ(rule.id(), Uuid::parse(kId));
    EXPECT_EQ(json(rule)["id"], kId);
    EXPECT_EQ(rule.source(), std::nullopt);
    ASSERT_TRUE(rule.timeWindows());
    EXPECT_EQ(rule.timeWindows()->front(), LinkRuleTimeWindow({1, 5}, "late", "9:00"));

    auto noWindows =
        json::parse(R"({"id": ")" + std::string(kId) +
                    R"(", "matcher": {"kind": "anyWeb"}, "bundleIdentifier": "b", "timeWindows": null})")
            .get<LinkRule>();
    EXPECT_EQ(noWindows.timeWindows(), std::nullopt);
}

TEST(LinkRule, DecodingFailsOnMissingKeysWrongTypesAndBadIds) {
    const json valid = {{"id", kId}, {"matcher", {{"kind", "anyWeb"}}}, {"bundleIdentifier", "b"}};
    auto with = [&](std::string_view key, json value) {
        auto changed = valid;
        changed[std::string(key)] = std::move(value);
        return changed;
    };
    auto without = [&](std::string_view key) {
        auto changed = valid;
        changed.erase(std::string(key));
        return changed;
    };
    auto window = [](json days, json start = "9:00", json end = "17:00") {
        return json::array(
            {{{"days", std::move(days)}, {"start", std::move(start)}, {"end", std::move(end)}}});
    };
    for (const auto& bad :
         {without("id"), without("matcher"), without("bundleIdentifier"), with("id", nullptr), with("id", 1),
          with("id", "E621E1F8C36C495A93FC0C247A3E6E5F"),
          with("id", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}"),
          with("id", "G621E1F8-C36C-495A-93FC-0C247A3E6E5F"), with("matcher", "anyWeb"),
          with("matcher", {{"kind", "everything"}}), with("bundleIdentifier", json::array()),
          with("source", 1), with("timeWindows", json::object()),
          with("timeWindows", window(json::array({"1"}))), with("timeWindows", window(json::array({1.5}))),
          with("timeWindows", window(1)), with("timeWindows", window(json::array({1}), 900)),
          with("timeWindows", window(json::array({1}), "9:00", nullptr)), json::array({valid})}) {
        EXPECT_THROW((void)bad.get<LinkRule>(), DecodingError) << bad;
    }
}

}  // namespace
}  // namespace ferrywise
