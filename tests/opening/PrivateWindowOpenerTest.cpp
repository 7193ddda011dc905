#include "ferrywise/opening/PrivateWindowOpener.hpp"

#include <gtest/gtest.h>

#include "ferrywise/opening/RunningApplicationChecking.hpp"

#include "support/Coroutines.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/RecordingScriptRunner.hpp"

namespace ferrywise {
namespace {

namespace asio = boost::asio;
using testing::RecordingScriptRunner;
using testing::runToEnd;
using testing::thrownAs;

std::optional<PrivateWindowError> privateWindowError(const std::exception_ptr& thrown) {
    return thrownAs<PrivateWindowError>(thrown);
}

// Reads the AppleScript string literal that starts at `open` (a double quote): returns its text and the
// offset after its closing quote.
std::pair<std::string, std::size_t> scriptString(std::string_view script, std::size_t open) {
    std::string text;
    for (auto i = open + 1; i < script.size(); ++i) {
        if (script[i] == '\\' && i + 1 < script.size()) {
            text += script[++i];
        } else if (script[i] == '"') {
            return {text, i + 1};
        } else {
            text += script[i];
        }
    }
    ADD_FAILURE() << "unterminated string in " << script;
    return {text, script.size()};
}

class PrivateWindowOpenerTest : public ::testing::Test {
  protected:
    struct LaunchRecord {
        Url bundleUrl;
        std::vector<std::string> arguments;
    };

    PrivateWindowOpener makeOpener() {
        return PrivateWindowOpener(
            runner,
            [this](Url bundleUrl, std::vector<std::string> arguments) -> asio::awaitable<void> {
                launches.push_back({std::move(bundleUrl), std::move(arguments)});
                co_return;
            },
            [this](std::string bundleIdentifier) -> asio::awaitable<bool> {
                runningAsked.push_back(bundleIdentifier);
                co_return running;
            });
    }

    std::exception_ptr open(std::string_view bundleIdentifier) {
        auto opener = makeOpener();
        return runToEnd(opener.open(link, bundle, std::string(bundleIdentifier)));
    }

    std::shared_ptr<RecordingScriptRunner> runner = std::make_shared<RecordingScriptRunner>();
    std::vector<LaunchRecord> launches;
    std::vector<std::string> runningAsked;
    bool running = false;
    Url link = *Url::parse("https://example.com/a?q=1#top");
    Url bundle = Url::fromFilePath("/usr/share/applications/browser.desktop");
};

TEST_F(PrivateWindowOpenerTest, FirefoxIsAlwaysLaunchedWithItsSwitch) {
    running = true;
    EXPECT_EQ(open("org.mozilla.firefox"), nullptr);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].bundleUrl, bundle);
    EXPECT_EQ(launches[0].arguments,
              (std::vector<std::string>{"-private-window", "https://example.com/a?q=1#top"}));
    EXPECT_TRUE(runner->scripts.empty());
    EXPECT_TRUE(runningAsked.empty());
}

TEST_F(PrivateWindowOpenerTest, ChromiumIsLaunchedWhenIdleAndScriptedWhenRunning) {
    EXPECT_EQ(open("com.microsoft.edgemac"), nullptr);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].arguments,
              (std::vector<std::string>{"--inprivate", "https://example.com/a?q=1#top"}));
    EXPECT_TRUE(runner->scripts.empty());

    running = true;
    EXPECT_EQ(open("com.microsoft.edgemac"), nullptr);
    EXPECT_EQ(launches.size(), 1u);
    ASSERT_EQ(runner->scripts.size(), 1u);
    EXPECT_EQ(runner->scripts[0],
              "tell application id \"com.microsoft.edgemac\"\n"
              "    activate\n"
              "    set newWindow to make new window with properties {mode:\"incognito\"}\n"
              "    set URL of active tab of newWindow to \"https://example.com/a?q=1#top\"\n"
              "end tell");
    EXPECT_EQ(runningAsked, (std::vector<std::string>{"com.microsoft.edgemac", "com.microsoft.edgemac"}));
}

TEST_F(PrivateWindowOpenerTest, SafariAndItsPreviewUseTheSafariScript) {
    EXPECT_EQ(open("com.apple.SafariTechnologyPreview"), nullptr);
    ASSERT_EQ(runner->scripts.size(), 1u);
    EXPECT_EQ(runner->scripts[0], PrivateWindowOpener::safariScript("https://example.com/a?q=1#top"));
    EXPECT_TRUE(launches.empty());
}

