#include "ferrywise/link/RoutingMode.hpp"

#include <memory>

#include <gtest/gtest.h>

#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include "support/FakeWorkspace.hpp"

namespace ferrywise {
namespace {

DiscoveredApplication browser(const std::string& id,
                              ApplicationVariant variant = ApplicationVariant::normal()) {
    return DiscoveredApplication(id, id, Url::fromFilePath("/usr/share/applications/" + id + ".desktop"),
                                 LinkScheme::Kind::web, std::move(variant));
}

const ApplicationVariant inPrivate = ApplicationVariant::private_();

const ConfiguredAccessibilityTrust trusted(true);
const ConfiguredAccessibilityTrust untrusted(false);

TEST(RoutingMode, FallbackMustMatchAnIdExactlyAndBeUsableWhereOnlyKeystrokePrivateWindowsNeedTrust) {
    // Safari's private window needs keystrokes, so without trust a fallback that is not found falls to the
    // second candidate; Firefox opens its private window by argument.
    std::vector<DiscoveredApplication> among = {browser("com.apple.Safari", inPrivate),
                                                browser("com.google.Chrome"), browser("org.mozilla.firefox"),
                                                browser("org.mozilla.firefox", inPrivate)};
    auto fallback = [&](std::optional<std::string> id, const AccessibilityTrust& trust) {
        return RoutingMode::usableFallback(among, id, trust);
    };
    EXPECT_EQ(fallback("org.mozilla.firefox", untrusted), among[2]);
    EXPECT_EQ(fallback("org.mozilla.firefox#private", untrusted), among[3]);
    for (const char* id : {"org.mozilla.Firefox", "org.mozilla", "com.apple.Safari#private"}) {
        EXPECT_EQ(fallback(id, untrusted), among[1]) << id;
    }
    EXPECT_EQ(fallback("com.apple.Safari#private", trusted), among[0]);
    EXPECT_EQ(fallback(std::nullopt, untrusted), among[1]);
    // With nothing usable the first candidate still stands in; with nothing at all there is none.
    EXPECT_EQ(RoutingMode::usableFallback({among[0]}, std::nullopt, untrusted), among[0]);
    EXPECT_EQ(RoutingMode::usableFallback({}, "org.mozilla.firefox", untrusted), std::nullopt);
    // Asked always, or with the picker forced, there is no destination.
    EXPECT_EQ(RoutingMode::destination(among, true, false, std::nullopt, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, true, std::nullopt, trusted), std::nullopt);
    EXPECT_EQ(RoutingMode::destination(among, false, false, std::nullopt, trusted), among[0]);
    // No strategy at all, or a case-different identifier: the strategy table is case-sensitive.
    for (const auto& candidate :
         {browser("org.example.Browser", inPrivate), browser("com.apple.safari", inPrivate)}) {
        EXPECT_TRUE(RoutingMode::isUsable(candidate, untrusted)) << candidate.id();
    }
}

TEST(PassthroughTargetResolver,
     PrefersTheSystemBrowserAndMailClientThenHandlersOfTheSchemeButNeverTheRouter) {
    auto workspace = std::make_shared<testing::FakeWorkspace>();
    auto self = workspace->install("org.ferrywise.Ferrywise", "Ferrywise", {"http", "https", "mailto"});
    auto targetFor = [&](std::string_view text) {
        return PassthroughTargetResolver(workspace, self).target(*InterceptedLink::make(*Url::parse(text)));
    };
    auto one = workspace->install("org.example.One", "One", {"http"});
    auto two = workspace->install("org.example.Two", "Two", {"https"});
    EXPECT_EQ(targetFor("http://example.com"), one);
    EXPECT_EQ(targetFor("https://example.com"), two);
    EXPECT_EQ(targetFor("mailto:a@example.com"), std::nullopt);
    // The catalogue answers the router's own bundle for a preferred identifier.
    workspace->install("com.apple.Safari", "Safari", {"https"}, self);
    EXPECT_EQ(targetFor("https://example.com"), two);

    // Installed, even without handling the scheme, a preferred application wins: the common Linux
    // browsers in their order, the system's own before them.
    auto chromium = workspace->install("chromium", "Chromium");
    EXPECT_EQ(targetFor("https://example.com"), chromium);
    EXPECT_EQ(targetFor("http://example.com"), chromium);
    auto firefox = workspace->install("firefox-esr", "Firefox ESR");
    EXPECT_EQ(targetFor("http://example.com"), firefox);
    auto safari = workspace->install("com.apple.Safari", "Safari");
    auto claws = workspace->install("claws-mail", "Claws Mail");
    EXPECT_EQ(targetFor("mailto:a@example.com"), claws);
    auto mail = workspace->install("com.apple.mail", "Mail", {"mailto"});
    EXPECT_EQ(targetFor("http://example.com"), safari);
    EXPECT_EQ(targetFor("mailto:a@example.com"), mail);
}

}  // namespace
}  // namespace ferrywise
