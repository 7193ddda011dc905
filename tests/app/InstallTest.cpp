// The host's place on the desktop as a user sets it up: `install`, `default`, `login-item`, `uninstall`
// and `demo` run as built in a sandboxed desktop, and judged with the desktop's own tools (xdg-mime,
// desktop-file-validate, gio open).

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "support/ChildProcess.hpp"
#include "support/DesktopSandbox.hpp"

extern char** environ;

namespace ferrywise {
namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;

constexpr const char* hostEntry = "app.velmora.Velmora.desktop";
constexpr const char* notInstalled =
    "ferrywise is not installed as a desktop application; run `ferrywise install` first";

// The environment as the test found it, put back afterwards: the sandbox points it at a folder that goes
// with the test.
class SavedEnvironment {
  public:
    SavedEnvironment() {
        for (char** variable = environ; *variable != nullptr; ++variable) {
            saved_.emplace_back(*variable);
        }
    }
    SavedEnvironment(const SavedEnvironment&) = delete;
    SavedEnvironment& operator=(const SavedEnvironment&) = delete;
    ~SavedEnvironment() {
        ::clearenv();
        for (const auto& variable : saved_) {
            auto equals = variable.find('=');
            ::setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
        }
    }

  private:
    std::vector<std::string> saved_;
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A user's desktop with one browser and one mail client, whose programs record how they were started.
class HostInstallTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox.write("data/applications/org.example.Browser.desktop",
                      "[Desktop Entry]\nType=Application\nName=Browser\nExec=record browser %u\n"
                      "MimeType=x-scheme-handler/http;x-scheme-handler/https;");
        sandbox.write("data/applications/org.example.Mail.desktop",
                      "[Desktop Entry]\nType=Application\nName=Mail\nExec=record mail %u\n"
                      "MimeType=x-scheme-handler/mailto;");
    }

    static testing::ChildRun host(const Arguments& arguments,
                                  const fs::path& program = FERRYWISE_HOST_BINARY) {
        return testing::runChild(program, arguments);
    }

    // The desktop ID xdg-mime names as the scheme's handler; empty when none.
    static std::string handler(const std::string& scheme) {
        auto out =
            testing::runChild("/usr/bin/xdg-mime", {"query", "default", "x-scheme-handler/" + scheme}).out;
        return out.substr(0, out.find('\n'));
    }

    [[nodiscard]] fs::path entry() const { return sandbox.root() / "data/applications" / hostEntry; }

    SavedEnvironment environment;
    testing::DesktopSandbox sandbox;
};

TEST_F(HostInstallTest, WithoutItsEntryTheHostBecomesNothing) {
    const std::tuple<Arguments, int, std::string> cases[] = {
        {{"default"}, 1, notInstalled},
        {{"default", "--web"}, 1, notInstalled},
        {{"login-item", "enable"}, 1, notInstalled},
        {{"open"}, 0, notInstalled},  // as the login item starts it
    };
    for (const auto& [arguments, exitCode, said] : cases) {
        auto run = host(arguments);
        EXPECT_EQ(run.exitCode, exitCode) << arguments.front();
        EXPECT_TRUE(contains(run.err, said)) << run.err;
    }
    EXPECT_TRUE(contains(host({"uninstall"}).out, "nothing to do"));
    EXPECT_FALSE(fs::exists(sandbox.root() / "config/mimeapps.list"));
}

TEST_F(HostInstallTest, InstalledHostBecomesTheHandlerAndSaysSo) {
    auto installed = host({"install"});
    ASSERT_EQ(installed.exitCode, 0) << installed.err;
    EXPECT_TRUE(contains(installed.out, "`ferrywise default --web --mail`"));
    EXPECT_TRUE(fs::exists(entry().parent_path() / "mimeinfo.cache"));  // the cache was refreshed

    ASSERT_EQ(host({"default", "--web"}).exitCode, 0);
    EXPECT_EQ(handler("https"), hostEntry);
    EXPECT_EQ(handler("http"), hostEntry);
    EXPECT_TRUE(contains(host({"default"}).out, "web:      ok\n"));
    EXPECT_TRUE(contains(host({"open"}).err, "ferrywise: web:      ok\n"));
    EXPECT_TRUE(contains(host({"install"}).out, "is up to date"));
}

