// The `ferrywise` host run as the desktop and users run it: the built binary, in a sandboxed desktop with
// Debian's own browser and mail entries whose programs record what they receive.

#include <array>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/ChildProcess.hpp"
#include "support/DesktopSandbox.hpp"
#include "support/NotificationServer.hpp"

namespace ferrywise::testing {
namespace {

using Strings = std::vector<std::string>;

// "HH:MM" of the local time `hours` from now.
std::string hoursFromNow(int hours) {
    auto later = std::time(nullptr) + static_cast<std::time_t>(hours) * 3600;
    std::array<char, 8> text{};
    std::strftime(text.data(), text.size(), "%H:%M", std::localtime(&later));
    return text.data();
}

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sandbox.copyTree(FERRYWISE_TEST_DATA_DIR "/linux-desktop",
                         {"chromium", "firefox-esr", "flatpak", "surf", "epiphany", "falkon", "claws-mail"});
        auto system = sandbox.root() / "system/applications";
        ASSERT_EQ(std::system(("update-desktop-database " + system.string()).c_str()), 0);
    }

    static ChildRun host(const Strings& arguments) { return runChild(FERRYWISE_HOST_BINARY, arguments); }

    static void run(const Strings& arguments) {
        auto result = host(arguments);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    static nlohmann::json route(const std::string& url) {
        auto result = host({"route", "--json", url});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return nlohmann::json::parse(result.out);
    }

    std::filesystem::path ruleFile() const {
        return sandbox.root() / "data/app.velmora.Velmora/LinkRules.json";
    }

    DesktopSandbox sandbox;
};

TEST_F(HostTest, OpensEachLinkWhereItsRuleOrTheFallbackSendsIt) {
    for (const Strings& rule :
         {Strings{"--domain", "example.com", "--subdomains", "--target", "chromium"},
          Strings{"--path", "example.org/private", "--target", "firefox-esr#private"},
          Strings{"--domain", "work.example.net", "--target", "chromium#profile:Profile 1"},
          Strings{"--domain", "gone.example.net", "--target", "chromium#profile:Deleted"},
          Strings{"--domain", "late.example.net", "--target", "chromium#private", "--window",
                  "daily " + hoursFromNow(2) + "-" + hoursFromNow(3)}}) {
        Strings arguments{"rules", "add"};
        arguments.insert(arguments.end(), rule.begin(), rule.end());
        run(arguments);
    }
    run({"settings", "set", "alwaysAsks", "false"});
    run({"settings", "set", "fallbackTarget", "firefox-esr"});

    struct Case {
        std::string url;
        std::string program;
        Strings argv;
        std::string notice;
    };
    for (const auto& [url, program, argv, notice] : std::vector<Case>{
             {"https://news.example.com/a?utm_source=x&id=1",
              "chromium",
              {"https://news.example.com/a?id=1"},
              ""},
             {"https://example.org/private/x",
              "firefox-esr",
              {"--private-window", "https://example.org/private/x"},
              ""},
             {"https://work.example.net/",
              "chromium",
              {"--profile-directory=Profile 1", "https://work.example.net/"},
              ""},
             {"https://gone.example.net/",
              "chromium",
              {"https://gone.example.net/"},
              "Opened without the selected browser persona"},
             // Outside the rule's time window: the fallback.
             {"https://late.example.net/", "firefox-esr", {"https://late.example.net/"}, ""},
             {"https://elsewhere.example/", "firefox-esr", {"https://elsewhere.example/"}, ""},
             {"mailto:someone@example.org", "claws-mail", {"mailto:someone@example.org"}, ""},
         }) {
        auto opened = host({"open", url});
        EXPECT_EQ(opened.exitCode, 0) << url << opened.err;
        EXPECT_EQ(sandbox.awaitOutput(program), argv) << url;
        EXPECT_NE(opened.err.find(notice), std::string::npos) << url << opened.err;
    }
    auto stats = host({"stats"});
    EXPECT_NE(stats.out.find("Today: 7 link(s) routed, 1 tracking parameter(s) removed"), std::string::npos)
        << stats.out;
}

TEST_F(HostTest, RouteExplainsEachDecisionWithoutOpening) {
    run({"rules", "add", "--domain", "example.com", "--target", "chromium#private"});
    run({"rules", "add", "--domain", "example.net", "--target", "chromium", "--window", "mon-fri 09:00-17:00",
         "--window", "sat,sun 10:00-12:00"});
    auto rules = nlohmann::json::parse(host({"rules", "--json"}).out);
    EXPECT_EQ(rules[1]["timeWindows"].size(), 2U) << rules[1];

    auto ruled = route("https://example.com/?fbclid=1&q=2");
    EXPECT_EQ(ruled["decision"], "rule");
    EXPECT_EQ(ruled["ruleID"], rules[0]["id"]);
    EXPECT_EQ(ruled["target"], "chromium#private");
    EXPECT_EQ(ruled["processedLink"], "https://example.com/?q=2");
    EXPECT_EQ(ruled["removedParameters"], nlohmann::json::array({"fbclid"}));

    auto asked = route("https://examp1e.com/login");
    EXPECT_EQ(asked["decision"], "picker");
    EXPECT_EQ(asked["target"], nullptr);
    EXPECT_EQ(asked["suspicion"]["kind"], "looksLike");
    EXPECT_EQ(asked["candidates"][0]["id"], "chromium");

    run({"settings", "set", "alwaysAsks", "off"});
    run({"settings", "set", "fallbackTarget", "org.kde.falkon"});
    auto fallback = route("https://www.youtu.be/abc?t=3");
    EXPECT_EQ(fallback["decision"], "fallback");
    EXPECT_EQ(fallback["target"], "org.kde.falkon");
    EXPECT_EQ(fallback["processedLink"], "https://www.youtube.com/watch?v=abc&t=3");
    EXPECT_EQ(fallback["ruleID"], nullptr);

    EXPECT_FALSE(std::filesystem::exists(sandbox.root() / "out/chromium"));
    EXPECT_NE(host({"stats"}).out.find("Today: 0 link(s) routed"), std::string::npos);
}

TEST_F(HostTest, TerminalPickerChoosesByNumberByArrowsRemembersAndCancels) {
    const std::string url = "https://pick.example.com/page";
    const std::string prompt = "Esc cancels";
    // A name that tries to clear the screen; it sorts last.
    sandbox.write("data/applications/org.example.Evil.desktop",
                  "[Desktop Entry]\nType=Application\nName=Zz Evil\x1b[2J\nExec=surf %u\n"
                  "MimeType=x-scheme-handler/http;");
    auto candidates = route(url)["candidates"];
    ASSERT_EQ(candidates[0]["id"], "chromium");
    ASSERT_EQ(candidates[1]["id"], "chromium#private");

    struct Case {
        Strings keys;
        int exitCode;
        Strings argv;  // what Chromium received; empty when nothing opened
    };
    for (const auto& [keys, exitCode, argv] : std::vector<Case>{
             {{"2"}, 0, {"--incognito", url}},
             {{"\x1b[B", "\x1b[B", "\x1b[A", "\r"}, 0, {"--incognito", url}},
             // Function keys and modified arrows are read whole, never as digits.
             {{"\x1b[24~", "\x1b[1;2A", "\x1b[15~", "2"}, 0, {"--incognito", url}},
             {{"\x1b"}, 3, {}},
             {{"q"}, 3, {}},
             {{"r", "1"}, 0, {url}},
         }) {
        auto picked = runInTerminal(FERRYWISE_HOST_BINARY, {"open", url}, keys, prompt);
        EXPECT_EQ(picked.exitCode, exitCode) << keys.back() << picked.out;
        EXPECT_NE(picked.out.find("Zz Evil?[2J"), std::string::npos);
        EXPECT_EQ(picked.out.find("Evil\x1b"), std::string::npos);
        if (argv.empty()) {
            for (int wait = 0; wait < 10; ++wait) {
                waitBriefly();  // a wrongly started program would have written by now
            }
            EXPECT_FALSE(std::filesystem::exists(sandbox.root() / "out/chromium")) << keys.back();
        } else {
            EXPECT_EQ(sandbox.awaitOutput("chromium"), argv) << keys.back();
        }
    }
    // The remembered choice became a rule for the whole site.
    auto remembered = route("https://other.example.com/");
    EXPECT_EQ(remembered["decision"], "rule");
    EXPECT_EQ(remembered["target"], "chromium");

    // Without a terminal, as the desktop starts it: the first application, said on standard error.
    auto unattended = host({"open", "https://elsewhere.example/"});
    EXPECT_EQ(unattended.exitCode, 0);
    EXPECT_NE(unattended.err.find("no terminal to ask on"), std::string::npos) << unattended.err;
    EXPECT_EQ(sandbox.awaitOutput("chromium"), Strings{"https://elsewhere.example/"});

    // Started in the background of a shell with job control: the terminal is another job's.
    auto background = runInTerminal(
        "/bin/sh", {"-c", "set -m; \"$0\" open https://bg.example/ & wait $!", FERRYWISE_HOST_BINARY}, {},
        "");
    EXPECT_EQ(background.exitCode, 0) << background.out;
    EXPECT_EQ(sandbox.awaitOutput("chromium"), Strings{"https://bg.example/"});
}

// The registry's answers are kept between runs; every change to the installed entries must still be seen.
TEST_F(HostTest, NextRunSeesEveryChangeToTheInstalledEntries) {
    auto names = [] {
        std::string all;
        auto routed = route("https://example.com/");
        for (const auto& candidate : routed["candidates"]) {
            all += candidate["name"].get<std::string>() + ";";
        }
        return all;
    };
    const std::string entry = "data/applications/org.example.Next.desktop";
    auto write = [&](const std::string& name) {
        sandbox.write(entry, "[Desktop Entry]\nType=Application\nName=" + name +
                                 "\nExec=surf %u\nMimeType=x-scheme-handler/http;");
    };
    auto before = names();
    EXPECT_EQ(names(), before);
    write("Next");
    EXPECT_NE(names().find("Next;"), std::string::npos);
    write("Renamed");
    EXPECT_NE(names().find("Renamed;"), std::string::npos);
    std::filesystem::remove(sandbox.root() / entry);
    EXPECT_EQ(names(), before);
    std::filesystem::remove(sandbox.root() / "bin/surf");  // its entry's program
    EXPECT_EQ(names().find("Surf;"), std::string::npos);
    sandbox.write("config/mimeapps.list",
                  "[Removed Associations]\nx-scheme-handler/http=chromium.desktop;\n"
                  "x-scheme-handler/https=chromium.desktop;");
    EXPECT_EQ(names().find("Chromium Web Browser;"), std::string::npos);
}

// Without a terminal and with a desktop display (offscreen here), a link that needs asking goes to the
// picker window of ferrywise-window; ending that program cancels, and nothing opens.
TEST_F(HostTest, PickerWindowAppearsWhenTheDesktopStartsTheHost) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const Strings& how : {Strings{"--window"}, Strings{}}) {
        ::setenv("DISPLAY", ":99", how.empty() ? 1 : 0);
        std::string script =
            "\"$0\" open https://example.com/ --report-first-frame 0 " +
            (how.empty() ? std::string() : how[0]) +
            " 2>\"$1\" & for wait in $(seq 600); do grep -q 'first frame' \"$1\" && break; sleep 0.05; done; "
            "kill -TERM $!; wait $!; status=$?; cat \"$1\" >&2; exit $status";
        auto ended = runChild("/usr/bin/timeout", {"60", "/bin/sh", "-c", script, FERRYWISE_HOST_BINARY,
                                                   (sandbox.root() / "err").string()});
        EXPECT_EQ(ended.exitCode, 3) << ended.err;
        EXPECT_NE(ended.err.find("cancelled"), std::string::npos) << ended.err;
        EXPECT_FALSE(std::filesystem::exists(sandbox.root() / "out/chromium"));
        ::unsetenv("DISPLAY");
    }
}

