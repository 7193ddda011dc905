#include "ferrywise/applications/ApplicationScanner.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using Variant = ApplicationVariant;

TEST(ApplicationVariant, StoredSuffixesAreReadCaseSensitivelyAndNeedANonEmptyPersona) {
    // The rest after "profile:" or "space:" is kept whole, colons and "#" included.
    for (std::string suffix : {"normal", "private", "profile:P 1", "space:A1B2", "profile:a:b#c"}) {
        EXPECT_EQ(nlohmann::json(nlohmann::json(suffix).get<Variant>()), suffix);
    }
    EXPECT_EQ(nlohmann::json("profile:a:b#c").get<Variant>(), Variant::profile("a:b#c"));
    for (auto text :
         {"", "Normal", "Private", "profile:", "space:", "profile", "space", "incognito", " private"}) {
        EXPECT_EQ(Variant::fromStoredSuffix(text), std::nullopt) << text;
        EXPECT_THROW((void)nlohmann::json(text).get<Variant>(), Variant::CodingError) << text;
    }
    EXPECT_THROW((void)nlohmann::json::object().get<Variant>(), DecodingError);
    EXPECT_THROW((void)nlohmann::json(nullptr).get<Variant>(), DecodingError);
}

TEST(ApplicationTargetIdentifier, StoredTextsSplitAtTheLastHashOnlyBeforeAUsableVariantAndRoundTrip) {
    const std::tuple<const char*, const char*, Variant> cases[] = {
        {"org.mozilla.firefox#private", "org.mozilla.firefox", Variant::private_()},
        {"com.google.Chrome#profile:Profile 2", "com.google.Chrome", Variant::profile("Profile 2")},
        {"company.thebrowser.Browser#space:ABC-1", "company.thebrowser.Browser", Variant::space("ABC-1")},
        {"odd#id#private", "odd#id", Variant::private_()}};
    for (const auto& [stored, bundleIdentifier, variant] : cases) {
        auto id = ApplicationTargetIdentifier::fromStored(stored);
        EXPECT_EQ(id, ApplicationTargetIdentifier(bundleIdentifier, variant)) << stored;
        EXPECT_EQ(id.stored(), stored);
    }
    // Anything that is not a usable variant stays part of the identifier of a normal target, so a profile
    // folder containing "#" comes back as the whole text.
    for (std::string stored : {"org.mozilla.firefox", "a#profile:", "a#space:", "a#normal", "a#Private",
                               "a#whatever", "a#", "#private", "#", "", "a#profile:x#y"}) {
        auto id = ApplicationTargetIdentifier::fromStored(stored);
        EXPECT_EQ(id, ApplicationTargetIdentifier(stored)) << stored;
        EXPECT_EQ(id.stored(), stored);
    }
    // An empty persona is a normal target.
    EXPECT_EQ(ApplicationTargetIdentifier("a", Variant::profile("")), ApplicationTargetIdentifier("a"));
    EXPECT_EQ(ApplicationTargetIdentifier("a", Variant::space("")).stored(), "a");
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
    workspace->install("app.velmora.Velmora", "Velmora", {"http"}, ownBundle);
    std::filesystem::create_symlink(ownBundle.filePath().value(), folder.path() / "link.desktop");
    workspace->install("org.example.Other", "Other", {"http"},
                       Url::fromFilePath(folder.path() / "link.desktop"));
    workspace->install("app.velmora.Velmora.Helper", "Velmora Helper", {"http"});
    workspace->install("org.mozilla.firefox", "Firefox", {"http"});
    auto anonymous = Url::fromFilePath("/opt/tools/anonymous.desktop");
    workspace->addBundleWithoutIdentifier(anonymous, "Anonymous");
    workspace->setHandlers("https", {anonymous, Url::fromFilePath("/nowhere/missing.desktop")});
    EXPECT_EQ(listed(scan()), "org.mozilla.firefox | org.mozilla.firefox#private");
}

// A registry in which Chromium is installed twice.
class TwoCopiesCatalog final : public ApplicationCatalog {
  public:
    std::optional<Url> applicationUrl(std::string_view) const override { return std::nullopt; }
    std::vector<Url> applicationUrls(LinkScheme scheme) const override {
        return scheme == LinkScheme::http ? std::vector{first} : std::vector{second, first};
    }
    std::optional<ApplicationIdentity> identity(const Url&) const override {
        return ApplicationIdentity("org.chromium.Chromium", "Chromium");
    }

    Url first = Url::fromFilePath("/usr/share/applications/chromium.desktop");
    Url second = Url::fromFilePath("/opt/chromium/chromium.desktop");
};

TEST(ApplicationScanner, KeepsTheFirstCopyOfEachApplicationAcrossSchemes) {
    auto catalog = std::make_shared<TwoCopiesCatalog>();
    ApplicationScanner scanner(catalog, Url::fromFilePath("/opt/velmora.desktop"),
                               std::make_shared<EmptyBrowserPersonaCatalog>());
    auto scanned = scanner.scan(LinkScheme::Kind::web, Localization::english());
    EXPECT_EQ(listed(scanned, true), "Chromium | Chromium (Incognito)");
    EXPECT_EQ(scanned.at(0).bundleUrl(), catalog->first);
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
    EXPECT_EQ(listed(scanned.at(5).profileVariants()),  // in catalogue order
              "com.google.Chrome#profile:Profile 1 | com.google.Chrome#profile:Default");
    EXPECT_EQ(listed(scan(LinkScheme::Kind::mail)), "com.google.Chrome");
}

TEST(DiscoveredApplication, PersonaDisplayNameIsTheNameAfterTheFirstSeparatorElseTheVariant) {
    // {name, variant, persona display name (also the ring's label)}
    const std::tuple<std::string, Variant, std::optional<std::string>> cases[] = {
        {"Arc \u2014 Home \u2014 Two", Variant::space("S"), "Home \u2014 Two"},
        {"Chrome-Work", Variant::profile("Profile 7"), "Profile 7"},
        {"Chrome \u2014 Odd", Variant::normal(), std::nullopt}};
    for (const auto& [name, variant, personaName] : cases) {
        DiscoveredApplication application("c", name, Url::fromFilePath("/c.desktop"), LinkScheme::Kind::web,
                                          variant);
        EXPECT_EQ(application.personaDisplayName(), personaName) << name;
        EXPECT_EQ(application.ringDisplayName(), personaName.value_or(name)) << name;
    }
}

}  // namespace
}  // namespace ferrywise
