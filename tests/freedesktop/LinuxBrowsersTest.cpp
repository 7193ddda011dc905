// The browsers and mail clients as a Linux user has them: desktop entries written as the distributions and
// Flatpak write them, whose programs record their arguments, found with and without mimeinfo.cache,
// offered with their private windows and profiles, and opened with the arguments each browser expects.

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "ferrywise/applications/ApplicationScanner.hpp"
#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/freedesktop/DesktopWorkspace.hpp"
#include "ferrywise/opening/LinkDispatcher.hpp"

#include "support/Coroutines.hpp"
#include "support/DesktopSandbox.hpp"

namespace ferrywise::freedesktop {
namespace {

using Strings = std::vector<std::string>;

// tests/data/linux-desktop copied into the sandbox, "@BIN@" in entries becoming its bin/. User entries (no
// cache): Debian's chromium, firefox-esr and claws-mail, Flathub's Chrome, and an unknown browser whose only
// clue is its private-window action. System entries, with the cache that update-desktop-database writes:
// Debian's Epiphany and Falkon, and one installed after it. The user removed one browser of each folder from
// the web links in mimeapps.list. Profiles
// as the browsers write them: Chromium in ~/.config, Chrome in its Flatpak folder, Firefox ESR in
// ~/.config/mozilla/firefox with its install's default. Every program records its arguments.
class LinuxDesktop : public ::testing::Environment {
  public:
    void SetUp() override {
        sandbox = std::make_unique<testing::DesktopSandbox>();
        sandbox->copyTree(FERRYWISE_TEST_DATA_DIR "/linux-desktop",
                          {"chromium", "firefox-esr", "flatpak", "surf", "epiphany", "falkon", "claws-mail"});
        auto system = sandbox->root() / "system/applications";
        ASSERT_EQ(std::system(("update-desktop-database " + system.string()).c_str()), 0);
        ASSERT_TRUE(std::filesystem::exists(system / "mimeinfo.cache"));
        // Installed after the cache was written.
        sandbox->write(
            "system/applications/org.example.Late.desktop",
            "[Desktop Entry]\nType=Application\nName=Late\nExec=surf %u\nMimeType=x-scheme-handler/http;");
    }
    void TearDown() override { sandbox.reset(); }

