#include <algorithm>
#include <regex>
#include <string>
#include <tuple>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/system/AppLanguage.hpp"
#include "ferrywise/system/BuildInfo.hpp"
#include "ferrywise/system/OnboardingIntro.hpp"

namespace ferrywise {
namespace {

TEST(AppLanguage, CodesMatchExactlyOrFollowedByASubtagAndEverythingElseFollowsTheSystem) {
    using Case = std::pair<std::optional<std::string_view>, AppLanguage>;
    for (const auto& [code, expected] :
         {Case{"en", AppLanguage::english}, Case{"en-GB", AppLanguage::english},
          Case{"zh-Hans", AppLanguage::simplifiedChinese}, Case{"zh-Hans-CN", AppLanguage::simplifiedChinese},
          Case{"english", AppLanguage::system}, Case{"zh-Hant", AppLanguage::system},
          Case{"zh", AppLanguage::system}, Case{"EN", AppLanguage::system},
          Case{"zh-hans", AppLanguage::system}, Case{"", AppLanguage::system},
          Case{"-en", AppLanguage::system}, Case{std::nullopt, AppLanguage::system}}) {
        EXPECT_EQ(AppLanguage::fromLanguageCode(code), expected) << code.value_or("none");
    }
    // The stored code reads back as the same language, and the raw value as the same case.
    for (auto language : AppLanguage::allCases()) {
        EXPECT_EQ(AppLanguage::fromLanguageCode(language.languageCode()), language) << language.id();
        EXPECT_EQ(AppLanguage::fromRawValue(language.rawValue()), language) << language.id();
    }
    EXPECT_EQ(AppLanguage::fromRawValue("zh-hans"), std::nullopt);
    EXPECT_EQ(AppLanguage(AppLanguage::system).languageCode(), std::nullopt);
}

TEST(AppLanguage, OnlyFollowSystemIsTranslatedTheLanguagesKeepTheirOwnNames) {
    using Names = std::tuple<AppLanguage, const char*, const char*>;
    for (const auto& [language, inEnglish, inChinese] :
         {Names{AppLanguage::system, "Follow system", "跟随系统"},
          Names{AppLanguage::english, "English", "English"},
          Names{AppLanguage::simplifiedChinese, "简体中文", "简体中文"}}) {
        EXPECT_EQ(language.displayName(Localization::english()), inEnglish) << language.id();
        EXPECT_EQ(language.displayName(Localization("zh-Hans")), inChinese) << language.id();
    }
}

TEST(OnboardingIntro, TheLatestStartedBeatPlaysWithinANanosecondOfItsStart) {
    using Beat = OnboardingIntro::Beat;
    using Case = std::pair<double, Beat>;
    for (const auto& [seconds, expected] :
         {Case{0.0, Beat::link}, Case{0.69, Beat::link}, Case{0.6999999995, Beat::intercepted},
          Case{0.7, Beat::intercepted}, Case{1.4999999, Beat::intercepted}, Case{1.5, Beat::delivered},
          Case{2.2, Beat::settled}, Case{OnboardingIntro::duration, Beat::settled}, Case{10.0, Beat::settled},
          Case{-1.0, Beat::link}}) {
        EXPECT_EQ(OnboardingIntro::beat(seconds), expected) << seconds;
    }
    // The beats play in the order of their numbers, which is also the order of their starts.
    EXPECT_TRUE(std::ranges::is_sorted(Beat::allCases()));
    for (auto beat : Beat::allCases()) {
        EXPECT_EQ(Beat::fromRawValue(beat.rawValue()), beat);
        EXPECT_EQ(OnboardingIntro::beat(OnboardingIntro::starts().at(beat)), beat) << beat.rawValue();
    }
    EXPECT_EQ(Beat::fromRawValue(4), std::nullopt);
}

TEST(BuildInfo, UsableValuesAreNonBlankExpandedStringsKeptAsStored) {
    using nlohmann::json;
    using Case = std::tuple<json, std::string, std::optional<std::string>>;
    for (const auto& [dictionary, version, stamp] :
         {Case{{{"CFBundleShortVersionString", " 2.3 "}, {"BuildStamp", "2.3 (abc, 2026-01-02)"}},
               " 2.3 ",
               "2.3 (abc, 2026-01-02)"},
          Case{{{"CFBundleShortVersionString", "$(MARKETING_VERSION)"}, {"BuildStamp", "$(BUILD_STAMP)"}},
               "1.0",
               std::nullopt},
          Case{{{"CFBundleShortVersionString", " \t "}, {"BuildStamp", "   "}}, "1.0", std::nullopt},
          Case{
              {{"CFBundleShortVersionString", 2.3}, {"BuildStamp", json::array({"x"})}}, "1.0", std::nullopt},
          Case{{{"CFBundleShortVersionString", ""}, {"BuildStamp", "unrecorded build"}}, "1.0", std::nullopt},
          Case{{{"BuildStamp", " unrecorded build"}}, "1.0", " unrecorded build"},
          Case{{{"CFBundleShortVersionString", "x$(A)"}}, "x$(A)", std::nullopt},
          Case{json::object(), "1.0", std::nullopt}, Case{json(), "1.0", std::nullopt},
          Case{json::array({"2.3"}), "1.0", std::nullopt}}) {
        EXPECT_EQ(BuildInfo::version(dictionary), version) << dictionary.dump();
        EXPECT_EQ(BuildInfo::stamp(dictionary), stamp) << dictionary.dump();
    }
}

TEST(BuildInfo, TheGeneratedDictionaryHoldsTheProjectVersionAndARecordedStamp) {
    EXPECT_EQ(BuildInfo::version(), FERRYWISE_PROJECT_VERSION);
    auto recorded = BuildInfo::informationDictionary().at("BuildStamp").get<std::string>();
    std::regex stampPattern(std::string(FERRYWISE_PROJECT_VERSION) +
                            R"( \((no git|[0-9a-f]{4,}), \d{4}-\d{2}-\d{2}\))");
    EXPECT_TRUE(recorded == BuildInfo::unrecordedStamp || std::regex_match(recorded, stampPattern))
        << recorded;
    EXPECT_EQ(BuildInfo::stamp().has_value(), recorded != BuildInfo::unrecordedStamp);
}

}  // namespace
}  // namespace ferrywise
