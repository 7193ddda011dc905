#include "ferrywise/applications/DiscoveredApplication.hpp"

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using Variant = ApplicationVariant;

DiscoveredApplication entry(std::string bundleIdentifier, std::string name,
                            Variant variant = Variant::normal(),
                            LinkScheme::Kind kind = LinkScheme::Kind::web) {
    auto url = Url::fromFilePath("/usr/share/applications/" + bundleIdentifier + ".desktop");
    return DiscoveredApplication(std::move(bundleIdentifier), std::move(name), url, kind, std::move(variant));
}

TEST(DiscoveredApplication, IdEqualsTheStoredTarget) {
    EXPECT_EQ(entry("com.google.Chrome", "Chrome").id(), "com.google.Chrome");
    EXPECT_EQ(entry("com.google.Chrome", "Chrome", Variant::private_()).id(), "com.google.Chrome#private");
    EXPECT_EQ(entry("com.google.Chrome", "Chrome \u2014 Work", Variant::profile("Profile 1")).id(),
              "com.google.Chrome#profile:Profile 1");
    EXPECT_EQ(entry("a", "A", Variant::space("S")).id(), "a#space:S");
    auto emptyProfile = entry("com.google.Chrome", "Chrome", Variant::profile(""));
    EXPECT_EQ(emptyProfile.id(), "com.google.Chrome");
    EXPECT_EQ(emptyProfile.target(), ApplicationTargetIdentifier("com.google.Chrome"));
    auto space = entry("a", "A", Variant::space("S"));
    EXPECT_EQ(space.id(), space.target().stored());
}

TEST(DiscoveredApplication, PrivateVariantOnlyForKnownNormalBrowsers) {
    auto english = Localization::english();
    auto chrome = entry("com.google.Chrome", "Google Chrome");
    auto privateChrome = chrome.privateVariant(english);
    ASSERT_TRUE(privateChrome);
    EXPECT_EQ(privateChrome->name(), "Google Chrome (Incognito)");
    EXPECT_EQ(privateChrome->variant(), Variant::private_());
    EXPECT_EQ(privateChrome->bundleIdentifier(), chrome.bundleIdentifier());
    EXPECT_EQ(privateChrome->bundleUrl(), chrome.bundleUrl());
    EXPECT_EQ(privateChrome->kind(), LinkScheme::Kind::web);
    EXPECT_TRUE(privateChrome->profileVariants().empty());
    EXPECT_EQ(privateChrome->id(), "com.google.Chrome#private");

    EXPECT_EQ(entry("com.microsoft.edgemac", "Edge").privateVariant(english)->name(), "Edge (InPrivate)");
    EXPECT_EQ(entry("org.mozilla.firefox", "Firefox").privateVariant(english)->name(), "Firefox (Private)");
    EXPECT_EQ(entry("org.mozilla.firefox", "Firefox").privateVariant(Localization("zh_CN"))->name(),
              "Firefox (隐私模式)");

    EXPECT_FALSE(entry("org.mozilla.firefox", "Thunderbird", Variant::normal(), LinkScheme::Kind::mail)
                     .privateVariant(english));
    EXPECT_FALSE(entry("com.google.Chrome.beta", "Chrome Beta").privateVariant(english));
    EXPECT_FALSE(
        entry("com.google.Chrome", "Chrome \u2014 Work", Variant::profile("P")).privateVariant(english));
    EXPECT_FALSE(privateChrome->privateVariant(english));
}

TEST(DiscoveredApplication, PersonaNames) {
    EXPECT_EQ(DiscoveredApplication::personaName("Chrome", "Work"), "Chrome \u2014 Work");

    auto profile = entry("com.google.Chrome", DiscoveredApplication::personaName("Chrome", "Work"),
                         Variant::profile("Profile 1"));
    EXPECT_EQ(profile.personaDisplayName(), "Work");
    EXPECT_EQ(profile.ringDisplayName(), "Work");

    auto twoSeparators = entry("a", "Arc \u2014 Home \u2014 Two", Variant::space("S"));
    EXPECT_EQ(twoSeparators.personaDisplayName(), "Home \u2014 Two");

    auto noSeparator = entry("com.google.Chrome", "Chrome-Work", Variant::profile("Profile 7"));
    EXPECT_EQ(noSeparator.personaDisplayName(), "Profile 7");
    EXPECT_EQ(noSeparator.ringDisplayName(), "Profile 7");

    auto normal = entry("com.google.Chrome", "Chrome \u2014 Odd");
    EXPECT_EQ(normal.personaDisplayName(), std::nullopt);
    EXPECT_EQ(normal.ringDisplayName(), "Chrome \u2014 Odd");
    EXPECT_EQ(entry("x", "X (Private)", Variant::private_()).ringDisplayName(), "X (Private)");
}

TEST(DiscoveredApplication, EqualityComparesPersonaEntriesInOrder) {
    auto work = entry("c", "C \u2014 Work", Variant::profile("1"));
    auto home = entry("c", "C \u2014 Home", Variant::profile("2"));
    auto url = Url::fromFilePath("/usr/share/applications/c.desktop");
    DiscoveredApplication a("c", "C", url, LinkScheme::Kind::web, Variant::normal(), {work, home});
    DiscoveredApplication b("c", "C", url, LinkScheme::Kind::web, Variant::normal(), {home, work});
    EXPECT_NE(a, b);
    EXPECT_EQ(a,
              DiscoveredApplication("c", "C", url, LinkScheme::Kind::web, Variant::normal(), {work, home}));
    EXPECT_EQ(a.profileVariants().size(), 2U);
}

}  // namespace
}  // namespace ferrywise