    std::unique_ptr<testing::DesktopSandbox> sandbox;
};

auto* const desktop = static_cast<LinuxDesktop*>(::testing::AddGlobalTestEnvironment(new LinuxDesktop));

Url userEntry(const std::string& id) {
    return Url::fromFilePath(desktop->sandbox->root() / "data/applications" / (id + ".desktop"));
}

std::string firefoxProfile(const std::string& folder) {
    return (desktop->sandbox->root() / "config/mozilla/firefox" / folder).string();
}

class LinuxBrowsersTest : public ::testing::Test {
  protected:
    std::shared_ptr<Workspace> workspace = makeDesktopWorkspace();
    std::shared_ptr<FileBrowserPersonaCatalog> personas =
        std::make_shared<FileBrowserPersonaCatalog>(Paths::fromEnvironment());
    ApplicationScanner scanner{workspace, *Url::parse("file:///nowhere/ferrywise.desktop"), personas};
};

// GIO's own lookup sees only entries a folder's cache lists; the rest follow by desktop ID. The entries the
// user removed from the web links stay out although their MimeType names them.
TEST_F(LinuxBrowsersTest, EveryEntryIsFoundWithAndWithoutACache) {
    auto handlers = workspace->urlsForApplicationsToOpen(*Url::parse("http://example.com/"));
    ASSERT_EQ(handlers.size(), 7U);
    auto system = desktop->sandbox->root() / "system/applications";
    std::vector<Url> cached(handlers.begin(), handlers.begin() + 2);
    std::sort(cached.begin(), cached.end(),
              [](const Url& a, const Url& b) { return a.absoluteString() < b.absoluteString(); });
    EXPECT_EQ(cached, (std::vector<Url>{Url::fromFilePath(system / "org.gnome.Epiphany.desktop"),
                                        Url::fromFilePath(system / "org.kde.falkon.desktop")}));
    EXPECT_EQ(std::vector<Url>(handlers.begin() + 2, handlers.end()),
              (std::vector<Url>{
                  userEntry("chromium"), userEntry("com.google.Chrome"), userEntry("firefox-esr"),
                  Url::fromFilePath(system / "org.example.Late.desktop"), userEntry("org.example.Surf")}));
    EXPECT_EQ(workspace->urlsForApplicationsToOpen(*Url::parse("mailto:a@example.com")),
              std::vector<Url>{userEntry("claws-mail")});
}

TEST_F(LinuxBrowsersTest, BrowsersOfferTheirPrivateWindowsAndProfiles) {
    Strings offered;
    for (const auto& application : scanner.scan(LinkScheme::Kind::web, Localization::english())) {
        offered.push_back(application.id() + " = " + application.name());
    }
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered,
              (Strings{
                  "chromium = Chromium Web Browser",
                  "chromium#private = Chromium Web Browser (Incognito)",
                  "chromium#profile:Default = Chromium Web Browser \u2014 Personal",
                  "chromium#profile:Profile 1 = Chromium Web Browser \u2014 Work",
                  "com.google.Chrome = Google Chrome",
                  "com.google.Chrome#private = Google Chrome (Incognito)",
                  "com.google.Chrome#profile:Default = Google Chrome \u2014 Person 1",
                  "com.google.Chrome#profile:Profile 2 = Google Chrome \u2014 Side",
                  "firefox-esr = Firefox ESR",
                  "firefox-esr#private = Firefox ESR (Private)",
                  "firefox-esr#profile:" + firefoxProfile("a1b2c3d4.default-esr") +
                      " = Firefox ESR \u2014 default-esr",
                  "firefox-esr#profile:" + firefoxProfile("e5f6g7h8.work") + " = Firefox ESR \u2014 work",
                  "org.example.Late = Late",
                  "org.example.Surf = Surf",
                  "org.example.Surf#private = Surf (Private)",
                  "org.gnome.Epiphany = Web",
                  "org.gnome.Epiphany#private = Web (Incognito)",
                  "org.kde.falkon = Falkon",
                  "org.kde.falkon#private = Falkon (Private)",
              }));
    EXPECT_EQ(personas->profiles("firefox-esr").front().displayName, "default-esr");  // the install's default
}

// Each entry of the scan, opened with a link, reaches its program with the arguments that browser expects:
// private windows by switch or by the entry's own action, profiles by folder, Flatpak's wrapper kept.
TEST_F(LinuxBrowsersTest, LinksReachTheBrowsersProgramsWithTheirArguments) {
    std::vector<OpenNotice> notices;
    WorkspaceApplicationOpener opener(
        workspace, [&](const OpenNotice& notice) { notices.push_back(notice); }, personas,
        std::make_shared<AppleScriptRunner>());
    const std::string link = "https://example.com/a?b=c";
    const Strings flatpak{"run",
                          "--branch=stable",
                          "--arch=x86_64",
                          "--command=/app/bin/chrome",
                          "--file-forwarding",
                          "com.google.Chrome",
                          "@@u",
                          "@@"};
    auto inFlatpak = [&](Strings arguments) {
        arguments.insert(arguments.begin(), flatpak.begin(), flatpak.end());
        return arguments;
    };
    const std::tuple<std::string, std::string, Strings> cases[] = {
        {"chromium#private", "chromium", {"--incognito", link}},
        {"chromium#profile:Profile 1", "chromium", {"--profile-directory=Profile 1", link}},
        {"com.google.Chrome#private", "flatpak", inFlatpak({"--incognito", link})},
        {"com.google.Chrome#profile:Profile 2", "flatpak",
         inFlatpak({"--profile-directory=Profile 2", link})},
        {"firefox-esr#private", "firefox-esr", {"--private-window", link}},
        {"firefox-esr#profile:" + firefoxProfile("e5f6g7h8.work"),
         "firefox-esr",
         {"--profile", firefoxProfile("e5f6g7h8.work"), link}},
        {"org.gnome.Epiphany#private", "epiphany", {"--incognito-mode", link}},
        {"org.kde.falkon#private", "falkon", {"--private-browsing", link}},
        {"org.example.Surf#private", "surf", {"--new-private=" + link}},
        {"org.example.Surf", "surf", {link}},
    };
    auto scanned = scanner.scan(LinkScheme::Kind::web, Localization::english());
    for (const auto& [id, program, arguments] : cases) {
        SCOPED_TRACE(id);
        auto entry =
            std::find_if(scanned.begin(), scanned.end(),
                         [&](const DiscoveredApplication& application) { return application.id() == id; });
        ASSERT_NE(entry, scanned.end());
        EXPECT_EQ(testing::runToEnd(opener.open(*Url::parse(link),
                                                ApplicationTarget(entry->bundleUrl(), entry->variant()))),
                  nullptr);
        EXPECT_EQ(desktop->sandbox->awaitOutput(program), arguments);
    }
    EXPECT_TRUE(notices.empty());
}

}  // namespace
}  // namespace ferrywise::freedesktop
