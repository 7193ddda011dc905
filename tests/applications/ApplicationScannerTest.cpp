#include "ferrywise/applications/ApplicationScanner.hpp"

#include <map>

#include <gtest/gtest.h>

#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

class ApplicationScannerTest : public ::testing::Test {
  protected:
    std::vector<std::string> scannedIds(LinkScheme::Kind kind) {
        std::vector<std::string> ids;
        for (const auto& application : scanner.scan(kind, Localization::english())) {
            ids.push_back(application.id());
        }
        return ids;
    }

    testing::TemporaryFolder folder;
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    Url ownBundle = Url::fromFilePath(folder.write("apps/app.velmora.Velmora.desktop", ""));
    ApplicationScanner scanner{workspace, ownBundle, personas, "app.velmora.Velmora"};
};

TEST_F(ApplicationScannerTest, NeverListsTheHostOrItsCompanions) {
    workspace->install("app.velmora.Velmora", "Velmora", {"http"}, ownBundle);
    std::filesystem::create_symlink(folder.path() / "apps/app.velmora.Velmora.desktop",
                                    folder.path() / "link.desktop");
    workspace->install("org.example.Other", "Other", {"http"},
                       Url::fromFilePath(folder.path() / "link.desktop"));
    workspace->install("app.velmora.Velmora.Helper", "Velmora Helper", {"http"});
    workspace->install("org.mozilla.firefox", "Firefox", {"http"});
    EXPECT_EQ(scannedIds(LinkScheme::Kind::web),
              (std::vector<std::string>{"org.mozilla.firefox", "org.mozilla.firefox#private"}));
}

// A registry in which one application can be installed twice.
class ListedCatalog final : public ApplicationCatalog {
  public:
    std::map<LinkScheme::Value, std::vector<Url>> handlers;
    std::map<std::string, ApplicationIdentity> identities;  // by bundle URL text

    std::optional<Url> applicationUrl(std::string_view) const override { return std::nullopt; }
    std::vector<Url> applicationUrls(LinkScheme handling) const override {
        auto found = handlers.find(handling.value());
        return found == handlers.end() ? std::vector<Url>{} : found->second;
    }
    std::optional<ApplicationIdentity> identity(const Url& bundleUrl) const override {
        auto found = identities.find(std::string(bundleUrl.absoluteString()));
        return found == identities.end() ? std::nullopt : std::optional(found->second);
    }
};

TEST(ApplicationScanner, KeepsTheFirstCopyOfEachApplicationAcrossSchemes) {
    auto catalog = std::make_shared<ListedCatalog>();
    auto first = Url::fromFilePath("/usr/share/applications/chromium.desktop");
    auto second = Url::fromFilePath("/opt/chromium/chromium.desktop");
    auto anonymous = Url::fromFilePath("/opt/anonymous.desktop");
    catalog->identities.emplace(first.absoluteString(),
                                ApplicationIdentity("org.chromium.Chromium", "Chromium"));
    catalog->identities.emplace(second.absoluteString(),
                                ApplicationIdentity("org.chromium.Chromium", "Chromium"));
    catalog->handlers[LinkScheme::http] = {anonymous, first};
    catalog->handlers[LinkScheme::https] = {second, first};
    ApplicationScanner scanner(catalog, Url::fromFilePath("/opt/velmora.desktop"),
                               std::make_shared<EmptyBrowserPersonaCatalog>());

    auto scanned = scanner.scan(LinkScheme::Kind::web, Localization::english());
    ASSERT_EQ(scanned.size(),
              2u);  // the browser and its private window; the bundle without identity is left out
    EXPECT_EQ(scanned[0].bundleUrl(), first);
    EXPECT_EQ(scanned[1].name(), "Chromium (Incognito)");
    EXPECT_EQ(scanned[1].bundleUrl(), first);
}

TEST_F(ApplicationScannerTest, ProfilesWinOverSpacesAndOneIsNotEnough) {
    workspace->install("com.google.Chrome", "Chrome", {"http"});
    workspace->install("company.thebrowser.Browser", "Arc", {"http"});
    personas->profileLists["com.google.Chrome"] = {{"Profile 1", "Work"}, {"Default", "Home"}};
    personas->spaceLists["com.google.Chrome"] = {{"s1", "Ignored"}, {"s2", "Also ignored"}};
    personas->profileLists["company.thebrowser.Browser"] = {{"Default", "Only"}};
    personas->spaceLists["company.thebrowser.Browser"] = {{"S-2", "Space 10"}, {"S-1", "space 2"}};

    auto scanned = scanner.scan(LinkScheme::Kind::web, Localization::english());
    std::vector<std::string> names;
    for (const auto& application : scanned) {
        names.push_back(application.name());
    }
    // File-manager order: case ignored, digit runs by value.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Arc", "Arc \u2014 space 2", "Arc \u2014 Space 10", "Chrome",
                                        "Chrome \u2014 Home", "Chrome \u2014 Work", "Chrome (Incognito)"}));
    const auto& chrome =
        *std::find_if(scanned.begin(), scanned.end(), [](const auto& a) { return a.name() == "Chrome"; });
    ASSERT_EQ(chrome.profileVariants().size(), 2u);
    EXPECT_EQ(chrome.profileVariants()[0].variant(), ApplicationVariant::profile("Profile 1"));
    EXPECT_EQ(scanned[1].id(), "company.thebrowser.Browser#space:S-1");
}

TEST_F(ApplicationScannerTest, MailClientsGetNeitherPersonasNorPrivateEntries) {
    workspace->install("com.google.Chrome", "Chrome", {"mailto"});
    personas->profileLists["com.google.Chrome"] = {{"A", "A"}, {"B", "B"}};
    EXPECT_EQ(scannedIds(LinkScheme::Kind::mail), (std::vector<std::string>{"com.google.Chrome"}));
}

TEST_F(ApplicationScannerTest, EqualNamesAreOrderedById) {
    workspace->install("org.example.b", "Browser", {"http"});
    workspace->install("org.example.a", "browser", {"https"});
    EXPECT_EQ(scannedIds(LinkScheme::Kind::web),
              (std::vector<std::string>{"org.example.a", "org.example.b"}));
}

}  // namespace
}  // namespace ferrywise
