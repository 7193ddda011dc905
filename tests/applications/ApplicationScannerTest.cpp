#include "ferrywise/applications/ApplicationScanner.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using Variant = ApplicationVariant;

TEST(ApplicationTargetIdentifier, StoredTextsSplitAtTheLastHashOnlyBeforeAUsableVariantAndRoundTrip) {
    const std::tuple<const char*, const char*, Variant> cases[] = {
        {"org.mozilla.firefox#private", "org.mozilla.firefox", Variant::private_()},
        {"com.google.Chrome#profile:Profile 2", "com.google.Chrome", Variant::profile("Profile 2")},
        {"odd#id#space:ABC-1", "odd#id", Variant::space("ABC-1")},
        // A persona holding "#" (a Firefox profile folder) ends the identifier at its own "#".
        {"firefox#profile:/p/ab.Work#2", "firefox", Variant::profile("/p/ab.Work#2")}};
    for (const auto& [stored, bundleIdentifier, variant] : cases) {
        auto id = ApplicationTargetIdentifier::fromStored(stored);
        EXPECT_EQ(id, ApplicationTargetIdentifier(bundleIdentifier, variant)) << stored;
        EXPECT_EQ(id.stored(), stored);
    }
    // Anything that is not a usable variant (letter case counts, a persona needs a name) stays part of the
    // identifier of a normal target.
    for (std::string stored :
         {"org.mozilla.firefox", "a#normal", "a#Private", "a#profile:", "#private", "a#b#c"}) {
        auto id = ApplicationTargetIdentifier::fromStored(stored);
        EXPECT_EQ(id, ApplicationTargetIdentifier(stored)) << stored;
        EXPECT_EQ(id.stored(), stored);
    }
    EXPECT_EQ(ApplicationTargetIdentifier("a", Variant::space("")).stored(), "a");  // an empty persona
    // In JSON a variant is its stored text, a persona kept whole; other texts and types are refused.
    EXPECT_EQ(nlohmann::json(Variant::normal()), "normal");
    EXPECT_EQ(nlohmann::json("profile:a:b#c").get<Variant>(), Variant::profile("a:b#c"));
    EXPECT_THROW((void)nlohmann::json("space:").get<Variant>(), Variant::CodingError);
    EXPECT_THROW((void)nlohmann::json(nullptr).get<Variant>(), DecodingError);
}

// The scan as one line: the entries' ids (or names), separated by " | ".
std::string listed(const std::vector<DiscoveredApplication>& scanned, bool names = false) {
    std::string text;
    for (const auto& application : scanned) {
        text += (text.empty() ? "" : " | ") + (names ? application.name() : application.id());
    }
    return text;
}

class ApplicationScannerTest : public ::testing::Test {
  protected:
    std::vector<DiscoveredApplication> scan(LinkScheme::Kind kind = LinkScheme::Kind::web) {
        return scanner.scan(kind, Localization::english());
    }

    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    Url ownBundle = Url::fromFilePath(folder.write("apps/app.velmora.Velmora.desktop", ""));
    ApplicationScanner scanner{workspace, ownBundle, personas, "app.velmora.Velmora"};
};

TEST_F(ApplicationScannerTest, LeavesOutTheHostItsCompanionsAndBundlesWithoutIdentifier) {
    std::filesystem::create_symlink(ownBundle.filePath().value(), folder.path() / "link.desktop");
    workspace->install("org.example.Other", "Other", {"http"},
                       Url::fromFilePath(folder.path() / "link.desktop"));
    workspace->install("app.velmora.Velmora.Helper", "Velmora Helper", {"http"});
    workspace->install("org.mozilla.firefox", "Firefox", {"http"});
    auto anonymous = Url::fromFilePath("/opt/tools/anonymous.desktop");
    workspace->addBundleWithoutIdentifier(anonymous, "Anonymous");
    workspace->setHandlers("https", {anonymous});
    EXPECT_EQ(listed(scan()), "org.mozilla.firefox | org.mozilla.firefox#private");
}

TEST_F(ApplicationScannerTest, ProfilesWinOverSpacesOneIsNotEnoughAndMailClientsGetNoneNorPrivateEntries) {
    workspace->install("com.google.Chrome", "Chrome", {"http", "mailto"});
    workspace->install("company.thebrowser.Browser", "Arc", {"http"});
    workspace->install("org.example.b", "Browser", {"http"});
    workspace->install("org.example.a", "browser", {"https"});
    personas->profileLists["com.google.Chrome"] = {{"Profile 1", "Work"}, {"Default", "Home"}};
    personas->spaceLists["com.google.Chrome"] = {{"s1", "Ignored"}, {"s2", "Also ignored"}};
    personas->profileLists["company.thebrowser.Browser"] = {{"Default", "Only"}};
    personas->spaceLists["company.thebrowser.Browser"] = {{"S-2", "Space 10"}, {"S-1", "space 2"}};
    // File-manager order of the names (case ignored, digit runs by value), then by id.
    auto scanned = scan();
    EXPECT_EQ(listed(scanned, true),
              "Arc | Arc \u2014 space 2 | Arc \u2014 Space 10 | browser | Browser | Chrome | "
              "Chrome \u2014 Home | Chrome \u2014 Work | Chrome (Incognito)");
    EXPECT_EQ(scanned.at(1).id() + ", " + scanned.at(6).id(),
              "company.thebrowser.Browser#space:S-1, com.google.Chrome#profile:Default");
    EXPECT_EQ(listed(scan(LinkScheme::Kind::mail)), "com.google.Chrome");
}

TEST(DiscoveredApplication, PersonaDisplayNameIsTheNameAfterTheFirstSeparatorElseTheVariant) {
    auto personaName = [](std::string name, Variant variant) {
        return DiscoveredApplication("c", name, Url::fromFilePath("/c.desktop"), LinkScheme::Kind::web,
                                     variant)
            .personaDisplayName();
    };
    EXPECT_EQ(personaName("Arc \u2014 Home \u2014 Two", Variant::space("S")), "Home \u2014 Two");
    EXPECT_EQ(personaName("Chrome-Work", Variant::profile("Profile 7")), "Profile 7");
    EXPECT_EQ(personaName("Chrome \u2014 Odd", Variant::normal()), std::nullopt);
}

}  // namespace
}  // namespace ferrywise
