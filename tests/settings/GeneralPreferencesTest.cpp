#include "ferrywise/settings/GeneralPreferences.hpp"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
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

// Every setting as read, in the order the class declares them.
auto readAll(const GeneralPreferences& p) {
    return std::make_tuple(p.showsMenuBarIcon(), p.cleansTrackingParameters(), p.keptTrackingParameters(),
                           p.resolvesShortLinks(), p.alwaysAsks(), p.fallbackTarget(),
                           p.dismissedWarningHosts(), p.checksForUpdates(), p.syncEnabled(), p.pickerStyle(),
                           p.ringMaximumCandidates(), p.accessibilityGrantedToBuild(), p.preferredLanguage(),
                           p.fetchesFavicons());
}

// What a fresh store reads, except the ring size, which is `ringSize`.
auto defaultsWithRingSize(int ringSize) {
    return std::make_tuple(true, true, Strings{}, false, true, std::optional<std::string>{},
                           std::set<std::string>{}, true, false, PickerPresentationStyle::classic, ringSize,
                           std::optional<std::string>{}, std::optional<std::string>{}, false);
}

TEST_F(GeneralPreferencesTest, EverySettingIsStoredUnderItsKeyAndReadsAsItsDefaultWhenAbsentOrUnreadable) {
    EXPECT_EQ(readAll(preferences), defaultsWithRingSize(8));
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
    const auto stored = defaults->persistentDomain(kDomain).value_or(json());
    EXPECT_EQ(stored, json::parse(R"({"showsMenuBarIcon": false, "cleansTrackingParameters": false,
        "keptTrackingParameters": ["utm_source", "fbclid", "ref"], "resolvesShortLinks": true,
        "alwaysAsks": false, "fallbackTarget": "org.example.Browser", "checksForUpdates": false,
        "dismissedWarningHosts": ["a.example", "b.example"], "syncEnabled": true, "pickerStyle": "ring",
        "ringMaximumCandidates": 4, "accessibilityGrantedToBuild": "build-1", "AppleLanguages": ["zh-Hans"],
        "fetchesFavicons": true})"));
    EXPECT_EQ(readAll(preferences),
              std::make_tuple(false, false, Strings{"utm_source", "fbclid", "ref"}, true, false,
                              std::optional<std::string>{"org.example.Browser"},
                              std::set<std::string>{"a.example", "b.example"}, false, true,
                              PickerPresentationStyle::ring, 4, std::optional<std::string>{"build-1"},
                              std::optional<std::string>{"zh-Hans"}, true));

    // None removes the optional strings; a later read gives none, not an empty string.
    preferences.setFallbackTarget(std::nullopt);
    preferences.setAccessibilityGrantedToBuild(std::nullopt);
    preferences.setPreferredLanguage(std::nullopt);
    for (auto key : {"fallbackTarget", "accessibilityGrantedToBuild", "AppleLanguages"}) {
        EXPECT_EQ(defaults->object(key), std::nullopt) << key;
    }
    EXPECT_EQ(preferences.fallbackTarget(), std::nullopt);

    for (const auto& [key, value] : stored.items()) {
        defaults->set(key, json::object({{"unexpected", json::array({1, "two"})}}));
    }
    // A stored ring size that is not a number reads as 0, which clamps to the smallest size.
    EXPECT_EQ(readAll(preferences), defaultsWithRingSize(4));
    defaults->set("alwaysAsks", "false");
    defaults->set("syncEnabled", "true");
    defaults->set("keptTrackingParameters", {"a", 1});
    defaults->set("dismissedWarningHosts", {"a.example", 1});
    EXPECT_EQ(readAll(preferences), defaultsWithRingSize(4));
    // The picker is the ring only for the exact stored text.
    for (const char* other : {"Ring", "RING", " ring", "circle"}) {
        defaults->set("pickerStyle", other);
        EXPECT_EQ(preferences.pickerStyle(), PickerPresentationStyle::classic) << other;
    }
}

TEST_F(GeneralPreferencesTest, RingSizeIsClampedOnWriteAndReadWithoutNarrowingFirst) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto twoTo32 = std::int64_t{1} << 32;
    // The values beside 2^32 would fall into the range if narrowed to 32 bits before clamping.
    using W = std::pair<std::int64_t, int>;
    for (auto [value, clamped] : {W{-max - 1, 4}, W{6 - twoTo32, 4}, W{2, 4}, W{4, 4}, W{7, 7}, W{25, 10},
                                  W{5 + twoTo32, 10}, W{max, 10}}) {
        preferences.setRingMaximumCandidates(value);
        EXPECT_EQ(stored("ringMaximumCandidates"), json(clamped)) << value;
    }
    using R = std::pair<json, int>;
    for (const auto& [value, read] : {R{12, 10}, R{9.9, 9}, R{"7 links", 7}, R{"many", 4}, R{1e300, 10}}) {
        defaults->set("ringMaximumCandidates", value);
        EXPECT_EQ(preferences.ringMaximumCandidates(), read) << value;
    }
}

TEST_F(GeneralPreferencesTest, ParameterNamesAreNormalisedOnWriteAndCollectionsModifiedInPlace) {
    using C = std::pair<Strings, Strings>;
    for (const auto& [input, names] :
         {C{{"", ",, \n\n ,"}, {}}, C{{"Ref", "REF,ref", "b"}, {"ref", "b"}},
          C{{"\tgclid\t,\u00A0mc_eid\u3000"}, {"gclid", "mc_eid"}},  // tab, no-break and ideographic spaces
          C{{"ÄRGER_ID,Ärger_Id"}, {"ärger_id"}}}) {
        EXPECT_EQ(GeneralPreferences::normalizedParameterNames(input), names)
            << ::testing::PrintToString(input);
    }
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
