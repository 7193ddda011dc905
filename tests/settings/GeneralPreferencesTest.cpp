#include "ferrywise/settings/GeneralPreferences.hpp"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;

constexpr auto kDomain = "app.example.Router";

class GeneralPreferencesTest : public ::testing::Test {
  protected:
    std::shared_ptr<InMemoryUserDefaults> defaults = std::make_shared<InMemoryUserDefaults>(kDomain);
    GeneralPreferences preferences{defaults, kDomain};

    json stored(std::string_view key) const { return defaults->object(key).value_or(json()); }
};

// Expects every setting to read as on a fresh store, except the ring size, which is `ringSize`.
void expectDefaults(const GeneralPreferences& preferences, int ringSize = 8) {
    EXPECT_TRUE(preferences.showsMenuBarIcon());
    EXPECT_TRUE(preferences.cleansTrackingParameters());
    EXPECT_EQ(preferences.keptTrackingParameters(), Strings{});
    EXPECT_FALSE(preferences.resolvesShortLinks());
    EXPECT_TRUE(preferences.alwaysAsks());
    EXPECT_EQ(preferences.fallbackTarget(), std::nullopt);
    EXPECT_TRUE(preferences.dismissedWarningHosts().empty());
    EXPECT_TRUE(preferences.checksForUpdates());
    EXPECT_FALSE(preferences.syncEnabled());
    EXPECT_EQ(preferences.pickerStyle(), PickerPresentationStyle::classic);
    EXPECT_EQ(preferences.ringMaximumCandidates(), ringSize);
    EXPECT_EQ(preferences.accessibilityGrantedToBuild(), std::nullopt);
    EXPECT_EQ(preferences.preferredLanguage(), std::nullopt);
    EXPECT_FALSE(preferences.fetchesFavicons());
}

TEST_F(GeneralPreferencesTest, FreshStoreReadsEveryDefault) {
    expectDefaults(preferences);
}

TEST_F(GeneralPreferencesTest, EverySettingIsStoredUnderItsKeyInItsRepresentation) {
    preferences.setShowsMenuBarIcon(false);
    preferences.setCleansTrackingParameters(false);
    preferences.setKeptTrackingParameters({"UTM_Source, fbclid", "fbclid\nref"});
    preferences.setResolvesShortLinks(true);
    preferences.setAlwaysAsks(false);
    preferences.setFallbackTarget("org.example.Browser");
    preferences.setDismissedWarningHosts({"b.example", "a.example"});
    preferences.setChecksForUpdates(false);
    preferences.setSyncEnabled(true);
    preferences.setPickerStyle(PickerPresentationStyle::ring);
    preferences.setRingMaximumCandidates(2);
    preferences.setAccessibilityGrantedToBuild("build-1");
    preferences.setPreferredLanguage("zh-Hans");
    preferences.setFetchesFavicons(true);

    EXPECT_EQ(defaults->persistentDomain(kDomain),
              json({{"showsMenuBarIcon", false},
                    {"cleansTrackingParameters", false},
                    {"keptTrackingParameters", {"utm_source", "fbclid", "ref"}},
                    {"resolvesShortLinks", true},
                    {"alwaysAsks", false},
                    {"fallbackTarget", "org.example.Browser"},
                    {"dismissedWarningHosts", {"a.example", "b.example"}},
                    {"checksForUpdates", false},
                    {"syncEnabled", true},
                    {"pickerStyle", "ring"},
                    {"ringMaximumCandidates", 4},
                    {"accessibilityGrantedToBuild", "build-1"},
                    {"AppleLanguages", {"zh-Hans"}},
                    {"fetchesFavicons", true}}));
    EXPECT_FALSE(preferences.showsMenuBarIcon());
    EXPECT_TRUE(preferences.syncEnabled());
    EXPECT_EQ(preferences.pickerStyle(), PickerPresentationStyle::ring);
    EXPECT_EQ(preferences.dismissedWarningHosts(), (std::set<std::string>{"a.example", "b.example"}));
    EXPECT_EQ(preferences.preferredLanguage(), "zh-Hans");

    // None removes the optional strings; a later read gives none, not an empty string.
    preferences.setFallbackTarget(std::nullopt);
    preferences.setAccessibilityGrantedToBuild(std::nullopt);
    preferences.setPreferredLanguage(std::nullopt);
    for (auto key : {"fallbackTarget", "accessibilityGrantedToBuild", "AppleLanguages"}) {
        EXPECT_EQ(defaults->object(key), std::nullopt) << key;
    }
    EXPECT_EQ(preferences.fallbackTarget(), std::nullopt);
}