// Started by the desktop (no terminal), the host tells its notices as desktop notifications.
TEST_F(HostTest, NoticesBecomeDesktopNotifications) {
    NotificationServer notifications;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", notifications.address().c_str(), 1);
    run({"rules", "add", "--domain", "gone.example.net", "--target", "chromium#profile:Deleted"});
    auto opened = host({"open", "https://gone.example.net/"});
    EXPECT_EQ(opened.exitCode, 0) << opened.err;
    EXPECT_EQ(sandbox.awaitOutput("chromium"), Strings{"https://gone.example.net/"});
    auto shown = notifications.shown();
    ASSERT_EQ(shown.size(), 1U) << opened.err;
    EXPECT_EQ(shown[0].first, "Opened without the selected browser persona");
    EXPECT_EQ(opened.err.find("Opened without"), std::string::npos) << opened.err;
}

TEST_F(HostTest, WarningCanBeDismissedFromThePicker) {
    run({"rules", "add", "--domain", "example.com", "--target", "chromium"});
    auto picked =
        runInTerminal(FERRYWISE_HOST_BINARY, {"open", "https://examp1e.com/"}, {"w", "1"}, "Esc cancels");
    EXPECT_EQ(picked.exitCode, 0) << picked.out;
    EXPECT_NE(picked.out.find("Lookalike site"), std::string::npos) << picked.out;
    EXPECT_EQ(host({"settings", "get", "dismissedWarningHosts"}).out, "examp1e.com\n");
    EXPECT_EQ(route("https://examp1e.com/")["suspicion"], nullptr);
}

