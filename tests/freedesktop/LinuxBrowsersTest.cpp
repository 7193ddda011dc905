// The browsers and mail clients as a Linux user has them: desktop entries written as the distributions and
// Flatpak write them, whose programs record their arguments, found with and without mimeinfo.cache,
// offered with their private windows and profiles, and opened with the arguments each browser expects.

#include <algorithm>
#include <cstdlib>

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

constexpr auto flatpakChrome = "BIN/flatpak run --branch=stable --arch=x86_64 --command=/app/bin/chrome";

// User entries (no cache): Debian's chromium and firefox-esr, Flathub's Chrome, an unknown browser whose only
// clue is its private-window action, and a mail client. System entries, with the cache that
// update-desktop-database writes: Epiphany and Falkon as Debian ships them, and a browser the user removed
// from the web links in mimeapps.list. Programs are found on PATH, where each records its arguments.
class LinuxDesktop : public ::testing::Environment {
  public:
    void SetUp() override {
        sandbox = std::make_unique<testing::DesktopSandbox>();
        for (std::string program :
             {"chromium", "firefox-esr", "flatpak", "surf", "epiphany", "falkon", "claws-mail"}) {
            sandbox->write("bin/" + program, "#!/bin/sh\nexec record " + program + " \"$@\"", true);
        }
        const std::string web =
            "\nCategories=Network;WebBrowser;\nMimeType=text/html;x-scheme-handler/http;"
            "x-scheme-handler/https;\n";
        const std::pair<std::string, std::string> entries[] = {
            {"data/applications/chromium",
             "Version=1.0\nName=Chromium Web Browser\nExec=BIN/chromium %U\nTerminal=false\n"
             "X-MultipleArgs=false\nIcon=chromium" +
                 web + "StartupWMClass=chromium"},
            {"data/applications/firefox-esr",
             "Name=Firefox ESR\nExec=BIN/firefox-esr %u\nIcon=firefox-esr" + web},
            {"data/applications/com.google.Chrome",
             std::string("Name=Google Chrome\nExec=") + flatpakChrome +
                 " --file-forwarding com.google.Chrome @@u %U @@\nIcon=com.google.Chrome" + web +
                 "Actions=new-window;new-private-window;\nX-Flatpak=com.google.Chrome\n\n"
                 "[Desktop Action new-window]\nName=New Window\nExec=" +
                 flatpakChrome +
                 " com.google.Chrome\n\n"
                 "[Desktop Action new-private-window]\nName=New Incognito Window\nExec=" +
                 flatpakChrome + " com.google.Chrome --incognito"},
            {"data/applications/org.example.Surf",
             "Name=Surf\nExec=surf %u" + web +
                 "Actions=new-private-window;\n\n[Desktop Action new-private-window]\nName=Neues privates "
                 "Fenster\nExec=surf --new-private %u"},
            {"data/applications/claws-mail",
             "Name=Claws Mail\nExec=claws-mail %u\nMimeType=x-scheme-handler/mailto;\nActions=GetMail;\n\n"
             "[Desktop Action GetMail]\nExec=claws-mail --receive-all\nName=Get Mail"},
            {"system/applications/org.gnome.Epiphany",
             "Name=Web\nExec=epiphany %U" + web +
                 "Actions=new-window;Incognito;\n\n[Desktop Action new-window]\nName=New "
                 "Window\nExec=epiphany "
                 "--new-window %U\n\n[Desktop Action Incognito]\nName=New Incognito Window\nExec=epiphany "
                 "--incognito-mode %U"},
            {"system/applications/org.kde.falkon",
             "Name=Falkon\nExec=falkon %u" + web +
                 "Actions=NewTab;PrivateBrowsing;\n\n[Desktop Action NewTab]\nName=Open new tab\nExec=falkon "
                 "--new-tab\n\n[Desktop Action PrivateBrowsing]\nName=Start private browsing\nExec=falkon "
                 "--private-browsing"},
            {"system/applications/org.example.Removed", "Name=Removed\nExec=surf %u" + web},
        };
        // The distributions' absolute program paths, moved into the sandbox.
        const auto bin = (sandbox->root() / "bin").string();
        for (auto [path, body] : entries) {
            for (auto at = body.find("BIN/"); at != std::string::npos; at = body.find("BIN/", at)) {
                body.replace(at, 3, bin);
            }
            sandbox->write(path + ".desktop", "[Desktop Entry]\nType=Application\n" + body);
        }
        sandbox->write("config/mimeapps.list",
                       "[Removed Associations]\nx-scheme-handler/http=org.example.Removed.desktop;\n"
                       "x-scheme-handler/https=org.example.Removed.desktop;");
        auto system = sandbox->root() / "system/applications";
        ASSERT_EQ(std::system(("update-desktop-database " + system.string()).c_str()), 0);
        ASSERT_TRUE(std::filesystem::exists(system / "mimeinfo.cache"));
        // Profiles as the browsers write them: Chromium in ~/.config, Chrome in its Flatpak folder, Firefox
        // ESR in ~/.config/mozilla/firefox with its install's default.
        sandbox->write(
            "config/chromium/Local State",
            R"({"profile": {"info_cache": {"Default": {"name": "Personal"}, "Profile 1": {"name": "Work"}}}})");
        sandbox->write(
            "home/.var/app/com.google.Chrome/config/google-chrome/Local State",
            R"({"profile": {"info_cache": {"Default": {"name": "Person 1"}, "Profile 2": {"name": "Side"}}}})");
        sandbox->write(
            "config/mozilla/firefox/profiles.ini",
            "[Install3F4E]\nDefault=a1.default-esr\nLocked=1\n\n[Profile1]\nName=work\nIsRelative=1\n"
            "Path=b2.work\n\n[Profile0]\nName=default-esr\nIsRelative=1\nPath=a1.default-esr\n\n"
            "[General]\nStartWithLastProfile=1\nVersion=2");
        sandbox->write("config/mozilla/firefox/installs.ini", "[3F4E]\nDefault=a1.default-esr\nLocked=1");
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

// GIO's own lookup sees only entries a folder's cache lists; the rest follow by desktop ID. The entry the
// user removed from the web links stays out although its MimeType names them.
TEST_F(LinuxBrowsersTest, EveryEntryIsFoundWithAndWithoutACache) {
    auto handlers = workspace->urlsForApplicationsToOpen(*Url::parse("http://example.com/"));
    ASSERT_EQ(handlers.size(), 6U);
    auto system = desktop->sandbox->root() / "system/applications";
    std::vector<Url> cached(handlers.begin(), handlers.begin() + 2);
    std::sort(cached.begin(), cached.end(),
              [](const Url& a, const Url& b) { return a.absoluteString() < b.absoluteString(); });
    EXPECT_EQ(cached, (std::vector<Url>{Url::fromFilePath(system / "org.gnome.Epiphany.desktop"),
                                        Url::fromFilePath(system / "org.kde.falkon.desktop")}));
    EXPECT_EQ(std::vector<Url>(handlers.begin() + 2, handlers.end()),
              (std::vector<Url>{userEntry("chromium"), userEntry("com.google.Chrome"),
                                userEntry("firefox-esr"), userEntry("org.example.Surf")}));
    EXPECT_EQ(workspace->urlsForApplicationsToOpen(*Url::parse("mailto:a@example.com")),
              std::vector<Url>{userEntry("claws-mail")});
}

TEST_F(LinuxBrowsersTest, BrowsersOfferTheirPrivateWindowsAndProfiles) {
    Strings offered;
    for (const auto& application : scanner.scan(LinkScheme::Kind::web, Localization::english())) {
        offered.push_back(application.id() + " = " + application.name());
    }
    std::sort(offered.begin(), offered.end());
    EXPECT_EQ(offered, (Strings{
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
                           "firefox-esr#profile:" + firefoxProfile("a1.default-esr") +
                               " = Firefox ESR \u2014 default-esr",
                           "firefox-esr#profile:" + firefoxProfile("b2.work") + " = Firefox ESR \u2014 work",
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
        {"firefox-esr#profile:" + firefoxProfile("b2.work"),
         "firefox-esr",
         {"--profile", firefoxProfile("b2.work"), link}},
        {"org.gnome.Epiphany#private", "epiphany", {"--incognito-mode", link}},
        {"org.kde.falkon#private", "falkon", {"--private-browsing", link}},
        {"org.example.Surf#private", "surf", {"--new-private", link}},
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
