#include "ferrywise/freedesktop/DesktopWorkspace.hpp"

#include <csignal>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "freedesktop/DesktopSandbox.hpp"

extern char** environ;

namespace ferrywise::freedesktop {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

auto* const sandbox = static_cast<ferrywise::testing::DesktopSandbox*>(
    ::testing::AddGlobalTestEnvironment(new ferrywise::testing::DesktopSandbox));

Url entryUrl(std::string_view id) {
    return Url::fromFilePath(sandbox->entry(id));
}

Url systemEntryUrl(std::string_view id) {
    return Url::fromFilePath(sandbox->root() / "system" / "applications" / (std::string(id) + ".desktop"));
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream stream(path);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

std::filesystem::path writeNotes() {
    auto path = sandbox->root() / "notes.txt";
    std::ofstream(path) << "not an application\n";
    return path;
}

// Kills the processes when the test ends, however it ends, and reaps those that are our children.
class ProcessGuard {
  public:
    ProcessGuard() = default;
    ProcessGuard(const ProcessGuard&) = delete;
    ProcessGuard& operator=(const ProcessGuard&) = delete;
    ~ProcessGuard() {
        for (pid_t pid : pids_) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    void add(pid_t pid) { pids_.push_back(pid); }

  private:
    std::vector<pid_t> pids_;
};

// Waits for the running applications to list `id` and returns its entries.
std::vector<RunningApplication> awaitRunning(const Workspace& workspace, std::string_view id) {
    std::vector<RunningApplication> found;
    ferrywise::testing::pollUntil([&] {
        found = workspace.runningApplicationsWithBundleIdentifier(id);
        return !found.empty();
    });
    return found;
}

TEST(DesktopWorkspace, FindsInstalledApplicationsByIdentifier) {
    auto workspace = makeDesktopWorkspace();
    EXPECT_EQ(workspace->urlForApplication("org.example.Alpha"), entryUrl("org.example.Alpha"));
    EXPECT_EQ(workspace->urlForApplication("org.example.Gamma"), systemEntryUrl("org.example.Gamma"));
    EXPECT_EQ(workspace->urlForApplication("org.example.Absent"), std::nullopt);
    EXPECT_EQ(workspace->urlForApplication(""), std::nullopt);
    // An entry whose program is not installed is not an installed application.
    EXPECT_EQ(workspace->urlForApplication("org.example.Missing"), std::nullopt);
}

TEST(DesktopWorkspace, ListsSchemeHandlersInRegistryOrder) {
    auto workspace = makeDesktopWorkspace();
    // The user's added association first, then the data folders in order; Beta only once.
    EXPECT_THAT(workspace->urlsForApplicationsToOpen(*Url::parse("HTTPS://example.com/")),
                ElementsAre(entryUrl("org.example.Beta"), entryUrl("org.example.Alpha"),
                            systemEntryUrl("org.example.Gamma")));
    EXPECT_THAT(workspace->urlsForApplicationsToOpen(*Url::parse("ftp://example.com/")), IsEmpty());
    EXPECT_THAT(workspace->urlsForApplicationsToOpen(*Url::parse("relative/path")), IsEmpty());
}

TEST(DesktopWorkspace, ReadsAndChangesTheDefaultHandler) {
    auto workspace = makeDesktopWorkspace();
    auto https = *Url::parse("https://example.com/");
    auto mail = *Url::parse("mailto:someone@example.com");
    EXPECT_EQ(workspace->urlForApplicationToOpen(https), entryUrl("org.example.Alpha"));
    EXPECT_EQ(workspace->urlForApplicationToOpen(mail), entryUrl("org.example.MailOne"));
    EXPECT_EQ(workspace->urlForApplicationToOpen(*Url::parse("ftp://example.com/")), std::nullopt);

    workspace->setDefaultApplication(entryUrl("org.example.MailTwo"), "MailTo");
    EXPECT_EQ(workspace->urlForApplicationToOpen(mail), entryUrl("org.example.MailTwo"));
    EXPECT_EQ(workspace->urlForApplicationToOpen(https), entryUrl("org.example.Alpha"));
    EXPECT_THAT(readFile(sandbox->userConfig() / "mimeapps.list"),
                HasSubstr("x-scheme-handler/mailto=org.example.MailTwo.desktop"));
}

TEST(DesktopWorkspace, RefusesDefaultHandlersThatAreNotApplications) {
    auto workspace = makeDesktopWorkspace();
    EXPECT_THROW(workspace->setDefaultApplication(Url::fromFilePath(writeNotes()), "https"), WorkspaceError);
    EXPECT_THROW(workspace->setDefaultApplication(entryUrl("org.example.Absent"), "https"), WorkspaceError);
    EXPECT_THROW(workspace->setDefaultApplication(*Url::parse("https://example.com/a.desktop"), "https"),
                 WorkspaceError);
    EXPECT_THROW(workspace->setDefaultApplication(entryUrl("org.example.Beta"), "not a scheme"),
                 WorkspaceError);
    EXPECT_EQ(workspace->urlForApplicationToOpen(*Url::parse("https://example.com/")),
              entryUrl("org.example.Alpha"));
}

TEST(DesktopWorkspace, ReadsBundlesAndDisplayNames) {
    auto workspace = makeDesktopWorkspace();
    auto portable = sandbox->root() / "elsewhere" / "Portable.desktop";
    auto notes = writeNotes();
    EXPECT_EQ(workspace->bundleInfo(entryUrl("org.example.Alpha")),
              (BundleInfo{"org.example.Alpha", "Alpha"}));
    // Outside the data folders an entry has no desktop-file ID; its file name stands in.
    EXPECT_EQ(workspace->bundleInfo(Url::fromFilePath(portable)), (BundleInfo{"Portable", "Portable"}));
    EXPECT_EQ(workspace->bundleInfo(entryUrl("org.example.NoName")),
              (BundleInfo{"org.example.NoName", "org.example.NoName.desktop"}));
    EXPECT_EQ(workspace->bundleInfo(Url::fromFilePath(notes)), std::nullopt);
    EXPECT_EQ(workspace->bundleInfo(entryUrl("org.example.Absent")), std::nullopt);
    EXPECT_EQ(workspace->bundleInfo(*Url::parse("https://example.com/org.example.Alpha.desktop")),
              std::nullopt);

    EXPECT_EQ(workspace->displayName(sandbox->entry("org.example.MailOne")), "Mail One");
    EXPECT_EQ(workspace->displayName(sandbox->entry("org.example.NoName")), "org.example.NoName.desktop");
    EXPECT_EQ(workspace->displayName(notes), "notes.txt");
    EXPECT_EQ(workspace->displayName(sandbox->root() / "absent" / "folder/"), "folder");
}

TEST(DesktopWorkspace, OpenApplicationPassesArgumentsUnchanged) {
    auto workspace = makeDesktopWorkspace();
    auto marker = sandbox->root() / "shell-ran";
    std::vector<std::string> arguments{"two words",
                                       "it's \"quoted\"",
                                       "",
                                       "$(touch " + marker.string() + ")",
                                       "`touch " + marker.string() + "`",
                                       "a;b|c > d",
                                       "%U"};
    workspace->openApplication(entryUrl("org.example.Recorder"), {.arguments = arguments});

    auto lines = sandbox->awaitOutput("recorder");
    ASSERT_TRUE(lines) << "the application did not start";
    // Exec's own words ("two words" quoted, 100%%, %i, %c; %U gone without files), then ours verbatim.
    std::vector<std::string> expected{"two words", "100%", "--icon", "recorder-icon", "Recorder"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(*lines, expected);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(DesktopWorkspace, OpenUrlsHandsTheUrlsToTheApplication) {
    auto workspace = makeDesktopWorkspace();
    std::vector<Url> urls{*Url::parse("https://example.com/a%20b?q=1&r=$(x)#top"),
                          *Url::parse("https://example.org/")};
    workspace->openUrls(urls, entryUrl("org.example.Alpha"), {});
    auto lines = sandbox->awaitOutput("alpha");
    ASSERT_TRUE(lines) << "the application did not start";
    EXPECT_THAT(*lines, ElementsAre("https://example.com/a%20b?q=1&r=$(x)#top", "https://example.org/"));
}

TEST(DesktopWorkspace, OpenUrlUsesTheSchemesDefaultHandler) {
    auto workspace = makeDesktopWorkspace();
    EXPECT_TRUE(workspace->openUrl(*Url::parse("x-ferrywise-test:pane?id=7")));
    auto lines = sandbox->awaitOutput("beta");
    ASSERT_TRUE(lines) << "the handler did not start";
    EXPECT_THAT(*lines, ElementsAre("x-ferrywise-test:pane?id=7"));
    EXPECT_FALSE(workspace->openUrl(*Url::parse("x-nobody-handles:pane")));
}

TEST(DesktopWorkspace, FailedLaunchesThrowWithTheReason) {
    auto workspace = makeDesktopWorkspace();
    auto message = [&](const Url& url, bool withUrls) -> std::string {
        try {
            if (withUrls) {
                workspace->openUrls({*Url::parse("https://example.com/")}, url, {});
            } else {
                workspace->openApplication(url, {.arguments = {"x"}});
            }
        } catch (const WorkspaceError& error) {
            return error.what();
        }
        return "no error";
    };
    auto missing = entryUrl("org.example.Missing");
    EXPECT_THAT(message(missing, false),
                HasSubstr("\"" + (sandbox->root() / "bin" / "not-there").string() + "\" is not installed"));
    EXPECT_THAT(message(missing, true), HasSubstr("is not installed"));
    EXPECT_THAT(message(entryUrl("org.example.Broken"), false), HasSubstr("Could not start Broken: "));
    EXPECT_THAT(message(Url::fromFilePath(writeNotes()), false), HasSubstr("Not the URL of a .desktop file"));
    EXPECT_THAT(message(entryUrl("org.example.Absent"), false),
                HasSubstr("Could not read the application entry"));
}

TEST(DesktopWorkspace, RunningApplicationsIncludeLaunchedEntriesButNotTheirChildren) {
    auto workspace = makeDesktopWorkspace();
    workspace->openApplication(entryUrl("org.example.Launched"), {});
    auto pids = sandbox->awaitOutput("launched");
    ASSERT_TRUE(pids && pids->size() == 1) << "the application did not start";
    ProcessGuard guard;
    std::istringstream words(pids->front());
    for (pid_t pid = 0; words >> pid;) {
        guard.add(pid);
    }

    // The script's child inherits the launch variables but not the PID; it must not count again.
    EXPECT_THAT(awaitRunning(*workspace, "org.example.Launched"),
                ElementsAre(RunningApplication{"org.example.Launched", "Launched",
                                               entryUrl("org.example.Launched"), ActivationPolicy::regular}));
}

TEST(DesktopWorkspace, RunningApplicationsRecogniseInstalledPrograms) {
    auto workspace = makeDesktopWorkspace();
    auto program = sandbox->sleeperProgram().string();
    std::string seconds = "20";
    char* argv[] = {program.data(), seconds.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    ProcessGuard guard;
    guard.add(pid);

    EXPECT_THAT(awaitRunning(*workspace, "org.example.Sleeper"),
                ElementsAre(RunningApplication{"org.example.Sleeper", "Sleeper",
                                               entryUrl("org.example.Sleeper"), ActivationPolicy::regular}));
}

TEST(DesktopWorkspace, ReadsIconsOfEntriesAndFiles) {
    auto workspace = makeDesktopWorkspace();
    EXPECT_EQ(workspace->iconForFile(sandbox->entry("org.example.Alpha")),
              (WorkspaceIcon{sandbox->root() / "icons" / "alpha.png", {}}));
    // GIO adds the symbolic variants after the entry's own name.
    auto themed = workspace->iconForFile(sandbox->entry("org.example.Beta"));
    ASSERT_TRUE(themed);
    EXPECT_EQ(themed->file, std::nullopt);
    EXPECT_THAT(themed->themedNames, ElementsAre("beta-browser", "beta-browser-symbolic"));
    EXPECT_EQ(workspace->iconForFile(sandbox->root() / "elsewhere" / "Portable.desktop"), std::nullopt);
    EXPECT_EQ(workspace->iconForFile(sandbox->root() / "absent.png"), std::nullopt);
    // Other files get their content type's icon (the sandbox has no MIME database, hence no "folder").
    auto folder = workspace->iconForFile(sandbox->root() / "elsewhere");
    ASSERT_TRUE(folder);
    EXPECT_THAT(folder->themedNames, ::testing::Contains("inode-directory"));
}

}  // namespace
}  // namespace ferrywise::freedesktop
