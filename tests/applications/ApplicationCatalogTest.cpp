#include "ferrywise/applications/ApplicationCatalog.hpp"

#include <gtest/gtest.h>

#include "support/FakeWorkspace.hpp"

namespace ferrywise {
namespace {

class WorkspaceCatalog : public ::testing::Test {
  protected:
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    WorkspaceApplicationCatalog catalog{workspace};
};

TEST_F(WorkspaceCatalog, FindsApplicationsByBundleIdentifier) {
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox", {"http", "https"});
    EXPECT_EQ(catalog.applicationUrl("org.mozilla.firefox"), firefox);
    EXPECT_EQ(catalog.applicationUrl("org.mozilla.Firefox"), std::nullopt);
    EXPECT_EQ(catalog.applicationUrl(""), std::nullopt);
}

TEST_F(WorkspaceCatalog, HandlersComeInRegistryOrderPerScheme) {
    auto chrome = workspace->install("com.google.Chrome", "Chrome", {"https", "http"});
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox", {"https"});
    auto mail = workspace->install("org.gnome.Evolution", "Evolution", {"mailto"});
    EXPECT_EQ(catalog.applicationUrls(LinkScheme::https), (std::vector<Url>{chrome, firefox}));
    EXPECT_EQ(catalog.applicationUrls(LinkScheme::http), (std::vector<Url>{chrome}));
    EXPECT_EQ(catalog.applicationUrls(LinkScheme::mailto), (std::vector<Url>{mail}));

    workspace->setHandlers("HTTPS", {firefox, chrome});
    EXPECT_EQ(catalog.applicationUrls(LinkScheme::https), (std::vector<Url>{firefox, chrome}));

    // Reinstalling elsewhere keeps the application's place in the order, at its new location.
    auto moved =
        workspace->install("com.google.Chrome", "Chrome", {}, Url::fromFilePath("/opt/chrome.desktop"));
    EXPECT_EQ(catalog.applicationUrls(LinkScheme::https), (std::vector<Url>{firefox, moved}));
}

TEST_F(WorkspaceCatalog, IdentityNeedsABundleWithAnIdentifier) {
    auto url = workspace->install("org.mozilla.firefox", "Firefox Web Browser");
    EXPECT_EQ(catalog.identity(url), ApplicationIdentity("org.mozilla.firefox", "Firefox Web Browser"));

    auto anonymous = Url::fromFilePath("/opt/tools/anonymous.desktop");
    workspace->addBundleWithoutIdentifier(anonymous, "Anonymous");
    EXPECT_EQ(catalog.identity(anonymous), std::nullopt);
    EXPECT_EQ(catalog.identity(Url::fromFilePath("/nowhere/missing.desktop")), std::nullopt);
}

// The fake stands in for the desktop in every later test, so its own behaviour is pinned here.
TEST(FakeWorkspace, RecordsOpensAndInjectsFailures) {
    testing::FakeWorkspace workspace;
    auto app = workspace.install("a", "A");
    auto link = *Url::parse("https://example.com");
    WorkspaceOpenConfiguration configuration{true, false, true, {"--incognito", "https://example.com"}};

    workspace.openUrls({link}, app, WorkspaceOpenConfiguration{});
    workspace.openApplication(app, configuration);
    workspace.failNextOpen("no such application");
    EXPECT_THROW(workspace.openUrls({link}, app, WorkspaceOpenConfiguration{}), WorkspaceError);
    workspace.openUrls({link}, app, WorkspaceOpenConfiguration{});  // only the next one fails

    auto opens = workspace.opens();
    ASSERT_EQ(opens.size(), 3U);
    EXPECT_EQ(opens[0].urls, std::vector<Url>{link});
    EXPECT_TRUE(opens[1].urls.empty());
    EXPECT_EQ(opens[1].configuration, configuration);

    workspace.failNextDefaultChange("denied");
    EXPECT_THROW(workspace.setDefaultApplication(app, "https"), WorkspaceError);
    EXPECT_EQ(workspace.urlForApplicationToOpen(link), std::nullopt);
    workspace.setDefaultApplication(app, "https");
    EXPECT_EQ(workspace.urlForApplicationToOpen(link), app);
    EXPECT_EQ(workspace.defaultChanges().size(), 1U);
}

TEST(FakeWorkspace, RunningApplicationsAndActivation) {
    testing::FakeWorkspace workspace;
    workspace.setRunning({RunningApplication{"a", "A", std::nullopt},
                          RunningApplication{"b", "B", std::nullopt},
                          RunningApplication{"a", "A2", std::nullopt}});
    EXPECT_EQ(workspace.runningApplicationsWithBundleIdentifier("a").size(), 2U);
    EXPECT_TRUE(workspace.runningApplicationsWithBundleIdentifier("A").empty());

    int activations = 0;
    auto connection = workspace.onDidBecomeActive([&] { ++activations; });
    workspace.postDidBecomeActive();
    connection.disconnect();
    workspace.postDidBecomeActive();
    EXPECT_EQ(activations, 1);
}

}  // namespace
}  // namespace ferrywise
