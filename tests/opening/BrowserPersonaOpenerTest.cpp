#include "ferrywise/opening/BrowserPersonaOpener.hpp"

#include <gtest/gtest.h>

#include "ferrywise/opening/PrivateWindowError.hpp"

#include "support/Coroutines.hpp"
#include "support/RecordingScriptRunner.hpp"

namespace ferrywise {
namespace {

namespace asio = boost::asio;
using testing::RecordingScriptRunner;
using testing::runToEnd;
using testing::thrownAs;

const Url link = *Url::parse("https://example.com/a?b=1");
const Url arcBundle = Url::fromFilePath("/opt/arc/arc.desktop");

TEST(ChromiumProfileOpener, LaunchesANewInstanceWithTheProfileSwitch) {
    EXPECT_EQ(ChromiumProfileOpener::arguments(link, "Profile 2"),
              (std::vector<std::string>{"--profile-directory=Profile 2", "https://example.com/a?b=1"}));
    std::vector<std::string> launched;
    bool newInstance = false;
    ChromiumProfileOpener opener(
        [&](Url, std::vector<std::string> arguments, bool asNew) -> asio::awaitable<void> {
            launched = std::move(arguments);
            newInstance = asNew;
            co_return;
        });
    EXPECT_EQ(runToEnd(opener.open(link, arcBundle, "Default")), nullptr);
    EXPECT_EQ(launched, ChromiumProfileOpener::arguments(link, "Default"));
    EXPECT_TRUE(newInstance);
}

TEST(ArcSpaceOpener, ScriptTriesTheIdentifierThenTheTitleWithEverythingEscapedButTheBundleIdentifier) {
    EXPECT_EQ(ArcSpaceOpener::script(link, "company.\"thebrowser", "id\\1", "Work \"A\""),
              "tell application id \"company.\"thebrowser\"\n"
              "    activate\n"
              "    if (count of windows) is 0 then make new window\n"
              "    tell front window\n"
              "        try\n"
              "            tell (first space whose id is \"id\\\\1\")\n"
              "                make new tab with properties {URL:\"https://example.com/a?b=1\"}\n"
              "            end tell\n"
              "        on error\n"
              "            tell (first space whose title is \"Work \\\"A\\\"\")\n"
              "                make new tab with properties {URL:\"https://example.com/a?b=1\"}\n"
              "            end tell\n"
              "        end try\n"
              "    end tell\n"
              "end tell");
}

class ArcSpaceOpenerTest : public ::testing::Test {
  protected:
    ArcSpaceOpener makeOpener() {
        return ArcSpaceOpener(
            runner,
            [this](Url bundleUrl) -> asio::awaitable<void> {
                launches.push_back(std::move(bundleUrl));
                if (launchFailure) {
                    std::rethrow_exception(launchFailure);
                }
                co_return;
            },
            [this](std::string) -> asio::awaitable<bool> {
                ++checks;
                co_return checks > runningAfterChecks;
            },
            [this](std::chrono::milliseconds duration) -> asio::awaitable<void> {
                waits.push_back(duration);
                co_return;
            });
    }

    std::exception_ptr open() {
        auto opener = makeOpener();
        return runToEnd(opener.open(link, arcBundle, "company.thebrowser.Browser", "S1", "Work"));
    }

    std::shared_ptr<RecordingScriptRunner> runner = std::make_shared<RecordingScriptRunner>();
    std::vector<Url> launches;
    std::vector<std::chrono::milliseconds> waits;
    int checks = 0;
    int runningAfterChecks = 0;  // the browser runs once this many checks have said no
    std::exception_ptr launchFailure;
};

TEST_F(ArcSpaceOpenerTest, RunningBrowserGetsTheScriptWithoutALaunch) {
    EXPECT_EQ(open(), nullptr);
    EXPECT_TRUE(launches.empty());
    EXPECT_EQ(
        runner->scripts,
        (std::vector<std::string>{ArcSpaceOpener::script(link, "company.thebrowser.Browser", "S1", "Work")}));
}

TEST_F(ArcSpaceOpenerTest, LaunchedBrowserIsCheckedRightAwayThenEveryTenthOfASecond) {
    runningAfterChecks = 4;  // not running, launched, then three checks say no
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(launches, std::vector<Url>{arcBundle});
    EXPECT_EQ(checks, 5);
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(100)));
    EXPECT_EQ(runner->scripts.size(), 1u);
}

TEST_F(ArcSpaceOpenerTest, BrowserThatNeverComesUpFailsAfterFiftyChecks) {
    runningAfterChecks = 1000;
    auto error = thrownAs<BrowserPersonaError>(open());
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, BrowserPersonaError::browserDidNotLaunch("company.thebrowser.Browser"));
    EXPECT_STREQ(error->what(), "company.thebrowser.Browser did not finish launching.");
    EXPECT_EQ(launches.size(), 1u);
    EXPECT_EQ(checks, 51);  // the first check before the launch, then fifty
    EXPECT_EQ(waits.size(), 50u);
    EXPECT_TRUE(runner->scripts.empty());
}

TEST_F(ArcSpaceOpenerTest, FailuresAreReportedAsPersonaErrorsExceptTheLaunchs) {
    runner->failure = std::make_exception_ptr(PrivateWindowError::scriptFailed("Can't get space 1."));
    auto scriptError = thrownAs<BrowserPersonaError>(open());
    ASSERT_TRUE(scriptError);
    EXPECT_EQ(*scriptError, BrowserPersonaError::scriptFailed("Can't get space 1."));

    runner->failure = std::make_exception_ptr(BrowserPersonaError::personaNotFound("S1"));
    EXPECT_EQ(thrownAs<BrowserPersonaError>(open()), BrowserPersonaError::personaNotFound("S1"));
    EXPECT_STREQ(BrowserPersonaError::personaNotFound("Profile 1").what(),
                 "The browser persona Profile 1 no longer exists.");

    runningAfterChecks = 1000;
    launchFailure = std::make_exception_ptr(std::runtime_error("no such application"));
    auto launchError = thrownAs<std::runtime_error>(open());
    ASSERT_TRUE(launchError);
    EXPECT_STREQ(launchError->what(), "no such application");
    EXPECT_FALSE(thrownAs<BrowserPersonaError>(open()));
}

TEST(ArcSpaceOpener, DefaultWaitEndsAfterItsDuration) {
    auto wait = ArcSpaceOpener::defaultWait();
    EXPECT_EQ(runToEnd(wait(std::chrono::milliseconds(0))), nullptr);
}

}  // namespace
}  // namespace ferrywise
