#include "ferrywise/applications/ApplicationTarget.hpp"

#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace ferrywise {
namespace {

using Variant = ApplicationVariant;

TEST(ApplicationVariant, StoredSuffixesRoundTrip) {
    const std::pair<Variant, std::string> cases[] = {
        {Variant::normal(), "normal"},
        {Variant::private_(), "private"},
        {Variant::profile("Profile 1"), "profile:Profile 1"},
        {Variant::space("A1B2"), "space:A1B2"},
        // The rest after the prefix is used unchanged, colons and "#" included.
        {Variant::profile("a:b#c"), "profile:a:b#c"},
    };
    for (const auto& [variant, suffix] : cases) {
        EXPECT_EQ(variant.storedSuffix(), suffix);
        EXPECT_EQ(variant.diagnosticName(), suffix);
        EXPECT_EQ(Variant::fromStoredSuffix(suffix), variant) << suffix;
    }
    for (auto text :
         {"", "Normal", "Private", "profile:", "space:", "profile", "space", "incognito", " private"}) {
        EXPECT_EQ(Variant::fromStoredSuffix(text), std::nullopt) << text;
    }
}

TEST(ApplicationVariant, Predicates) {
    EXPECT_TRUE(Variant::private_().isPrivate());
    EXPECT_FALSE(Variant::normal().isPrivate());
    EXPECT_FALSE(Variant::normal().isPersona());
    EXPECT_FALSE(Variant::private_().isPersona());
    EXPECT_TRUE(Variant::profile("Default").isPersona());
    EXPECT_TRUE(Variant::space("x").isPersona());
    // Persona strings compare exactly.
    EXPECT_NE(Variant::profile("Default"), Variant::profile("default"));
    EXPECT_NE(Variant::profile("x"), Variant::space("x"));
}

TEST(ApplicationVariant, CodesAsOneString) {
    EXPECT_EQ(nlohmann::json(Variant::space("S")), "space:S");
    EXPECT_EQ(nlohmann::json("private").get<Variant>(), Variant::private_());
    for (auto text : {"Private", "", "profile:"}) {
        try {
            (void)nlohmann::json(text).get<Variant>();
            ADD_FAILURE() << "decoded " << text;
        } catch (const Variant::CodingError& error) {
            EXPECT_EQ(error.code(), Variant::CodingError::Code::invalidStoredValue);
        }
    }
    EXPECT_THROW((void)nlohmann::json::object().get<Variant>(), DecodingError);
    EXPECT_THROW((void)nlohmann::json(nullptr).get<Variant>(), DecodingError);
}

TEST(ApplicationTargetIdentifier, ParsesStoredTexts) {
    struct Case {
        const char* stored;
        const char* bundleIdentifier;
        Variant variant;
    };
    const Case cases[] = {
        {"org.mozilla.firefox", "org.mozilla.firefox", Variant::normal()},
        {"org.mozilla.firefox#private", "org.mozilla.firefox", Variant::private_()},
        {"com.google.Chrome#profile:Profile 2", "com.google.Chrome", Variant::profile("Profile 2")},
        {"company.thebrowser.Browser#space:ABC-1", "company.thebrowser.Browser", Variant::space("ABC-1")},
        // Anything that is not a usable variant stays part of the bundle identifier.
        {"com.google.Chrome#profile:", "com.google.Chrome#profile:", Variant::normal()},
        {"com.google.Chrome#space:", "com.google.Chrome#space:", Variant::normal()},
        {"com.google.Chrome#normal", "com.google.Chrome#normal", Variant::normal()},
        {"com.google.Chrome#Private", "com.google.Chrome#Private", Variant::normal()},
        {"com.google.Chrome#whatever", "com.google.Chrome#whatever", Variant::normal()},
        {"com.google.Chrome#", "com.google.Chrome#", Variant::normal()},
        {"#private", "#private", Variant::normal()},
        {"#", "#", Variant::normal()},
        {"", "", Variant::normal()},
        // Split at the last "#": an identifier may itself contain one.
        {"odd#id#private", "odd#id", Variant::private_()},
        {"com.google.Chrome#profile:a#b", "com.google.Chrome#profile:a#b", Variant::normal()},
    };
    for (const auto& test : cases) {
        auto id = ApplicationTargetIdentifier::fromStored(test.stored);
        EXPECT_EQ(id.bundleIdentifier(), test.bundleIdentifier) << test.stored;
        EXPECT_EQ(id.variant(), test.variant) << test.stored;
    }
}

TEST(ApplicationTargetIdentifier, StoredRoundTripsExceptAFolderWithHash) {
    for (auto text :
         {"org.mozilla.firefox", "org.mozilla.firefox#private", "com.google.Chrome#profile:Default",
          "company.thebrowser.Browser#space:1", "odd#id#private", "#private", "com.google.Chrome#normal"}) {
        EXPECT_EQ(ApplicationTargetIdentifier::fromStored(text).stored(), text);
    }
    // A profile folder containing "#" does not survive: the text comes back whole, as a normal target.
    ApplicationTargetIdentifier withHash("com.google.Chrome", Variant::profile("a#b"));
    EXPECT_EQ(withHash.stored(), "com.google.Chrome#profile:a#b");
    auto reread = ApplicationTargetIdentifier::fromStored(withHash.stored());
    EXPECT_EQ(reread, ApplicationTargetIdentifier("com.google.Chrome#profile:a#b"));
}

TEST(ApplicationTargetIdentifier, EmptyPersonaBecomesNormal) {
    ApplicationTargetIdentifier profile("com.google.Chrome", Variant::profile(""));
    EXPECT_EQ(profile.variant(), Variant::normal());
    EXPECT_EQ(profile.stored(), "com.google.Chrome");
    EXPECT_EQ(ApplicationTargetIdentifier("x", Variant::space("")).stored(), "x");
    EXPECT_EQ(ApplicationTargetIdentifier("x", Variant::private_()).stored(), "x#private");
}

TEST(ApplicationTargetIdentifier, EqualityAndHashing) {
    std::unordered_set<ApplicationTargetIdentifier> set{
        ApplicationTargetIdentifier("a", Variant::profile("P")),
        ApplicationTargetIdentifier::fromStored("a#profile:P"),
        ApplicationTargetIdentifier("a"),
        ApplicationTargetIdentifier("a", Variant::space("P")),
    };
    EXPECT_EQ(set.size(), 3U);
}

TEST(ApplicationTarget, EqualWhenUrlAndVariantAreEqual) {
    auto url = Url::fromFilePath("/usr/share/applications/firefox.desktop");
    EXPECT_EQ(ApplicationTarget(url, Variant::private_()), ApplicationTarget(url, Variant::private_()));
    EXPECT_NE(ApplicationTarget(url, Variant::private_()), ApplicationTarget(url, Variant::normal()));
    EXPECT_NE(
        ApplicationTarget(url, Variant::normal()),
        ApplicationTarget(Url::fromFilePath("/usr/share/applications/other.desktop"), Variant::normal()));
}

}  // namespace
}  // namespace ferrywise
