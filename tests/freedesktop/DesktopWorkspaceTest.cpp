#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "ferrywise/system/DefaultHandler.hpp"

#include "support/Coroutines.hpp"
#include "support/DesktopSandbox.hpp"

namespace ferrywise::freedesktop {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// The sandbox's entries. Ids without "org.example." and ".desktop": Alpha (absolute Icon), Beta (themed
// Icon) and Gamma (system folder) handle https, MailOne and MailTwo mailto; Alpha and Recorder record their
// arguments; Recorder's Exec uses quoting and field codes; Launched writes "<its pid> <its child's pid>" to
// out/launched and keeps running; the program of Missing and the interpreter of Broken do not exist; NoName
// has no Name. elsewhere/Portable.desktop lies outside the data folders. mimeapps.list adds Beta to the
// https handlers (first) and sets the defaults: https Alpha, mailto MailOne.
class DesktopEntries : public ::testing::Environment {
  public:
    void SetUp() override {
        sandbox = std::make_unique<ferrywise::testing::DesktopSandbox>();
        root = sandbox->root();
        sandbox->write("bin/launched",
                       "#!/bin/sh\nexec >/dev/null 2>&1; sleep 20 & echo \"$$ $!\" > $OUT/l && mv $OUT/l "
                       "$OUT/launched; wait",
                       true);
        sandbox->write("bin/broken", "#!/nonexistent/interpreter", true);
        const std::string https = "\nMimeType=x-scheme-handler/https;",
                          mailto = "\nMimeType=x-scheme-handler/mailto;";
        const std::pair<std::string, std::string> entries[] = {
            {"Alpha",
             "Name=Alpha\nExec=record alpha %U\nIcon=" + (root / "icons/alpha.png").string() + https},
            {"Beta", "Name=Beta\nExec=true %u\nIcon=beta-browser" + https},
            {"MailOne", "Name=Mail One\nExec=true %u" + mailto},
            {"MailTwo", "Name=Mail Two\nExec=true %u" + mailto},
            {"Recorder",
             "Name=Recorder\nIcon=recorder-icon\nExec=record recorder \"two words\" 100%% %i %c %U"},
            {"Launched", "Name=Launched\nExec=launched"},
            {"Missing", "Name=Missing\nExec=\"" + (root / "bin/not-there").string() + "\" %U"},
            {"Broken", "Name=Broken\nExec=broken"},
            {"NoName", "Exec=record noname"},
            {"/system/applications/org.example.Gamma", "Name=Gamma\nExec=true %U" + https},
            {"/elsewhere/Portable", "Name=Portable\nExec=true"},
        };
        for (const auto& [id, body] : entries) {  // a path from the root, or an id in the user's data folder
            auto path = id.starts_with("/") ? id.substr(1) : "data/applications/org.example." + id;
            sandbox->write(path + ".desktop", "[Desktop Entry]\nType=Application\n" + body);
        }
        // What update-desktop-database writes from the MimeType keys; GIO reads the handlers from it.
        sandbox->write(
            "data/applications/mimeinfo.cache",
            "[MIME Cache]\nx-scheme-handler/https=org.example.Alpha.desktop;org.example.Beta.desktop;\n"
            "x-scheme-handler/mailto=org.example.MailOne.desktop;org.example.MailTwo.desktop;");
        sandbox->write("system/applications/mimeinfo.cache",
                       "[MIME Cache]\nx-scheme-handler/https=org.example.Gamma.desktop;");
        sandbox->write("config/mimeapps.list",
                       "[Added Associations]\nx-scheme-handler/https=org.example.Beta.desktop;\n"
                       "[Default Applications]\nx-scheme-handler/https=org.example.Alpha.desktop\n"
                       "x-scheme-handler/mailto=org.example.MailOne.desktop");
    }
    void TearDown() override { sandbox.reset(); }