TEST_F(HostTest, BrokenRuleFileIsToldAndLeftAlone) {
    std::filesystem::create_directories(ruleFile().parent_path());
    std::ofstream(ruleFile()) << "{ not json";
    run({"settings", "set", "alwaysAsks", "false"});
    run({"settings", "set", "fallbackTarget", "firefox-esr"});
    auto opened = host({"open", "https://example.com/"});
    EXPECT_EQ(opened.exitCode, 0);
    EXPECT_NE(opened.err.find("rule"), std::string::npos) << opened.err;
    EXPECT_EQ(sandbox.awaitOutput("firefox-esr"), Strings{"https://example.com/"});
    std::ifstream kept(ruleFile());
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "{ not json");
}

TEST_F(HostTest, ExitCodesAndMessagesSayWhatWasWrong) {
    struct Case {
        Strings arguments;
        int exitCode;
        std::string said;
    };
    for (const auto& [arguments, exitCode, said] : std::vector<Case>{
             {{"open", "ftp://example.com/file"}, 1, "not a web or mail link"},
             {{"route", "http://exa mple.com/"}, 1, "is not a URL"},
             {{"rules", "add", "--domain", "example.com", "--target", "netscape"}, 1, "`ferrywise apps`"},
             {{"rules", "add", "--domain", "example.com", "--target", "chromium", "--window", "someday"},
              2,
              "mon-fri 09:00-17:00"},
             {{"rules", "add", "--any-web", "--any-mail", "--target", "chromium"}, 2, "Exactly 1 option"},
             {{"rules", "remove", "not-an-id"}, 2, "not a rule ID"},
             {{"settings", "set", "ringMaximumCandidates", "11"}, 2, "from 4 to 10"},
             {{"settings", "set", "fallbackTarget", "netscape"}, 1, "`ferrywise apps`"},
             {{"settings", "get", "colour"}, 2, "alwaysAsks"},
             {{"apps", "promote", "chromium"}, 1, "not a browser profile"},
             {{"frobnicate"}, 2, ""},
             {{"open", "--help"}, 0, ""},
         }) {
        auto result = host(arguments);
        EXPECT_EQ(result.exitCode, exitCode) << arguments[0] << ' ' << arguments.back() << result.err;
        EXPECT_NE(result.err.find(said), std::string::npos) << result.err;
    }
}

}  // namespace
}  // namespace ferrywise::testing