TEST_F(PrivateWindowOpenerTest, FailuresReachTheCallerUnchanged) {
    auto unsupported = privateWindowError(open("org.gnome.Epiphany"));
    ASSERT_TRUE(unsupported);
    EXPECT_EQ(*unsupported, PrivateWindowError::unsupportedBrowser("org.gnome.Epiphany"));
    EXPECT_STREQ(unsupported->what(), "org.gnome.Epiphany has no private mode Velmora knows how to open.");
    EXPECT_TRUE(launches.empty());

    runner->failure =
        std::make_exception_ptr(PrivateWindowError::scriptFailed("Safari did not finish launching."));
    auto failed = privateWindowError(open("com.apple.Safari"));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->which(), PrivateWindowError::Case::scriptFailed);
    EXPECT_STREQ(failed->what(), "Safari did not finish launching.");

    // Here no script can run at all.
    auto opener = PrivateWindowOpener(std::make_shared<AppleScriptRunner>(), nullptr, nullptr);
    auto unavailable = privateWindowError(runToEnd(opener.open(link, bundle, "com.apple.Safari")));
    ASSERT_TRUE(unavailable);
    EXPECT_EQ(*unavailable, PrivateWindowError::scriptFailed(AppleScriptRunner::unavailableMessage));
}

TEST(PrivateWindowScripts, SafariScriptKeepsItsLinesInPlace) {
    auto script = PrivateWindowOpener::safariScript("https://example.com/");
    std::vector<std::string> lines;
    for (std::size_t start = 0;;) {
        auto end = script.find('\n', start);
        lines.emplace_back(script.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 51u);
    const std::map<int, std::string> expected = {
        {1, R"(tell application "Safari" to activate)"},
        {14, "set ready to false"},
        {15, "repeat with attempt from 1 to 30"},
        {16, "    try"},
        {17, R"(        tell application "System Events" to get name)"},
        {18, "        set ready to true"},
        {19, "        exit repeat"},
        {20, "    on error"},
        {21, "        delay 0.1"},
        {22, "    end try"},
        {23, "end repeat"},
        {24, R"(if not ready then error "System Events did not start.")"},
        {26, R"(tell application "System Events")"},
        {31, "    set attempts to 0"},
        {32,
         R"(    repeat until ((count of (application processes whose bundle identifier is "com.apple.Safari")) > 0) or attempts > 50)"},
        {33, "        delay 0.1"},
        {34, "        set attempts to attempts + 1"},
        {35, "    end repeat"},
        {37,
         R"(    if (count of (application processes whose bundle identifier is "com.apple.Safari")) is 0 then)"},
        {38, R"(        error "Safari did not finish launching.")"},
        {39, "    end if"},
        {43, R"(    tell (first application process whose bundle identifier is "com.apple.Safari"))"},
        {44, R"(        keystroke "n" using {shift down, command down})"},
        {45, "    end tell"},
        {46, "end tell"},
        {48, "delay 0.4"},
        {49, R"(tell application "Safari")"},
        {50, R"(    set URL of front document to "https://example.com/")"},
        {51, "end tell"},
    };
    for (int number = 1; number <= 51; ++number) {
        const auto& line = lines[static_cast<std::size_t>(number - 1)];
        if (auto found = expected.find(number); found != expected.end()) {
            EXPECT_EQ(line, found->second) << "line " << number;
        } else if (number == 2 || number == 25 || number == 36 || number == 40 || number == 47) {
            EXPECT_EQ(line, "") << "line " << number;
        } else if (number <= 13) {
            EXPECT_TRUE(line.starts_with("-- ")) << "line " << number << ": " << line;
        } else {
            EXPECT_TRUE(line.starts_with("    -- ")) << "line " << number << ": " << line;  // 27-30, 41-42
        }
    }
}

TEST(PrivateWindowScripts, NoLinkBreaksOutOfItsString) {
    for (std::string_view link :
         {R"(https://a.example/"end tell)", R"(https://a.example/\")", "https://a.example/\\",
          "https://a.example/x\n\"\nend tell\ndo shell script \"id", "\\\\\"\"\\"}) {
        SCOPED_TRACE(link);
        for (const auto& script : {PrivateWindowOpener::chromiumScript("com.google.Chrome", link),
                                   PrivateWindowOpener::safariScript(link)}) {
            auto open = script.rfind("to \"") + 3;
            auto [text, after] = scriptString(script, open);
            EXPECT_EQ(text, link);
            EXPECT_EQ(script.substr(after), "\nend tell");
        }
    }
    EXPECT_EQ(PrivateWindowOpener::escapedForScript(R"(a\"b)"), R"(a\\\"b)");
}

TEST(WorkspaceRunningApplicationChecker, AsksTheWorkspaceByBundleIdentifier) {
    auto workspace = std::make_shared<testing::FakeWorkspace>();
    WorkspaceRunningApplicationChecker checker(workspace);
    EXPECT_FALSE(checker.isRunning("org.mozilla.firefox"));
    RunningApplication firefox;
    firefox.bundleIdentifier = "org.mozilla.firefox";
    workspace->setRunning({firefox});
    EXPECT_TRUE(checker.isRunning("org.mozilla.firefox"));
    EXPECT_FALSE(checker.isRunning("org.mozilla.Firefox"));
}

}  // namespace
}  // namespace ferrywise
