#include "ferrywise/settings/GeneralPreferences.hpp"

#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;
using Strings = std::vector<std::string>;
using Hosts = std::set<std::string>;
using Text = std::optional<std::string>;

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
    return std::make_tuple(true, true, Strings{}, false, true, Text{}, Hosts{}, true, false,
                           PickerPresentationStyle::classic, ringSize, Text{}, Text{}, false);
}

// Written to the store directly, so that each getter shows it reads its own key.
TEST_F(GeneralPreferencesTest, EverySettingReadsItsKeyAndReadsAsItsDefaultWhenAbsentOrUnreadable) {
    EXPECT_EQ(readAll(preferences), defaultsWithRingSize(8));
    const auto values = json::parse(R"({"showsMenuBarIcon": false, "cleansTrackingParameters": false,
        "keptTrackingParameters": ["utm_source"], "resolvesShortLinks": true, "alwaysAsks": false,
        "fallbackTarget": "org.example.Browser", "dismissedWarningHosts": ["b.example", "a.example"],
        "checksForUpdates": false, "syncEnabled": true, "pickerStyle": "ring", "ringMaximumCandidates": 5,
        "accessibilityGrantedToBuild": "build-1", "AppleLanguages": ["zh-Hans"], "fetchesFavicons": true})");
    defaults->setPersistentDomain(values, kDomain);
    EXPECT_EQ(readAll(preferences),
              std::make_tuple(false, false, Strings{"utm_source"}, true, false, Text{"org.example.Browser"},
                              Hosts{"a.example", "b.example"}, false, true, PickerPresentationStyle::ring, 5,
                              Text{"build-1"}, Text{"zh-Hans"}, true));

    for (const auto& [key, value] : values.items()) {
        defaults->set(key, json::object({{"unexpected", json::array({1, "two"})}}));
    }
    // A stored ring size that is not a number reads as 0, which clamps to the smallest size.
    EXPECT_EQ(readAll(preferences), defaultsWithRingSize(4));
    // The picker is the ring only for the exact stored text.
    defaults->set("pickerStyle", "Ring");
    EXPECT_EQ(preferences.pickerStyle(), PickerPresentationStyle::classic);
}

// The values beside 2^32 would fall into the range 4 ... 10 if narrowed to 32 bits before clamping.
TEST_F(GeneralPreferencesTest, RingSizeIsClampedOnWriteAndReadWithoutNarrowingFirst) {
    constexpr auto twoTo32 = std::int64_t{1} << 32;
    for (auto [value, clamped] :
         {std::pair{6 - twoTo32, 4}, std::pair{std::int64_t{7}, 7}, std::pair{5 + twoTo32, 10}}) {
        preferences.setRingMaximumCandidates(value);
        EXPECT_EQ(stored("ringMaximumCandidates"), json(clamped)) << value;
        defaults->set("ringMaximumCandidates", value);
        EXPECT_EQ(preferences.ringMaximumCandidates(), clamped) << value;
    }
}

// Names are split at commas, spaces and line breaks, trimmed of any white space, lower-cased and kept once.
// Hosts are kept once, in order.
TEST_F(GeneralPreferencesTest, ParameterNamesAndHostsAreNormalisedOnWriteAndCollectionsModifiedInPlace) {
    using C = std::pair<Strings, Strings>;
    for (const auto& [input, names] :
         {C{{"", ",, \n\n ,"}, {}}, C{{"Ref", "REF,ref", "b"}, {"ref", "b"}},
          C{{"\tgclid\t,\u00A0mc_eid\u3000"}, {"gclid", "mc_eid"}},  // tab, no-break and ideographic spaces
          C{{"ÄRGER_ID,Ärger_Id"}, {"ärger_id"}}}) {
        EXPECT_EQ(GeneralPreferences::normalizedParameterNames(input), names)
            << ::testing::PrintToString(input);
    }
    defaults->set("keptTrackingParameters", {"fbclid", "B"});
    preferences.modifyKeptTrackingParameters([](Strings& names) { names.push_back("Mc_Cid, FBCLID"); });
    EXPECT_EQ(stored("keptTrackingParameters"), json({"fbclid", "b", "mc_cid"}));
    defaults->set("dismissedWarningHosts", {"z.example", "y.example", "z.example"});
    preferences.modifyDismissedWarningHosts([](Hosts& hosts) { hosts.insert("C.example"); });
    EXPECT_EQ(stored("dismissedWarningHosts"), json({"C.example", "y.example", "z.example"}));
}

// A language in the global domain is the system's choice, not one made in the application.
TEST_F(GeneralPreferencesTest, PreferredLanguageIsWrittenAsAListAndReadFromTheOwnDomainOnly) {
    defaults->setPersistentDomain({{"AppleLanguages", {"de", "en"}}}, UserDefaults::globalDomain);
    EXPECT_EQ(preferences.preferredLanguage(), std::nullopt);
    defaults->set("AppleLanguages", {"fr", "de"});
    EXPECT_EQ(preferences.preferredLanguage(), "fr");
    EXPECT_EQ(GeneralPreferences(defaults, "org.example.Other").preferredLanguage(), std::nullopt);
    for (const json& unreadable : {json::array(), json("fr"), json({"fr", 2})}) {
        defaults->set("AppleLanguages", unreadable);
        EXPECT_EQ(preferences.preferredLanguage(), std::nullopt) << unreadable;
    }
    preferences.setPreferredLanguage("zh-Hans");
    EXPECT_EQ(stored("AppleLanguages"), json({"zh-Hans"}));
    // None removes an optional setting from the own domain.
    preferences.setFallbackTarget("org.example.Browser");
    preferences.setFallbackTarget(std::nullopt);
    preferences.setPreferredLanguage(std::nullopt);
    EXPECT_EQ(defaults->persistentDomain(kDomain), json::object());
}

}  // namespace
}  // namespace ferrywise
