#include "ferrywise/opening/PrivateBrowsing.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

TEST(PrivateBrowsing, TableHasExactlyTheKnownBrowsers) {
    const std::map<std::string, PrivateBrowsingStrategy, std::less<>> expected{
        {"com.apple.Safari", PrivateBrowsingStrategy::safari()},
        {"com.apple.SafariTechnologyPreview", PrivateBrowsingStrategy::safari()},
        {"com.google.Chrome", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.google.Chrome.canary", PrivateBrowsingStrategy::chromium("--incognito")},
        {"org.chromium.Chromium", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.microsoft.edgemac", PrivateBrowsingStrategy::chromium("--inprivate")},
        {"com.brave.Browser", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.brave.Browser.beta", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.vivaldi.Vivaldi", PrivateBrowsingStrategy::chromium("--incognito")},
        {"org.mozilla.firefox", PrivateBrowsingStrategy::firefox()},
        {"org.mozilla.firefoxdeveloperedition", PrivateBrowsingStrategy::firefox()},
    };
    EXPECT_EQ(PrivateBrowsing::strategies(), expected);
}

TEST(PrivateBrowsing, LookupsAreExact) {
    EXPECT_EQ(PrivateBrowsing::strategy("com.google.Chrome.beta"), std::nullopt);
    EXPECT_FALSE(PrivateBrowsing::supportsPrivateBrowsing("com.google.Chrome.beta"));
    EXPECT_FALSE(PrivateBrowsing::supportsPrivateBrowsing("com.google.chrome"));
    EXPECT_TRUE(PrivateBrowsing::supportsPrivateBrowsing("com.google.Chrome"));
    EXPECT_EQ(PrivateBrowsing::strategy("com.microsoft.edgemac"),
              PrivateBrowsingStrategy::chromium("--inprivate"));
    EXPECT_EQ(*PrivateBrowsing::strategy("com.brave.Browser")->chromiumFlag(), "--incognito");
    EXPECT_EQ(PrivateBrowsing::strategy("org.mozilla.firefox")->chromiumFlag(), nullptr);
}

TEST(PrivateBrowsing, ModeNames) {
    auto english = Localization::english();
    EXPECT_EQ(PrivateBrowsing::modeName("com.microsoft.edgemac", english), "InPrivate");
    EXPECT_EQ(PrivateBrowsing::modeName("com.brave.Browser", english), "Incognito");
    EXPECT_EQ(PrivateBrowsing::modeName("com.apple.Safari", english), "Private");
    EXPECT_EQ(PrivateBrowsing::modeName("org.mozilla.firefox", english), "Private");
    EXPECT_EQ(PrivateBrowsing::modeName("unknown.browser", english), "Private");

    EXPECT_EQ(PrivateBrowsing::shortModeName("org.mozilla.firefox", english), "Private");
    EXPECT_EQ(PrivateBrowsing::shortModeName("com.google.Chrome", english), "Incognito");
    EXPECT_EQ(PrivateBrowsing::shortModeName("com.microsoft.edgemac", english), "InPrivate");

    Localization chinese("zh-Hans-CN");
    EXPECT_EQ(PrivateBrowsing::modeName("org.mozilla.firefox", chinese), "隐私模式");
    EXPECT_EQ(PrivateBrowsing::shortModeName("org.mozilla.firefox", chinese), "隐私");
    EXPECT_EQ(PrivateBrowsing::modeName("com.google.Chrome", chinese), "无痕模式");
}

TEST(PrivateBrowsing, DisplayNameAppendsTheModeInParentheses) {
    auto english = Localization::english();
    EXPECT_EQ(PrivateBrowsing::displayName("Microsoft Edge", "com.microsoft.edgemac", english),
              "Microsoft Edge (InPrivate)");
    EXPECT_EQ(PrivateBrowsing::displayName("Lynx", "org.lynx", english), "Lynx (Private)");
}

}  // namespace
}  // namespace ferrywise