TEST_F(GeneralPreferencesTest, UnreadableValuesReadAsTheDefaults) {
    for (std::string_view key :
         {"showsMenuBarIcon", "cleansTrackingParameters", "keptTrackingParameters", "resolvesShortLinks",
          "alwaysAsks", "fallbackTarget", "dismissedWarningHosts", "checksForUpdates", "syncEnabled",
          "pickerStyle", "ringMaximumCandidates", "accessibilityGrantedToBuild", "AppleLanguages",
          "fetchesFavicons"}) {
        defaults->set(key, json::object({{"unexpected", json::array({1, "two"})}}));
    }
    // A stored ring size that is not a number reads as 0, which clamps to the smallest size.
    expectDefaults(preferences, 4);

    defaults->set("alwaysAsks", "false");
    defaults->set("syncEnabled", "true");
    defaults->set("keptTrackingParameters", {"a", 1});
    defaults->set("dismissedWarningHosts", {"a.example", 1});
    expectDefaults(preferences, 4);
}

TEST_F(GeneralPreferencesTest, RingSizeIsClampedOnWriteAndReadWithoutNarrowingFirst) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto twoTo32 = std::int64_t{1} << 32;
    // The values beside 2^32 would fall into the range if narrowed to 32 bits before clamping.
    const std::pair<std::int64_t, int> writes[] = {{-max - 1, 4}, {6 - twoTo32, 4},  {2, 4},   {4, 4}, {7, 7},
                                                   {25, 10},      {5 + twoTo32, 10}, {max, 10}};
    for (auto [value, clamped] : writes) {
        preferences.setRingMaximumCandidates(value);
        EXPECT_EQ(stored("ringMaximumCandidates"), json(clamped)) << value;
    }
    const std::pair<json, int> reads[] = {{12, 10}, {9.9, 9}, {"7 links", 7}, {"many", 4}, {1e300, 10}};
    for (const auto& [value, read] : reads) {
        defaults->set("ringMaximumCandidates", value);
        EXPECT_EQ(preferences.ringMaximumCandidates(), read) << value;
    }
}

TEST_F(GeneralPreferencesTest, PickerStyleIsRingOnlyForTheExactRawValue) {
    for (const char* other : {"Ring", "RING", " ring", "circle"}) {
        defaults->set("pickerStyle", other);
        EXPECT_EQ(preferences.pickerStyle(), PickerPresentationStyle::classic) << other;
    }
}

TEST(GeneralPreferences, NormalisesParameterNames) {
    const std::pair<Strings, Strings> cases[] = {
        {{"", ",, \n\n ,"}, {}},
        {{"Ref", "REF,ref", "b"}, {"ref", "b"}},
        {{"\tgclid\t,\u00A0mc_eid\u3000"}, {"gclid", "mc_eid"}},  // tab, no-break and ideographic spaces
        {{"ÄRGER_ID,Ärger_Id"}, {"ärger_id"}},
    };
    for (const auto& [input, names] : cases) {
        EXPECT_EQ(GeneralPreferences::normalizedParameterNames(input), names)
            << ::testing::PrintToString(input);
    }
}

TEST_F(GeneralPreferencesTest, CollectionsAreModifiedInPlaceAndKeptNamesReadAsStored) {
    defaults->set("keptTrackingParameters", {"fbclid", "B"});
    EXPECT_EQ(preferences.keptTrackingParameters(), (Strings{"fbclid", "B"}));  // not normalised on read
    preferences.modifyKeptTrackingParameters([](Strings& names) { names.push_back("Mc_Cid, FBCLID"); });
    EXPECT_EQ(stored("keptTrackingParameters"), json({"fbclid", "b", "mc_cid"}));

    defaults->set("dismissedWarningHosts", {"z.example", "y.example", "z.example"});
    preferences.modifyDismissedWarningHosts([](std::set<std::string>& hosts) { hosts.insert("C.example"); });
    EXPECT_EQ(stored("dismissedWarningHosts"), json({"C.example", "y.example", "z.example"}));
}

TEST_F(GeneralPreferencesTest, PreferredLanguageIsTheFirstCodeInTheGivenDomainOnly) {
    defaults->setPersistentDomain({{"AppleLanguages", {"de", "en"}}}, UserDefaults::globalDomain);
    ASSERT_NE(defaults->object("AppleLanguages"), std::nullopt);
    EXPECT_EQ(preferences.preferredLanguage(), std::nullopt);

    defaults->set("AppleLanguages", {"fr", "de"});
    EXPECT_EQ(preferences.preferredLanguage(), "fr");
    EXPECT_EQ(GeneralPreferences(defaults, "org.example.Other").preferredLanguage(), std::nullopt);
    for (const json& unreadable : {json::array(), json("fr"), json({"fr", 2})}) {
        defaults->set("AppleLanguages", unreadable);
        EXPECT_EQ(preferences.preferredLanguage(), std::nullopt) << unreadable;
    }
}

}  // namespace
}  // namespace ferrywise
