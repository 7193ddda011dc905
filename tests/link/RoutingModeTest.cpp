#include "ferrywise/link/RoutingMode.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

DiscoveredApplication browser(const std::string& bundleIdentifier,
                              ApplicationVariant variant = ApplicationVariant::normal()) {
    return DiscoveredApplication(
        bundleIdentifier, bundleIdentifier,
        Url::fromFilePath("/usr/share/applications/" + bundleIdentifier + ".desktop"), LinkScheme::Kind::web,
        std::move(variant));
}

DiscoveredApplication privateWindow(const std::string& bundleIdentifier) {
    return browser(bundleIdentifier, ApplicationVariant::private_());
}

const ConfiguredAccessibilityTrust trusted(true);
const ConfiguredAccessibilityTrust untrusted(false);

TEST(RoutingMode, PicksOnlyWhenAskedForcedOrWithoutCandidates) {
    std::vector<DiscoveredApplication> among = {browser("com.google.Chrome"), browser("org.mozilla.firefox")};
    std::optional<std::string> fallback = "org.mozilla.firefox";
    EXPECT_EQ(RoutingMode::destination(among, true, false, fallback, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, true, fallback, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination({}, false, false, fallback, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, false, fallback, trusted), among[1]);
    EXPECT_EQ(RoutingMode::destination(among, false, false, std::nullopt, trusted), among[0]);
    EXPECT_EQ(RoutingMode::usableFallback({}, fallback, untrusted), std::nullopt);
}

TEST(RoutingMode, FallbackMustMatchAnIdExactly) {
    // The first candidate is unusable, so a fallback that is not found falls to the second.
    std::vector<DiscoveredApplication> among = {privateWindow("com.apple.Safari"),
                                                browser("com.google.Chrome"), browser("org.mozilla.firefox"),
                                                privateWindow("org.mozilla.firefox")};
    EXPECT_EQ(RoutingMode::usableFallback(among, "org.mozilla.firefox", untrusted), among[2]);
    EXPECT_EQ(RoutingMode::usableFallback(among, "org.mozilla.firefox#private", untrusted), among[3]);
    for (const char* fallback : {"org.mozilla.Firefox", "ORG.MOZILLA.FIREFOX#PRIVATE", "org.mozilla", "",
                                 "com.example.Uninstalled"}) {
        EXPECT_EQ(RoutingMode::usableFallback(among, fallback, untrusted), among[1]) << fallback;
    }
}

TEST(RoutingMode, KeystrokePrivateWindowNeedsAccessibilityTrust) {
    std::vector<DiscoveredApplication> among = {privateWindow("com.apple.SafariTechnologyPreview"),
                                                browser("com.apple.Safari"),
                                                privateWindow("com.apple.Safari")};
    std::optional<std::string> fallback = "com.apple.Safari#private";
    EXPECT_EQ(RoutingMode::destination(among, false, false, fallback, untrusted), among[1]);
    EXPECT_EQ(RoutingMode::destination(among, false, false, fallback, trusted), among[2]);
    EXPECT_EQ(RoutingMode::destination(among, false, false, std::nullopt, trusted), among[0]);

    // With nothing usable the first candidate still stands in.
    std::vector<DiscoveredApplication> onlyKeystrokes = {among[0], among[2]};
    EXPECT_EQ(RoutingMode::usableFallback(onlyKeystrokes, fallback, untrusted), among[0]);
}

TEST(RoutingMode, OtherCandidatesAreUsableWithoutTrust) {
    for (const auto& candidate : {privateWindow("com.google.Chrome"), privateWindow("com.microsoft.edgemac"),
                                  privateWindow("org.mozilla.firefox"), privateWindow("org.example.Browser"),
                                  // The strategy table is keyed case-sensitively.
                                  privateWindow("com.apple.safari"), browser("com.apple.Safari"),
                                  browser("com.apple.Safari", ApplicationVariant::profile("Work"))}) {
        EXPECT_TRUE(RoutingMode::isUsable(candidate, untrusted)) << candidate.id();
    }
    EXPECT_FALSE(RoutingMode::isUsable(privateWindow("com.apple.Safari"), untrusted));
    EXPECT_TRUE(RoutingMode::isUsable(privateWindow("com.apple.Safari"), trusted));
}

}  // namespace
}  // namespace ferrywise