// The entry's command survives a folder name full of characters the desktop's rules reserve, and the
// desktop then starts the host with the link, which goes on to the browser.
TEST_F(HostInstallTest, TheDesktopStartsTheHostWhereverItLies) {
    const auto folder = sandbox.root() / "odd dir $HOME 'q' \"d\" \\b #";
    fs::create_directories(folder);
    fs::copy_file(FERRYWISE_HOST_BINARY, folder / "ferrywise");
    ASSERT_EQ(host({"install"}, folder / "ferrywise").exitCode, 0);
    EXPECT_EQ(testing::runChild("/usr/bin/desktop-file-validate", {entry().string()}).exitCode, 0);
    ASSERT_EQ(host({"default", "--web"}).exitCode, 0);
    ASSERT_EQ(handler("https"), hostEntry);

    ASSERT_EQ(testing::runChild("/usr/bin/gio", {"open", "https://example.org/page"}).exitCode, 0);
    EXPECT_EQ(sandbox.awaitOutput("browser"), Arguments{"https://example.org/page"});
}

TEST_F(HostInstallTest, UninstallGivesTheLinksBackAndLeavesNothing) {
    ASSERT_EQ(testing::runChild("/usr/bin/xdg-mime",
                                {"default", "org.example.Browser.desktop", "x-scheme-handler/https"})
                  .exitCode,
              0);
    ASSERT_EQ(host({"install"}).exitCode, 0);
    ASSERT_EQ(host({"default", "--web", "--mail"}).exitCode, 0);
    ASSERT_EQ(host({"login-item", "enable"}).exitCode, 0);
    ASSERT_EQ(handler("https"), hostEntry);

    auto uninstalled = host({"uninstall"});
    EXPECT_EQ(uninstalled.exitCode, 0) << uninstalled.err;
    EXPECT_TRUE(contains(uninstalled.out, "https: given back to Browser (it had them before ferrywise)"))
        << uninstalled.out;
    for (auto [scheme, id] : {std::pair{"http", "org.example.Browser.desktop"},
                              {"https", "org.example.Browser.desktop"},
                              {"mailto", "org.example.Mail.desktop"}}) {
        EXPECT_EQ(handler(scheme), id) << scheme;
    }
    EXPECT_FALSE(fs::exists(entry()));
    std::ifstream autostart(sandbox.root() / "config/autostart" / hostEntry);
    EXPECT_TRUE(contains(std::string(std::istreambuf_iterator<char>(autostart), {}), "Hidden=true"));
    EXPECT_TRUE(contains(host({"uninstall"}).out, "nothing to do"));
}

TEST_F(HostInstallTest, LoginItemFollowsEnableAndDisable) {
    ASSERT_EQ(host({"install"}).exitCode, 0);
    for (auto [action, status] : {std::pair{"status", "disabled"},
                                  {"enable", "enabled"},
                                  {"status", "enabled"},
                                  {"disable", "disabled"},
                                  {"status", "disabled"}}) {
        auto run = host({"login-item", action});
        EXPECT_EQ(run.exitCode, 0) << action << ": " << run.err;
        EXPECT_EQ(run.out, std::string(status) + "\n") << action;
    }
}

// Every file under `root` with its size and change time.
std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> filesUnder(const fs::path& root) {
    std::map<fs::path, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& file : fs::recursive_directory_iterator(root)) {
        if (file.is_regular_file()) {
            files[file.path()] = {file.file_size(), file.last_write_time()};
        }
    }
    return files;
}

TEST_F(HostInstallTest, DemoRoutesSampleLinksInItsOwnThrowAwayDesktop) {
    const auto temporary = sandbox.root() / "tmp";
    fs::create_directories(temporary);
    ::setenv("TMPDIR", temporary.c_str(), 1);
    const auto before = filesUnder(sandbox.root());

    auto demo = host({"demo"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    for (const char* shown : {
             "decision:  rule -> firefox-esr\n",
             "decision:  fallback -> chromium\n",
             "decision:  picker\n",
             "received:  firefox-esr https://www.example.com/pricing?plan=team\n",
             "received:  chromium https://github.com/ferrywise/roadmap\n",
             "received:  chromium https://www.youtube.com/watch?v=dQw4w9WgXcQ&t=42\n",
             "received:  chromium --incognito https://bank.example.net/statements\n",
             "received:  chromium '--profile-directory=Profile 1' https://work.example.net/board\n",
             "received:  claws-mail mailto:crew@example.org?subject=Timetable\n",
             "Today in the sandbox: 10 links routed, 2 tracking parameters removed\n",
         }) {
        EXPECT_TRUE(contains(demo.out, shown)) << shown << "\n" << demo.out;
    }
    EXPECT_TRUE(fs::is_empty(temporary));
    EXPECT_EQ(filesUnder(sandbox.root()), before);
}

}  // namespace
}  // namespace ferrywise
