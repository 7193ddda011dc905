#include "ferrywise/opening/LinkDispatcher.hpp"

#include <gtest/gtest.h>

#include "ferrywise/opening/PrivateBrowsing.hpp"
#include "ferrywise/opening/PrivateWindowOpener.hpp"

#include "support/Coroutines.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/RecordingScriptRunner.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using testing::runToEnd;
using Variant = ApplicationVariant;
using Opens = std::vector<testing::FakeWorkspace::OpenRecord>;
using Lines = std::vector<std::string>;
using Notices = std::vector<OpenNotice>;

std::string failureText(const std::exception_ptr& thrown) {
    auto error = testing::thrownAs<std::runtime_error>(thrown);
    return error ? error->what() : thrown ? "(something else)" : "";
}

// The private, profile and space openers at work behind the workspace opener, whose scripts are recorded
// and whose pauses while a browser starts bring Arc up unless told otherwise.
class WorkspaceApplicationOpenerTest : public ::testing::Test {
  protected:
    // Opens the link in the target; checks what was opened, scripted and told, and what was thrown.
    void expectOpening(const Url& target, Variant variant, const Opens& opens, const Lines& scripts = {},
                       const Notices& told = {}, const std::string& error = "") {
        SCOPED_TRACE(target.lastPathComponent() + " " + variant.storedSuffix());
        notices.clear();
        runner->scripts.clear();
        auto before = workspace->opens().size();
        EXPECT_EQ(failureText(runToEnd(opener->open(link, ApplicationTarget(target, std::move(variant))))),
                  error);
        auto after = workspace->opens();
        EXPECT_EQ(Opens(after.begin() + static_cast<std::ptrdiff_t>(before), after.end()), opens);
        EXPECT_EQ(runner->scripts, scripts);
        EXPECT_EQ(notices, told);
    }
    // The ordinary opening of the link in the application: the URL handed over, nothing else.
    testing::FakeWorkspace::OpenRecord ordinary(const Url& bundleUrl) const {
        return {{link}, bundleUrl, {}};
    }
    // A launch with arguments (which carry the link, if any) instead of URLs.
    static testing::FakeWorkspace::OpenRecord launch(const Url& bundleUrl, Lines arguments, bool newInstance,
                                                     std::optional<std::string> action = std::nullopt) {
        return {
            {},
            bundleUrl,
            WorkspaceOpenConfiguration{true, false, newInstance, std::move(action), std::move(arguments)}};
    }

    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    std::shared_ptr<testing::RecordingScriptRunner> runner =
        std::make_shared<testing::RecordingScriptRunner>();
    Notices notices;
    bool arcComesUp = true;  // during the first pause
    std::shared_ptr<WorkspaceApplicationOpener> opener = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [this](const OpenNotice& notice) { notices.push_back(notice); }, personas, runner,
        [this](std::chrono::milliseconds) -> boost::asio::awaitable<void> {
            if (arcComesUp) {
                workspace->setRunning({RunningApplication{"company.thebrowser.Browser", {}, {}}});
            }
            co_return;
        });
    Url link = *Url::parse("https://example.com/a");
    std::string url{link.absoluteString()};
    Url chrome = workspace->install("com.google.Chrome", "Google Chrome", {"http"});
    Url arc = workspace->install("company.thebrowser.Browser", "Arc", {"http"});
};

TEST_F(WorkspaceApplicationOpenerTest, PrivateWindowBySwitchOrScriptElseTheOrdinaryWindowWithOneNotice) {
    auto firefox = workspace->install("org.mozilla.firefox", "Firefox");
    auto safari = workspace->install("com.apple.SafariTechnologyPreview", "Safari");
    expectOpening(firefox, Variant::private_(), {launch(firefox, {"-private-window", url}, false)});
    expectOpening(chrome, Variant::private_(), {launch(chrome, {"--incognito", url}, false)});
    expectOpening(safari, Variant::private_(), {}, {PrivateWindowOpener::safariScript(url)});
    // A Chromium browser gets its switch only while it is not running, and a script while it is.
    workspace->setRunning({RunningApplication{"com.google.Chrome", {}, {}}});
    const Lines script = {PrivateWindowOpener::chromiumScript("com.google.Chrome", url)};
    expectOpening(chrome, Variant::private_(), {}, script);
    const auto unsupported = OpenNotice::fellBackToOrdinaryWindow(
        "Arc", "company.thebrowser.Browser has no private mode Velmora knows how to open.");
    expectOpening(arc, Variant::private_(), {ordinary(arc)}, {}, {unsupported});
    runner->failure = std::make_exception_ptr(PrivateWindowError::scriptFailed("Chrome got an error."));
    const Notices notice = {OpenNotice::fellBackToOrdinaryWindow("Google Chrome", "Chrome got an error.")};
    expectOpening(chrome, Variant::private_(), {ordinary(chrome)}, script, notice);
    // The ordinary window fails too: its error reaches the caller, after the notice.
    workspace->failNextOpen("ordinary launch refused");
    expectOpening(chrome, Variant::private_(), {}, script, notice, "ordinary launch refused");
}