    std::unique_ptr<ferrywise::testing::DesktopSandbox> sandbox;
    fs::path root;
};

auto* const sandbox = static_cast<DesktopEntries*>(::testing::AddGlobalTestEnvironment(new DesktopEntries));

// The entry org.example.<name> in the user's data folder.
fs::path entryFile(const std::string& name) {
    return sandbox->root / "data/applications" / ("org.example." + name + ".desktop");
}

Url entry(const std::string& name) {
    return Url::fromFilePath(entryFile(name));
}

fs::path writeNotes() {
    std::ofstream(sandbox->root / "notes.txt") << "not an application\n";
    return sandbox->root / "notes.txt";
}

Strings awaitOutput(const std::string& name) {
    return sandbox->sandbox->awaitOutput(name);
}

using ferrywise::testing::awaitResult;

class DesktopWorkspaceTest : public ::testing::Test {
  protected:
    // Kills the processes of `pids` when the test ends, however it ends, and reaps those that are ours.
    ~DesktopWorkspaceTest() override {
        for (pid_t pid : pids) {
            if (pid > 0) {  // never 0, which would be the whole process group
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    }

    std::shared_ptr<Workspace> workspace = makeDesktopWorkspace();
    std::vector<pid_t> pids;
};

// The user's added association first, then the data folders in order; Beta only once. An entry whose
// program is not installed is not an installed application.
TEST_F(DesktopWorkspaceTest, FindsApplicationsAndSchemeHandlersInRegistryOrder) {
    auto gamma = Url::fromFilePath(sandbox->root / "system/applications/org.example.Gamma.desktop");
    EXPECT_EQ(workspace->urlForApplication("org.example.Alpha"), entry("Alpha"));
    EXPECT_EQ(workspace->urlForApplication("org.example.Absent"), std::nullopt);
    EXPECT_EQ(workspace->urlForApplication("org.example.Missing"), std::nullopt);
    EXPECT_EQ(workspace->urlsForApplicationsToOpen(*Url::parse("HTTPS://example.com/")),
              (std::vector<Url>{entry("Beta"), entry("Alpha"), gamma}));
    EXPECT_TRUE(workspace->urlsForApplicationsToOpen(*Url::parse("ftp://example.com/")).empty());
}

TEST_F(DesktopWorkspaceTest, ChangesTheDefaultHandlerOfOneValidSchemeOnly) {
    auto mail = *Url::parse("mailto:someone@example.com");
    EXPECT_EQ(workspace->urlForApplicationToOpen(mail), entry("MailOne"));
    EXPECT_THROW(workspace->setDefaultApplication(entry("Beta"), "not a scheme"), WorkspaceError);
    workspace->setDefaultApplication(entry("MailTwo"), "MailTo");
    EXPECT_EQ(workspace->urlForApplicationToOpen(mail), entry("MailTwo"));
    EXPECT_EQ(workspace->urlForApplicationToOpen(*Url::parse("https://example.com/")), entry("Alpha"));
    std::ifstream list(sandbox->root / "config/mimeapps.list");
    EXPECT_THAT(std::string(std::istreambuf_iterator<char>(list), {}),
                HasSubstr("x-scheme-handler/mailto=org.example.MailTwo.desktop"));
}

// What `xdg-mime <arguments>` prints, without its line break.
std::string xdgMime(const std::string& arguments) {
    std::string output;
    if (FILE* pipe = ::popen(("xdg-mime " + arguments + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            output += buffer;
        }
        ::pclose(pipe);
    }
    return output.ends_with('\n') ? output.substr(0, output.size() - 1) : output;
}

// The library and the desktop's own tool agree on the default handlers both ways, and the host reached
// through a symbolic link to its entry is the host.
TEST_F(DesktopWorkspaceTest, DefaultHandlersRoundTripWithTheDesktopsOwnTool) {
    fs::create_directories(sandbox->root / "links");
    fs::create_symlink(entryFile("Beta"), sandbox->root / "links/host.desktop");
    DefaultHandlerService host(workspace, entry("Beta")),
        linked(workspace, Url::fromFilePath(sandbox->root / "links/host.desktop"));
    EXPECT_FALSE(linked.isDefaultHandler(LinkScheme::Kind::web));
    bool handled = false;
    auto request = [&]() -> boost::asio::awaitable<void> {
        handled = co_await host.requestDefaultHandler(LinkScheme::Kind::web);
    };
    EXPECT_EQ(testing::runToEnd(request()), nullptr);
    EXPECT_TRUE(handled);
    EXPECT_EQ(xdgMime("query default x-scheme-handler/https"), "org.example.Beta.desktop");
    EXPECT_EQ(xdgMime("query default x-scheme-handler/http"), "org.example.Beta.desktop");
    EXPECT_TRUE(linked.isDefaultHandler(LinkScheme::Kind::web));

    ASSERT_EQ(xdgMime("default org.example.Alpha.desktop x-scheme-handler/https"), "");
    // GIO notices the changed file through a file monitor, on its own time.
    auto handler = awaitResult([&] {
        auto url = host.currentHandlerUrl(LinkScheme::https);
        return url && *url != entry("Beta") ? std::string(url->absoluteString()) : std::string();
    });
    EXPECT_EQ(handler, entry("Alpha").absoluteString());
    EXPECT_FALSE(linked.isDefaultHandler(LinkScheme::Kind::web));
}

// Outside the data folders an entry has no desktop-file ID and its file name stands in; without a Name the
// file name is the display name. GIO adds the symbolic variant after a themed icon's name.
TEST_F(DesktopWorkspaceTest, ReadsBundlesDisplayNamesAndIcons) {
    EXPECT_EQ(workspace->bundleInfo(Url::fromFilePath(sandbox->root / "elsewhere/Portable.desktop")),
              (BundleInfo{"Portable", "Portable", {}}));
    EXPECT_EQ(workspace->bundleInfo(entry("NoName")),
              (BundleInfo{"org.example.NoName", "org.example.NoName.desktop", {}}));
    EXPECT_EQ(workspace->bundleInfo(Url::fromFilePath(writeNotes())), std::nullopt);
    EXPECT_EQ(workspace->displayName(sandbox->root / "absent/folder/"), "folder");
    EXPECT_EQ(workspace->iconForFile(entryFile("Alpha")),
              (WorkspaceIcon{sandbox->root / "icons/alpha.png", {}}));
    EXPECT_EQ(workspace->iconForFile(entryFile("Beta")),
              (WorkspaceIcon{std::nullopt, {"beta-browser", "beta-browser-symbolic"}}));
}

// Exec's own words come first ("two words" quoted, 100%%, %i, %c; %U gone without files), then ours
// verbatim: nothing reaches a shell.
TEST_F(DesktopWorkspaceTest, HandsArgumentsAndUrlsOverUnchanged) {
    auto marker = sandbox->root / "shell-ran";
    auto touch = "touch " + marker.string();
    Strings arguments{"two words",       "it's \"quoted\"", "",  "$(" + touch + ")",
                      "`" + touch + "`", "a;b|c > d",       "%U"};
    workspace->openApplication(entry("Recorder"), {.arguments = arguments});
    Strings expected{"two words", "100%", "--icon", "recorder-icon", "Recorder"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(awaitOutput("recorder"), expected);
    EXPECT_FALSE(fs::exists(marker));
    Strings urls{"https://example.com/a%20b?q=1&r=$(x)#top", "https://example.org/"};
    workspace->openUrls({*Url::parse(urls[0]), *Url::parse(urls[1])}, entry("Alpha"), {});
    EXPECT_EQ(awaitOutput("alpha"), urls);
}

TEST_F(DesktopWorkspaceTest, FailedLaunchesThrowWithTheReason) {
    const std::pair<std::string, std::string> cases[] = {
        {"Missing", "\"" + (sandbox->root / "bin/not-there").string() + "\" is not installed"},
        {"Broken", "Could not start Broken: "},
        {"Absent", "Could not read the application entry"}};
    for (const auto& [name, reason] : cases) {
        EXPECT_THAT([&] { workspace->openApplication(entry(name), {.arguments = {"x"}}); },
                    ThrowsMessage<WorkspaceError>(HasSubstr(reason)))
            << name;
    }
}

// The launched script's child inherits the launch variables but not the PID and must not count again.
TEST_F(DesktopWorkspaceTest, RunningApplicationsAreLaunchedEntriesButNotTheirChildren) {
    workspace->openApplication(entry("Launched"), {});
    auto launched = awaitOutput("launched");
    ASSERT_EQ(launched.size(), 1U) << "the application did not start";
    std::istringstream words(launched.front());
    for (pid_t pid = 0; words >> pid;) {
        pids.push_back(pid);
    }
    EXPECT_EQ(awaitResult(
                  [&] { return workspace->runningApplicationsWithBundleIdentifier("org.example.Launched"); }),
              (std::vector<RunningApplication>{
                  {"org.example.Launched", "Launched", entry("Launched"), ActivationPolicy::regular}}));
}

}  // namespace
}  // namespace ferrywise::freedesktop
