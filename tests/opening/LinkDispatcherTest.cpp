#include "ferrywise/opening/LinkDispatcher.hpp"

#include <gtest/gtest.h>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/opening/PrivateBrowsing.hpp"
#include "ferrywise/opening/PrivateWindowOpener.hpp"

#include "support/Coroutines.hpp"
#include "support/FakeWorkspace.hpp"
#include "support/FixedPersonaCatalog.hpp"
#include "support/RecordingScriptRunner.hpp"
#include "support/TemporaryFolder.hpp"

namespace ferrywise {
namespace {

using std::chrono::milliseconds;
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
// and whose pauses while a browser starts are counted (the browser comes up at the `arcComesUpAt`th pause).
class WorkspaceApplicationOpenerTest : public ::testing::Test {
  protected:
    ~WorkspaceApplicationOpenerTest() override { Log::setSink(previousSink); }

    // Opens the link in the target; checks what was opened, scripted, told and logged, and what was thrown.
    void expectOpening(const Url& target, Variant variant, const Opens& opens, const Lines& scripts = {},
                       const Notices& told = {}, const Lines& log = {}, const std::string& error = "") {
        SCOPED_TRACE(target.lastPathComponent() + " " + variant.storedSuffix());
        notices.clear();
        sink->clear();
        runner->scripts.clear();
        auto before = workspace->opens().size();
        EXPECT_EQ(failureText(runToEnd(opener->open(link, ApplicationTarget(target, std::move(variant))))),
                  error);
        auto after = workspace->opens();
        EXPECT_EQ(Opens(after.begin() + static_cast<std::ptrdiff_t>(before), after.end()), opens);
        EXPECT_EQ(runner->scripts, scripts);
        EXPECT_EQ(notices, told);
        EXPECT_EQ(sink->messages("routing"), log);
    }
    void setRunning(const char* bundleIdentifier) {
        RunningApplication running;
        running.bundleIdentifier = bundleIdentifier;
        workspace->setRunning({running});
    }
    // The notice of a fallback from a private window, or with a persona from that persona.
    static OpenNotice fellBack(std::string application, std::string reason, std::string persona = "") {
        return persona.empty() ? OpenNotice::fellBackToOrdinaryWindow(application, reason)
                               : OpenNotice::fellBackFromPersona(application, persona, reason);
    }
    // The ordinary opening of the link in the application: the URL handed over, nothing else.
    testing::FakeWorkspace::OpenRecord ordinary(const Url& bundleUrl) const {
        return {{link}, bundleUrl, {}};
    }
    // A launch with arguments (which carry the link, if any) instead of URLs.
    testing::FakeWorkspace::OpenRecord launch(const Url& bundleUrl, Lines arguments,
                                              bool newInstance = false) const {
        return {{}, bundleUrl, WorkspaceOpenConfiguration{true, false, newInstance, std::move(arguments)}};
    }

