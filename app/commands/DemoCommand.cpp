// `ferrywise demo [URL...]`: sample links (or the user's) routed the whole way, as `ferrywise open` routes
// them, in a throw-away desktop with a few rules and settings; for each, the decision and what the
// receiving program was started with. Nothing outside the sandbox changes.

#include <iostream>
#include <set>
#include <sstream>

#include "ferrywise/freedesktop/DesktopWorkspace.hpp"
#include "ferrywise/rules/LinkRule.hpp"

#include "Commands.hpp"
#include "host/DemoSandbox.hpp"
#include "host/LinkOpening.hpp"
#include "host/LinkRoad.hpp"
#include "host/RoadReport.hpp"

namespace ferrywise::host {

namespace {

struct DemoLink {
    std::string url;
    bool pick = false;  // as `ferrywise open --pick`
};

// How long a program may take to start; the sandbox looks every 20 ms.
constexpr auto startTimeout = std::chrono::seconds(3);

// One link for each step of the road, in the order the steps come.
std::vector<DemoLink> sampleLinks() {
    return {
        {"https://www.example.com/pricing?utm_source=newsletter&utm_medium=email&plan=team"},
        {"x-webdoc://A1B2/github.com/ferrywise/roadmap"},
        {"https://youtu.be/dQw4w9WgXcQ?t=42"},
        {"https://examp1e.com/login"},
        {"mailto:crew@example.org?subject=Timetable"},
        {"https://bank.example.net/statements"},
        {"https://work.example.net/board"},
        {"https://meet.example.org/standup"},
        {"https://en.wikipedia.org/wiki/Ferry"},
        {"https://news.example.org/today", true},
    };
}

std::string hourText(int hour) {
    return std::to_string(((hour % 24) + 24) % 24) + ":00";
}

// The settings and rules the samples show: the fallback for links no rule claims (no picker unless asked
// for), no network, and one rule of each kind; of the two time-window rules one is active now.
void setUp(HostContext& host) {
    host.preferences().setAlwaysAsks(false);
    host.preferences().setFallbackTarget("chromium");
    host.preferences().setResolvesShortLinks(false);
    const int hour = host.calendar().components(host.now()).hour;
    const std::set<std::int64_t> everyDay{1, 2, 3, 4, 5, 6, 7};
    const LinkRule rules[] = {
        {Uuid::generate(), LinkRuleMatcher::domain("example.com", true), "firefox-esr"},
        {Uuid::generate(), LinkRuleMatcher::pathPrefix("github.com", "/ferrywise"), "chromium"},
        {Uuid::generate(), LinkRuleMatcher::domain("bank.example.net", false), "chromium#private"},
        {Uuid::generate(), LinkRuleMatcher::domain("work.example.net", false), "chromium#profile:Profile 1"},
        {Uuid::generate(), LinkRuleMatcher::domain("meet.example.org", false), "firefox-esr#private",
         std::nullopt, std::vector{LinkRuleTimeWindow(everyDay, hourText(hour - 2), hourText(hour + 2))}},
        {Uuid::generate(), LinkRuleMatcher::domain("meet.example.org", false), "chromium#profile:Default",
         std::nullopt, std::vector{LinkRuleTimeWindow(everyDay, hourText(hour + 10), hourText(hour + 12))}},
    };
    for (const auto& rule : rules) {
        host.rules().addRule(rule);
    }
}

void describeSetUp(HostContext& host, std::ostream& out) {
    out << "Settings: links no rule claims go to the fallback, chromium (the picker only when asked for); "
           "tracking parameters are removed; short links are not resolved (no network)\n"
        << "Rules:\n";
    for (const auto& rule : host.rules().listRules()) {
        out << "  " << rule.matcher().summary(host.localization()) << " -> " << rule.bundleIdentifier();
        if (rule.hasTimeWindows()) {
            const auto& window = rule.timeWindows()->front();
            out << "  (every day " << window.start() << "-" << window.end()
                << (rule.isActive(host.now(), host.calendar()) ? ", active now)" : ", not active now)");
        }
        out << '\n';
    }
}

// The words of a command line, quoted where a word holds a blank or a quote.
std::string commandLine(const std::vector<std::string>& words) {
    std::string text;
    for (const auto& word : words) {
        bool quoted = word.empty() || word.find_first_of(" \t'\"") != std::string::npos;
        text += (text.empty() ? "" : " ") + (quoted ? "'" + word + "'" : word);
    }
    return text;
}

std::string indented(const std::string& lines, const std::string& indent) {
    std::istringstream stream(lines);
    std::string text;
    for (std::string line; std::getline(stream, line);) {
        text += indent + line + '\n';
    }
    return text;
}

// Routes and opens one link as `ferrywise open` does, without a terminal to ask on, and tells the
// decision and the start of the program that received it. Returns false when the link was decided but
// did not reach a program.
bool showLink(Session& demo, const DemoSandbox& sandbox, std::ostringstream& notes, const DemoLink& link) {
    auto& out = demo.out();
    auto& host = demo.host();
    out << '\n'
        << link.url << (link.pick ? "  (asking for the picker, as `ferrywise open --pick`)" : "") << '\n';
    std::optional<RoadDecision> decision;
    try {
        decision = demo.await(LinkRoad::decide(host, {link.url, std::nullopt, link.pick}));
    } catch (const RoadError& error) {
        out << "   refused:   " << error.what() << '\n';
        return true;
    }
    // The link line is already there; the rest of route's report follows under it.
    auto report = decisionText(*decision);
    out << indented(report.substr(report.find('\n') + 1), "   ");
    notes.str({});
    sandbox.forgetStarts();
    std::optional<OpenedLink> opened;
    try {
        opened = openDecision(demo, *decision, PickerInput::none);
    } catch (const CommandFailure& error) {
        out << "   failed:    " << error.what() << '\n';
        return false;
    }
    // The picker's words and any notice, as `open` says them on standard error.
    auto said = notes.str();
    for (auto at = said.find("ferrywise: "); at != std::string::npos; at = said.find("ferrywise: ", at)) {
        said.erase(at, std::string_view("ferrywise: ").size());
    }
    out << indented(said, "   note:      ");
    out << "   opened in: " << opened->name << '\n';
    auto started = sandbox.awaitStart(startTimeout);
    out << "   received:  " << (started ? commandLine(*started) : "nothing within 3 s") << '\n';
    return started.has_value();
}

int runDemo(Session& session, const std::vector<std::string>& urls) {
    // Before the host context: GIO reads the sandbox's environment once, on first use.
    DemoSandbox sandbox;
    std::ostringstream notes;
    Session demo(
        [] {
            return std::make_unique<HostContext>(Paths::fromEnvironment(),
                                                 freedesktop::makeDesktopWorkspace());
        },
        session.out(), notes);
    auto& host = demo.host();
    auto& out = session.out();
    out << "A throw-away desktop in " << sandbox.root().string() << " (removed at the end) with Firefox ESR, "
        << "Chromium (profiles Personal and Work) and Claws Mail, whose programs only note how they were "
        << "started.\nThe demo asks no terminal: a link for the picker goes to the fallback, as `ferrywise "
        << "open` does without a terminal.\n";
    setUp(host);
    describeSetUp(host, out);

    auto links = sampleLinks();
    if (!urls.empty()) {
        links.clear();
        for (const auto& url : urls) {
            links.push_back({url});
        }
    }
    bool reachedAll = true;
    for (const auto& link : links) {
        reachedAll = showLink(demo, sandbox, notes, link) && reachedAll;
    }
    out << "\nToday in the sandbox: " << host.routing().routedToday() << " links routed, "
        << host.tracking().removedToday() << " tracking parameters removed\n";
    if (!reachedAll) {
        throw CommandFailure("some links did not reach their program; see above");
    }
    return exitDone;
}

}  // namespace

void addDemoCommand(CLI::App& app, const Choose& choose) {
    auto urls = std::make_shared<std::vector<std::string>>();
    auto* command = app.add_subcommand(
        "demo", "Route sample links in a throw-away sandbox and show what each browser received");
    command->add_option("URL", *urls, "Links to route instead of the samples");
    command->callback([=] { choose([urls](Session& session) { return runDemo(session, *urls); }); });
}

}  // namespace ferrywise::host
