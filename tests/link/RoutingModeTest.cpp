#include "ferrywise/link/RoutingMode.hpp"

#include <memory>

#include <gtest/gtest.h>

#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include "support/FakeWorkspace.hpp"

namespace ferrywise {
namespace {

using testing::FakeWorkspace;

DiscoveredApplication browser(const std::string& id,
                              ApplicationVariant variant = ApplicationVariant::normal()) {
    return DiscoveredApplication(id, id, Url::fromFilePath("/usr/share/applications/" + id + ".desktop"),
                                 LinkScheme::Kind::web, std::move(variant));
}

DiscoveredApplication privateWindow(const std::string& id) {
    return browser(id, ApplicationVariant::private_());
}

const ConfiguredAccessibilityTrust trusted(true);
const ConfiguredAccessibilityTrust untrusted(false);

TEST(RoutingMode, FallbackMustMatchAnIdExactlyAndBeUsableElseTheFirstUsableCandidateStandsIn) {
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
    EXPECT_EQ(RoutingMode::usableFallback(among, std::nullopt, untrusted), among[1]);
    EXPECT_EQ(RoutingMode::usableFallback({}, "org.mozilla.firefox", untrusted), std::nullopt);
}

TEST(RoutingMode, OnlyAKeystrokePrivateWindowNeedsAccessibilityTrust) {
    std::vector<DiscoveredApplication> among = {privateWindow("com.apple.SafariTechnologyPreview"),
                                                browser("com.apple.Safari"),
                                                privateWindow("com.apple.Safari")};
    std::optional<std::string> fallback = "com.apple.Safari#private";
    // Asked always, or with the picker forced, there is no destination.
    EXPECT_EQ(RoutingMode::destination(among, true, false, fallback, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, true, fallback, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, false, fallback, untrusted), among[1]);
    EXPECT_EQ(RoutingMode::destination(among, false, false, fallback, trusted), among[2]);
    EXPECT_EQ(RoutingMode::destination(among, false, false, std::nullopt, trusted), among[0]);
    // With nothing usable the first candidate still stands in.
    EXPECT_EQ(RoutingMode::usableFallback({among[0], among[2]}, fallback, untrusted), among[0]);
    // The strategy table is keyed case-sensitively.
    for (const auto& candidate : {privateWindow("com.google.Chrome"), privateWindow("com.microsoft.edgemac"),
                                  privateWindow("org.mozilla.firefox"), privateWindow("org.example.Browser"),
                                  privateWindow("com.apple.safari"), browser("com.apple.Safari"),
                                  browser("com.apple.Safari", ApplicationVariant::profile("Work"))}) {
        EXPECT_TRUE(RoutingMode::isUsable(candidate, untrusted)) << candidate.id();
    }
}

TEST(PassthroughTargetResolver,
     PrefersTheSystemBrowserAndMailClientThenHandlersOfTheSchemeButNeverTheRouter) {
    auto workspace = std::make_shared<FakeWorkspace>();
    auto self = workspace->install("org.ferrywise.Ferrywise", "Ferrywise", {"http", "https", "mailto"});
    auto targetFor = [&](std::string_view text) {
        return PassthroughTargetResolver(workspace, self).target(*InterceptedLink::make(*Url::parse(text)));
    };
    auto chrome = workspace->install("com.google.Chrome", "Chrome", {"http"});
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox", {"https"});
    EXPECT_EQ(targetFor("http://example.com"), chrome);
    EXPECT_EQ(targetFor("https://example.com"), firefox);
    EXPECT_EQ(targetFor("mailto:a@example.com"), std::nullopt);
    // The catalogue answers the router's own bundle for the preferred identifier.
    workspace->install("com.apple.Safari", "Safari", {"https"}, self);
    EXPECT_EQ(targetFor("https://example.com"), firefox);

    // Installed, even without handling the scheme, the preferred application wins.
    auto safari = workspace->install("com.apple.Safari", "Safari");
    auto mail = workspace->install("com.apple.mail", "Mail", {"mailto"});
    EXPECT_EQ(targetFor("http://example.com"), safari);
    EXPECT_EQ(targetFor("https://example.com"), safari);
    EXPECT_EQ(targetFor("mailto:a@example.com"), mail);
}

}  // namespace
}  // namespace ferrywise
