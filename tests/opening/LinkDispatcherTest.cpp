#include "ferrywise/opening/LinkDispatcher.hpp"

#include <map>

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/system/Workspace.hpp"

#include "support/Coroutines.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

namespace asio = boost::asio;
using testing::runToEnd;

std::string failureText(const std::exception_ptr& thrown) {
    try {
        if (thrown) {
            std::rethrow_exception(thrown);
        }
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

class WorkspaceApplicationOpenerTest : public ::testing::Test {
  protected:
    void SetUp() override { previousSink_ = Log::setSink(sink); }
    void TearDown() override { Log::setSink(previousSink_); }

    std::exception_ptr open(const Url& bundleUrl, ApplicationVariant variant) {
        return runToEnd(opener->open(link, ApplicationTarget(bundleUrl, std::move(variant))));
    }

    // The ordinary opening of the link in the application: the URL handed over, nothing else.
    testing::FakeWorkspace::OpenRecord ordinary(const Url& bundleUrl) const {
        return {{link}, bundleUrl, WorkspaceOpenConfiguration{}};
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    std::vector<OpenNotice> notices;
    int waits = 0;
    std::shared_ptr<WorkspaceApplicationOpener> opener = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [this](const OpenNotice& notice) { notices.push_back(notice); }, personas,
        std::make_shared<AppleScriptRunner>(),
        [this](std::chrono::milliseconds) -> asio::awaitable<void> {
            ++waits;
            co_return;
        });
    Url link = *Url::parse("https://example.com/a");
    Url chrome = workspace->install("com.google.Chrome", "Google Chrome", {"http"});
    Url arc = workspace->install("company.thebrowser.Browser", "Arc", {"http"});

  private:
    std::shared_ptr<LogSink> previousSink_;
};

TEST_F(WorkspaceApplicationOpenerTest, OrdinaryTargetHandsTheLinkOverAndThrowsTheWorkspacesError) {
    EXPECT_EQ(open(chrome, ApplicationVariant::normal()), nullptr);
    EXPECT_EQ(workspace->opens(), std::vector{ordinary(chrome)});

    workspace->failNextOpen("no such application");
    EXPECT_EQ(failureText(open(chrome, ApplicationVariant::normal())), "no such application");
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(sink->messages("routing").empty());
}

TEST_F(WorkspaceApplicationOpenerTest, ProfileIsLaunchedAsANewInstanceWithItsSwitch) {
    personas->profileLists["com.google.Chrome"] = {{"Default", "Home"}, {"Profile 1", "Work"}};
    EXPECT_EQ(open(chrome, ApplicationVariant::profile("Profile 1")), nullptr);
    WorkspaceOpenConfiguration configuration;
    configuration.createsNewApplicationInstance = true;
    configuration.arguments = {"--profile-directory=Profile 1", "https://example.com/a"};
    EXPECT_EQ(workspace->opens(),
              (std::vector<testing::FakeWorkspace::OpenRecord>{{{}, chrome, configuration}}));
    EXPECT_TRUE(notices.empty());
}

TEST_F(WorkspaceApplicationOpenerTest, GoneProfileFallsBackWithANoticeButNoLogLine) {
    personas->profileLists["com.google.Chrome"] = {{"Default", "Home"}};
    EXPECT_EQ(open(chrome, ApplicationVariant::profile("Profile 9")), nullptr);
    EXPECT_EQ(notices, std::vector{OpenNotice::fellBackFromPersona(
                           "Google Chrome", "Profile 9", "The browser persona Profile 9 no longer exists.")});
    EXPECT_TRUE(sink->messages("routing").empty());
    EXPECT_EQ(workspace->opens(), std::vector{ordinary(chrome)});
}

TEST_F(WorkspaceApplicationOpenerTest, FailedProfileLaunchFallsBackToTheOrdinaryWindow) {
    personas->profileLists["com.google.Chrome"] = {{"Profile 1", "Work"}};
    workspace->failNextOpen("launch refused");
    EXPECT_EQ(open(chrome, ApplicationVariant::profile("Profile 1")), nullptr);
    EXPECT_EQ(notices,
              std::vector{OpenNotice::fellBackFromPersona("Google Chrome", "Work", "launch refused")});
    EXPECT_EQ(sink->messages("routing"),
              std::vector<std::string>{"Profile window in Google Chrome failed: launch refused"});
    ASSERT_EQ(workspace->opens().size(), 1u);  // the refused launch is not recorded
    EXPECT_EQ(workspace->opens()[0], ordinary(chrome));
}

TEST_F(WorkspaceApplicationOpenerTest, FailedPrivateScriptFallsBackAndTheOrdinaryLaunchMayFailToo) {
    RunningApplication running;
    running.bundleIdentifier = "com.google.Chrome";
    workspace->setRunning({running});
    EXPECT_EQ(open(chrome, ApplicationVariant::private_()), nullptr);
    EXPECT_EQ(notices, std::vector{OpenNotice::fellBackToOrdinaryWindow(
                           "Google Chrome", AppleScriptRunner::unavailableMessage)});
    EXPECT_EQ(sink->messages("routing"),
              std::vector<std::string>{std::string("Private window in Google Chrome failed: ") +
                                       AppleScriptRunner::unavailableMessage});
    EXPECT_EQ(workspace->opens(), std::vector{ordinary(chrome)});

    // Not running: the private switch works, no notice.
    workspace->setRunning({});
    EXPECT_EQ(open(chrome, ApplicationVariant::private_()), nullptr);
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(workspace->opens().back().configuration.arguments,
              (std::vector<std::string>{"--incognito", "https://example.com/a"}));

    // The fallback fails as well: its error reaches the caller, after the notice.
    workspace->setRunning({running});
    workspace->failNextOpen("ordinary launch refused");
    EXPECT_EQ(failureText(open(chrome, ApplicationVariant::private_())), "ordinary launch refused");
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(WorkspaceApplicationOpenerTest, SpaceIsFoundByTitleAndABrowserThatNeverComesUpFallsBack) {
    personas->spaceLists["company.thebrowser.Browser"] = {{"new-id", "Work"}};
    EXPECT_EQ(open(arc, ApplicationVariant::space("Work")), nullptr);
    // Arc was started without a link, checked 50 times with a pause after each, then given up on.
    EXPECT_EQ(waits, 50);
    ASSERT_EQ(workspace->opens().size(), 2u);
    EXPECT_EQ(workspace->opens()[0],
              (testing::FakeWorkspace::OpenRecord{{}, arc, WorkspaceOpenConfiguration{}}));
    EXPECT_EQ(workspace->opens()[1], ordinary(arc));
    EXPECT_EQ(notices, std::vector{OpenNotice::fellBackFromPersona(
                           "Arc", "Work", "company.thebrowser.Browser did not finish launching.")});
    EXPECT_EQ(sink->messages("routing"),
              std::vector<std::string>{
                  "Space window in Arc failed: company.thebrowser.Browser did not finish launching."});

    EXPECT_EQ(open(arc, ApplicationVariant::space("gone")), nullptr);
    EXPECT_EQ(notices.back(),
              OpenNotice::fellBackFromPersona("Arc", "gone", "The browser persona gone no longer exists."));
}

TEST_F(WorkspaceApplicationOpenerTest, AFailingNoticeCallbackDoesNotStopTheFallback) {
    auto throwing = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [](const OpenNotice&) { throw std::runtime_error("host failed"); }, personas,
        std::make_shared<AppleScriptRunner>());
    EXPECT_EQ(runToEnd(throwing->open(link, ApplicationTarget(chrome, ApplicationVariant::profile("gone")))),
              nullptr);
    EXPECT_EQ(workspace->opens(), std::vector{ordinary(chrome)});
}

TEST(LinkDispatcher, RefusesTheRouterItselfAlsoThroughASymbolicLink) {
    testing::TemporaryFolder folder;
    auto own = folder.write("apps/velmora.desktop", "");
    std::filesystem::create_symlink(own, folder.path() / "alias.desktop");
    auto workspace = std::make_shared<testing::FakeWorkspace>();
    auto opener = std::make_shared<WorkspaceApplicationOpener>(workspace, nullptr,
                                                               std::make_shared<EmptyBrowserPersonaCatalog>(),
                                                               std::make_shared<AppleScriptRunner>());
    LinkDispatcher dispatcher(opener, Url::fromFilePath(own));
    auto link = *InterceptedLink::make(*Url::parse("https://example.com/"));
    auto refused = runToEnd(dispatcher.dispatch(
        link,
        ApplicationTarget(Url::fromFilePath(folder.path() / "alias.desktop"), ApplicationVariant::normal())));
    EXPECT_EQ(failureText(refused), DispatchError::selfReferentialTarget().what());
    EXPECT_TRUE(workspace->opens().empty());

    auto other = Url::fromFilePath(folder.write("apps/firefox.desktop", ""));
    EXPECT_EQ(runToEnd(dispatcher.dispatch(link, ApplicationTarget(other, ApplicationVariant::normal()))),
              nullptr);
    EXPECT_EQ(workspace->opens().size(), 1u);
}

TEST(OpenNotice, TextsAndThePermissionHint) {
    auto privateNotice =
        OpenNotice::fellBackToOrdinaryWindow("Safari", "System Events got an error: ASSISTIVE ACCESS");
    EXPECT_TRUE(privateNotice.needsAccessibilityPermission());
    EXPECT_TRUE(OpenNotice::fellBackToOrdinaryWindow("Safari", "Not authorized to send Apple events.")
                    .needsAccessibilityPermission());
    EXPECT_FALSE(OpenNotice::fellBackToOrdinaryWindow("Safari", "Safari did not finish launching.")
                     .needsAccessibilityPermission());
    EXPECT_FALSE(
        OpenNotice::fellBackFromPersona("Arc", "Work", "not authorized").needsAccessibilityPermission());

    auto english = Localization::english();
    EXPECT_EQ(privateNotice.title(english), "Opened without private browsing");
    EXPECT_EQ(OpenNotice::fellBackToOrdinaryWindow("Safari", "why").message(english),
              "Could not open a private window in Safari, so the link opened in an ordinary window.\n\nwhy");
    auto persona = OpenNotice::fellBackFromPersona("Arc", "Work", "why");
    EXPECT_EQ(persona.title(english), "Opened without the selected browser persona");
    EXPECT_EQ(persona.message(english),
              "Could not open Arc \u2014 Work, so the link opened in the ordinary browser window.\n\nwhy");
    Localization chinese("zh_CN");
    EXPECT_EQ(persona.title(chinese), "未使用所选的浏览器身份打开");
    EXPECT_EQ(persona.message(chinese), "无法打开 Arc — Work，因此链接已在普通浏览器窗口中打开。\n\nwhy");
}

}  // namespace
}  // namespace ferrywise