TEST_F(WorkspaceApplicationOpenerTest, ProfileIsANewInstanceWithItsSwitchElseTheOrdinaryWindowWithOneNotice) {
    // The folder name and the link are two whole arguments, whatever they contain.
    const std::string hostile = "P\" --incognito; $(id)";
    personas->profileLists["com.google.Chrome"] = {{"Default", "Home"}, {hostile, "Work"}};
    expectOpening(chrome, Variant::profile(hostile),
                  {launch(chrome, {"--profile-directory=" + hostile, url}, true)});
    const auto gone =
        OpenNotice::fellBackFromPersona("Google Chrome", "P9", "The browser persona P9 no longer exists.");
    expectOpening(chrome, Variant::profile("P9"), {ordinary(chrome)}, {}, {gone});
    workspace->failNextOpen("launch refused");  // the refused launch is not recorded
    expectOpening(chrome, Variant::profile(hostile), {ordinary(chrome)}, {},
                  {OpenNotice::fellBackFromPersona("Google Chrome", "Work", "launch refused")});
    // A failing notice callback does not stop the fallback.
    opener = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [](const OpenNotice&) { throw std::runtime_error("no"); }, personas, runner);
    expectOpening(chrome, Variant::profile("P9"), {ordinary(chrome)});
}

TEST_F(WorkspaceApplicationOpenerTest, SpaceByIdOrTitleInAStartedArcElseTheOrdinaryWindowWithOneNotice) {
    personas->spaceLists["company.thebrowser.Browser"] = {{"new-id", "Work"}, {"S2", "Home"}};
    const Lines script = {ArcSpaceOpener::script(link, "company.thebrowser.Browser", "new-id", "Work")};
    // Arc is started without the link and checked after each pause until it runs; the title finds the space.
    expectOpening(arc, Variant::space("Work"), {launch(arc, {}, false)}, script);
    expectOpening(arc, Variant::space("new-id"), {}, script);  // running now: no launch
    runner->failure = std::make_exception_ptr(PrivateWindowError::scriptFailed("No space."));
    expectOpening(arc, Variant::space("new-id"), {ordinary(arc)}, script,
                  {OpenNotice::fellBackFromPersona("Arc", "Work", "No space.")});
    expectOpening(arc, Variant::space("x"), {ordinary(arc)}, {},
                  {OpenNotice::fellBackFromPersona("Arc", "x", "The browser persona x no longer exists.")});
    workspace->setRunning({});
    arcComesUp = false;
    const std::string reason = "company.thebrowser.Browser did not finish launching.";
    expectOpening(arc, Variant::space("S2"), {launch(arc, {}, false), ordinary(arc)}, {},
                  {OpenNotice::fellBackFromPersona("Arc", "Home", reason)});
    EXPECT_EQ(runToEnd(ArcSpaceOpener::defaultWait()(std::chrono::milliseconds(0))), nullptr);
}

TEST_F(WorkspaceApplicationOpenerTest, LinkDispatcherRefusesTheRouterItselfAlsoThroughASymbolicLink) {
    testing::TemporaryFolder folder;
    auto own = folder.write("apps/velmora.desktop", "");
    std::filesystem::create_symlink(own, folder.path() / "alias.desktop");
    LinkDispatcher dispatcher(opener, Url::fromFilePath(own));
    auto alias = ApplicationTarget(Url::fromFilePath(folder.path() / "alias.desktop"), Variant::normal());
    EXPECT_EQ(failureText(runToEnd(dispatcher.dispatch(*InterceptedLink::make(link), alias))),
              DispatchError::selfReferentialTarget().what());
    auto ordinaryTarget = ApplicationTarget(chrome, Variant::normal());
    EXPECT_EQ(runToEnd(dispatcher.dispatch(*InterceptedLink::make(link), ordinaryTarget)), nullptr);
    EXPECT_EQ(workspace->opens(), Opens{ordinary(chrome)});  // the URL handed over, nothing else
}

TEST(OpenNotice, TextsInEnglishAndChineseAndThePermissionHintForPrivateWindowsOnly) {
    auto privateNotice = OpenNotice::fellBackToOrdinaryWindow("Safari", "why");
    auto persona = OpenNotice::fellBackFromPersona("Arc", "Work", "not authorized");
    EXPECT_EQ(privateNotice.message(Localization::english()),
              "Could not open a private window in Safari, so the link opened in an ordinary window.\n\nwhy");
    EXPECT_EQ(persona.title(Localization("zh_CN")), "未使用所选的浏览器身份打开");
    EXPECT_EQ(persona.message(Localization("zh_CN")),
              "无法打开 Arc — Work，因此链接已在普通浏览器窗口中打开。\n\nnot authorized");
    // The hint needs a private window whose refusal names the permission, in any letter case.
    EXPECT_TRUE(
        OpenNotice::fellBackToOrdinaryWindow("Safari", "ASSISTIVE ACCESS").needsAccessibilityPermission());
    EXPECT_FALSE(privateNotice.needsAccessibilityPermission());
    EXPECT_FALSE(persona.needsAccessibilityPermission());
}