    std::shared_ptr<RecordingLogSink> sink = std::make_shared<RecordingLogSink>();
    std::shared_ptr<LogSink> previousSink = Log::setSink(sink);
    std::shared_ptr<testing::FakeWorkspace> workspace = std::make_shared<testing::FakeWorkspace>();
    std::shared_ptr<testing::FixedPersonaCatalog> personas = std::make_shared<testing::FixedPersonaCatalog>();
    std::shared_ptr<testing::RecordingScriptRunner> runner =
        std::make_shared<testing::RecordingScriptRunner>();
    Notices notices;
    std::vector<milliseconds> pauses;
    std::size_t arcComesUpAt = 0;  // never
    std::shared_ptr<WorkspaceApplicationOpener> opener = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [this](const OpenNotice& notice) { notices.push_back(notice); }, personas, runner,
        [this](milliseconds duration) -> boost::asio::awaitable<void> {
            pauses.push_back(duration);
            if (pauses.size() == arcComesUpAt) {
                setRunning("company.thebrowser.Browser");
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
    auto edge = workspace->install("com.microsoft.edgemac", "Edge");
    auto safari = workspace->install("com.apple.SafariTechnologyPreview", "Safari");
    auto epiphany = workspace->install("org.gnome.Epiphany", "Web");
    setRunning("org.mozilla.firefox");  // Firefox gets its switch anyway, Chromium only when idle
    expectOpening(firefox, Variant::private_(), {launch(firefox, {"-private-window", url})});
    expectOpening(edge, Variant::private_(), {launch(edge, {"--inprivate", url})});
    expectOpening(safari, Variant::private_(), {}, {PrivateWindowOpener::safariScript(url)});
    setRunning("com.microsoft.edgemac");
    const Lines script = {PrivateWindowOpener::chromiumScript("com.microsoft.edgemac", url)};
    expectOpening(edge, Variant::private_(), {}, script);
    const std::string unsupported = "org.gnome.Epiphany has no private mode Velmora knows how to open.";
    expectOpening(epiphany, Variant::private_(), {ordinary(epiphany)}, {}, {fellBack("Web", unsupported)},
                  {"Private window in Web failed: " + unsupported});
    runner->failure = std::make_exception_ptr(PrivateWindowError::scriptFailed("Edge got an error."));
    const Notices notice = {fellBack("Edge", "Edge got an error.")};
    const Lines log = {"Private window in Edge failed: Edge got an error."};
    expectOpening(edge, Variant::private_(), {ordinary(edge)}, script, notice, log);
    // The ordinary window fails too: its error reaches the caller, after the notice.
    workspace->failNextOpen("ordinary launch refused");
    expectOpening(edge, Variant::private_(), {}, script, notice, log, "ordinary launch refused");
}

TEST_F(WorkspaceApplicationOpenerTest, ProfileIsANewInstanceWithItsSwitchElseTheOrdinaryWindowWithOneNotice) {
    personas->profileLists["com.google.Chrome"] = {{"Default", "Home"}, {"Profile 1", "Work"}};
    expectOpening(chrome, Variant::profile("Profile 1"),
                  {launch(chrome, {"--profile-directory=Profile 1", url}, true)});
    expectOpening(
        chrome, Variant::profile("Profile 9"), {ordinary(chrome)}, {},
        {fellBack("Google Chrome", "The browser persona Profile 9 no longer exists.", "Profile 9")});
    workspace->failNextOpen("launch refused");  // the refused launch is not recorded
    expectOpening(chrome, Variant::profile("Profile 1"), {ordinary(chrome)}, {},
                  {fellBack("Google Chrome", "launch refused", "Work")},
                  {"Profile window in Google Chrome failed: launch refused"});
    // A failing notice callback does not stop the fallback.
    opener = std::make_shared<WorkspaceApplicationOpener>(
        workspace, [](const OpenNotice&) { throw std::runtime_error("no"); }, personas, runner);
    expectOpening(chrome, Variant::profile("Profile 9"), {ordinary(chrome)});
    // The folder name and the link are two whole arguments, whatever they contain.
    EXPECT_EQ(ChromiumProfileOpener::arguments(link, "P\" --incognito; $(id)"),
              (Lines{"--profile-directory=P\" --incognito; $(id)", url}));
}

TEST_F(WorkspaceApplicationOpenerTest, SpaceByIdOrTitleInAStartedArcElseTheOrdinaryWindowWithOneNotice) {
    personas->spaceLists["company.thebrowser.Browser"] = {{"new-id", "Work"}, {"S2", "Home"}};
    const Lines script = {ArcSpaceOpener::script(link, "company.thebrowser.Browser", "new-id", "Work")};
    // Started without a link, checked right away and after each pause of a tenth of a second.
    arcComesUpAt = 3;
    expectOpening(arc, Variant::space("Work"), {launch(arc, {})}, script);
    EXPECT_EQ(pauses, std::vector<milliseconds>(3, milliseconds(100)));
    expectOpening(arc, Variant::space("new-id"), {}, script);  // running now: no launch
    runner->failure = std::make_exception_ptr(PrivateWindowError::scriptFailed("No space."));
    expectOpening(arc, Variant::space("new-id"), {ordinary(arc)}, script,
                  {fellBack("Arc", "No space.", "Work")}, {"Space window in Arc failed: No space."});
    expectOpening(arc, Variant::space("gone"), {ordinary(arc)}, {},
                  {fellBack("Arc", "The browser persona gone no longer exists.", "gone")});

    workspace->setRunning({});
    pauses.clear();
    arcComesUpAt = 0;  // fifty checks say no
    const std::string reason = "company.thebrowser.Browser did not finish launching.";
    expectOpening(arc, Variant::space("S2"), {launch(arc, {}), ordinary(arc)}, {},
                  {fellBack("Arc", reason, "Home")}, {"Space window in Arc failed: " + reason});
    EXPECT_EQ(pauses.size(), 50u);
    workspace->failNextOpen("no such application");  // the launch's own error
    expectOpening(arc, Variant::space("S2"), {ordinary(arc)}, {},
                  {fellBack("Arc", "no such application", "Home")},
                  {"Space window in Arc failed: no such application"});
    EXPECT_EQ(runToEnd(ArcSpaceOpener::defaultWait()(milliseconds(0))), nullptr);  // the default pause ends
}

TEST_F(WorkspaceApplicationOpenerTest, LinkDispatcherRefusesTheRouterItselfAlsoThroughASymbolicLink) {
    testing::TemporaryFolder folder;
    auto own = folder.write("apps/velmora.desktop", "");
    std::filesystem::create_symlink(own, folder.path() / "alias.desktop");
    LinkDispatcher dispatcher(opener, Url::fromFilePath(own));
    auto alias = ApplicationTarget(Url::fromFilePath(folder.path() / "alias.desktop"), Variant::normal());
    EXPECT_EQ(failureText(runToEnd(dispatcher.dispatch(*InterceptedLink::make(link), alias))),
              DispatchError::selfReferentialTarget().what());
    EXPECT_EQ(runToEnd(dispatcher.dispatch(*InterceptedLink::make(link),
                                           ApplicationTarget(chrome, Variant::normal()))),
              nullptr);
    EXPECT_EQ(workspace->opens(), Opens{ordinary(chrome)});  // the ordinary target: the URL handed over
}

TEST(OpenNotice, LocalisedTextsAndThePermissionHintForPrivateWindowsOnly) {
    for (auto reason : {"System Events got an error: ASSISTIVE ACCESS",
                        "Not authorized to send Apple events.", "x is not allowed to send keystrokes"}) {
        EXPECT_TRUE(OpenNotice::fellBackToOrdinaryWindow("Safari", reason).needsAccessibilityPermission())
            << reason;
    }
    EXPECT_FALSE(OpenNotice::fellBackToOrdinaryWindow("Safari", "Safari did not launch.")
                     .needsAccessibilityPermission());
    EXPECT_FALSE(
        OpenNotice::fellBackFromPersona("Arc", "Work", "not authorized").needsAccessibilityPermission());
    auto english = Localization::english();
    Localization chinese("zh_CN");
    auto privateNotice = OpenNotice::fellBackToOrdinaryWindow("Safari", "why");
    EXPECT_EQ(privateNotice.title(english), "Opened without private browsing");
    EXPECT_EQ(privateNotice.title(chinese), "未使用隐私浏览打开");
    EXPECT_EQ(privateNotice.message(english),
              "Could not open a private window in Safari, so the link opened in an ordinary window.\n\nwhy");
    auto persona = OpenNotice::fellBackFromPersona("Arc", "Work", "why");
    EXPECT_EQ(persona.title(english), "Opened without the selected browser persona");
    EXPECT_EQ(persona.message(english),
              "Could not open Arc \u2014 Work, so the link opened in the ordinary browser window.\n\nwhy");
    EXPECT_EQ(persona.title(chinese), "未使用所选的浏览器身份打开");
    EXPECT_EQ(persona.message(chinese), "无法打开 Arc — Work，因此链接已在普通浏览器窗口中打开。\n\nwhy");
}

TEST(PrivateBrowsing, LookupsAreExactAndCaseSensitiveAndModeNamesAreLocalised) {
    for (auto bundleIdentifier : {"com.google.Chrome.beta", "com.google.chrome", "", "org.gnome.Epiphany"}) {
        EXPECT_FALSE(PrivateBrowsing::supportsPrivateBrowsing(bundleIdentifier)) << bundleIdentifier;
    }
    // {browser, locale, mode name, short mode name}
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        {"com.microsoft.edgemac", "en", "InPrivate", "InPrivate"},
        {"com.google.Chrome", "en", "Incognito", "Incognito"},
        {"unknown.browser", "en", "Private", "Private"},
        {"org.mozilla.firefox", "zh-Hans-CN", "隐私模式", "隐私"},
        {"com.google.Chrome", "zh-Hans-CN", "无痕模式", "无痕模式"}};
    for (const auto& [browser, locale, name, shortName] : cases) {
        EXPECT_EQ(PrivateBrowsing::modeName(browser, Localization(locale)), name) << browser;
        EXPECT_EQ(PrivateBrowsing::shortModeName(browser, Localization(locale)), shortName) << browser;
    }
    EXPECT_EQ(PrivateBrowsing::displayName("Firefox", "org.mozilla.firefox", Localization("zh_CN")),
              "Firefox (隐私模式)");
}

// A script read as its string literals (escapes undone) and the text around them (each literal as "").
std::pair<std::string, Lines> parsed(std::string_view script) {
    std::pair<std::string, Lines> result;
    bool inLiteral = false;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '"') {
            inLiteral = !inLiteral;
            result.first += '"';
            if (inLiteral) {
                result.second.emplace_back();
            }
        } else if (!inLiteral) {
            result.first += script[i];
        } else {
            result.second.back() += script[i] == '\\' && i + 1 < script.size() ? script[++i] : script[i];
        }
    }
    EXPECT_FALSE(inLiteral) << "unterminated string in " << script;
    return result;
}

TEST(OpeningScripts, NoLinkSpaceIdentifierOrTitleBreaksOutOfItsString) {
    const Url arcLink = *Url::parse("https://l.example/");
    const std::vector<std::function<std::string(std::string_view)>> scripts = {
        [](std::string_view text) { return PrivateWindowOpener::chromiumScript("com.google.Chrome", text); },
        [](std::string_view text) { return PrivateWindowOpener::safariScript(text); },
        [&](std::string_view text) {
            return ArcSpaceOpener::script(arcLink, "company.thebrowser.Browser", text, text);
        }};
    // The space is tried by its identifier, then by its title.
    EXPECT_EQ(parsed(ArcSpaceOpener::script(arcLink, "b", "I", "T")).second,
              (Lines{"b", "I", "https://l.example/", "T", "https://l.example/"}));
    for (std::string hostile :
         {R"(https://a.example/"end tell)", R"(https://a.example/\")", "https://a.example/\\",
          "https://a.example/x\n\"\nend tell\ndo shell script \"id", "\\\\\"\"\\"}) {
        for (const auto& script : scripts) {
            auto expected = parsed(script("MARK"));
            EXPECT_NE(std::ranges::count(expected.second, "MARK"), 0);
            std::ranges::replace(expected.second, std::string("MARK"), hostile);
            EXPECT_EQ(parsed(script(hostile)), expected) << hostile;
        }
    }
    // Here no script can run at all.
    EXPECT_EQ(testing::thrownAs<PrivateWindowError>(runToEnd(AppleScriptRunner().run("x"))),
              PrivateWindowError::scriptFailed(AppleScriptRunner::unavailableMessage));
}

}  // namespace
}  // namespace ferrywise