TEST(PrivateBrowsing, LookupsAreExactAndCaseSensitiveAndModeNamesAreLocalised) {
    EXPECT_FALSE(PrivateBrowsing::supportsPrivateBrowsing("com.google.chrome"));
    EXPECT_FALSE(PrivateBrowsing::supportsPrivateBrowsing("com.google.Chrome.beta"));
    EXPECT_EQ(PrivateBrowsing::modeName("com.microsoft.edgemac", Localization::english()), "InPrivate");
    EXPECT_EQ(PrivateBrowsing::shortModeName("com.microsoft.edgemac", Localization::english()), "InPrivate");
    Localization chinese("zh-Hans-CN");
    EXPECT_EQ(PrivateBrowsing::modeName("org.mozilla.firefox", chinese), "隐私模式");
    EXPECT_EQ(PrivateBrowsing::shortModeName("org.mozilla.firefox", chinese), "隐私");
    // The Linux entries and actions are named after what their words say.
    for (auto [identifier, mode] : {std::pair{"microsoft-edge", "InPrivate"},
                                    {"chromium", "Incognito"},
                                    {"org.gnome.Epiphany", "Incognito"},
                                    {"opera", "Private"},
                                    {"org.kde.falkon", "Private"},
                                    {"firefox-esr", "Private"}}) {
        EXPECT_EQ(PrivateBrowsing::modeName(identifier, Localization::english()), mode) << identifier;
    }
    using Actions = std::vector<ApplicationAction>;
    Actions actions{
        {"new-window", "New Window"}, {"Incognito", "New window"}, {"p", "Start PRIVATE browsing"}};
    EXPECT_EQ(PrivateBrowsing::privateWindowAction(actions), actions[1]);
    EXPECT_EQ(PrivateBrowsing::privateWindowAction(Actions{actions[2]}), actions[2]);
    EXPECT_EQ(PrivateBrowsing::privateWindowAction(Actions{actions[0]}), std::nullopt);
    EXPECT_EQ(PrivateBrowsing::modeName(PrivateBrowsing::strategy("org.example.Surf", actions[1])),
              "Incognito");
    // Known browsers keep their own technique whatever their actions say.
    EXPECT_EQ(PrivateBrowsing::strategy("com.apple.Safari", actions[1]), PrivateBrowsingStrategy::safari());
    EXPECT_EQ(PrivateBrowsing::strategy("com.google.Chrome", actions[1]),
              PrivateBrowsingStrategy::chromium("--incognito"));
}

// The string literals of a script, escapes undone: a string that ends early changes them.
Lines literals(std::string_view script) {
    Lines found;
    bool inLiteral = false;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '"') {
            inLiteral = !inLiteral;
            if (inLiteral) {
                found.emplace_back();
            }
        } else if (inLiteral) {
            found.back() += script[i] == '\\' && i + 1 < script.size() ? script[++i] : script[i];
        }
    }
    EXPECT_FALSE(inLiteral) << "unterminated string in " << script;
    return found;
}

TEST(OpeningScripts, NoLinkSpaceIdentifierOrTitleBreaksOutOfItsString) {
    const Url arcLink = *Url::parse("https://l.example/");
    const std::vector<std::function<std::string(std::string_view)>> scripts = {
        [](std::string_view text) { return PrivateWindowOpener::chromiumScript("com.google.Chrome", text); },
        [](std::string_view text) { return PrivateWindowOpener::safariScript(text); },
        [&](std::string_view text) { return ArcSpaceOpener::script(arcLink, "arc", text, text); }};
    // Quotes and backslashes in every order (an escaped quote, a trailing backslash), and a line that
    // would end the script and run a command.
    for (std::string hostile : {"\\\\\"\"\\", "https://a.example/x\n\"\nend tell\ndo shell script \"id"}) {
        for (const auto& script : scripts) {
            auto expected = literals(script("MARK"));
            EXPECT_NE(std::ranges::count(expected, "MARK"), 0);
            std::ranges::replace(expected, std::string("MARK"), hostile);
            EXPECT_EQ(literals(script(hostile)), expected) << hostile;
        }
    }
    // Here no script can run at all.
    EXPECT_EQ(testing::thrownAs<PrivateWindowError>(runToEnd(AppleScriptRunner().run("x"))),
              PrivateWindowError::scriptFailed(AppleScriptRunner::unavailableMessage));
}

}  // namespace
}  // namespace ferrywise
