// `ferrywise rules`: the user's rules, listed, added and removed. Each change is one write of the rule file
// under its lock, so a change made meanwhile by another process is kept.

#include <array>
#include <sstream>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/rules/LinkRule.hpp"
#include "ferrywise/system/Workspace.hpp"

#include "Commands.hpp"

namespace ferrywise::host {

namespace {

constexpr std::array<std::string_view, 7> dayNames{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};

std::optional<std::int64_t> dayNumber(std::string_view text) {
    auto lower = text::lowercased(text);
    for (std::size_t index = 0; index < dayNames.size(); ++index) {
        if (lower.starts_with(dayNames.at(index)) && lower.size() >= 3) {
            return static_cast<std::int64_t>(index + 1);
        }
    }
    if (lower.size() == 1 && lower[0] >= '1' && lower[0] <= '7') {
        return lower[0] - '0';
    }
    return std::nullopt;
}

// "mon-fri 09:00-17:00", "sat,sun 10:00-12:00", "daily 22:00-06:00".
LinkRuleTimeWindow parseWindow(const std::string& text) {
    auto fail = [&text] {
        return UsageFailure("cannot read the time window '" + text +
                            "'; write days and times as in 'mon-fri 09:00-17:00' or 'sat,sun 10:00-12:30'");
    };
    std::istringstream words(text);
    std::string daysText;
    std::string timesText;
    std::string extra;
    if (!(words >> daysText >> timesText) || (words >> extra)) {
        throw fail();
    }
    std::set<std::int64_t> days;
    if (text::lowercased(daysText) == "daily") {
        days = {1, 2, 3, 4, 5, 6, 7};
    }
    std::istringstream parts(days.empty() ? daysText : std::string());
    for (std::string part; std::getline(parts, part, ',');) {
        auto dash = part.find('-');
        auto first = dayNumber(part.substr(0, dash));
        auto last = dash == std::string::npos ? first : dayNumber(part.substr(dash + 1));
        if (!first || !last || *first > *last) {
            throw fail();
        }
        for (auto day = *first; day <= *last; ++day) {
            days.insert(day);
        }
    }
    auto dash = timesText.find('-');
    if (days.empty() || dash == std::string::npos) {
        throw fail();
    }
    auto start = timesText.substr(0, dash);
    auto end = timesText.substr(dash + 1);
    if (!LinkRuleTimeWindow::minutesSinceMidnight(start) || !LinkRuleTimeWindow::minutesSinceMidnight(end)) {
        throw fail();
    }
    return {days, start, end};
}

// Days as they are read back: runs of three or more joined ("mon-fri,sun").
std::string windowText(const LinkRuleTimeWindow& window) {
    std::string days;
    for (std::int64_t day = 1; day <= 7; ++day) {
        if (!window.days().contains(day)) {
            continue;
        }
        auto last = day;
        while (last < 7 && window.days().contains(last + 1)) {
            ++last;
        }
        auto name = [](std::int64_t number) {
            return std::string(dayNames.at(static_cast<std::size_t>(number - 1)));
        };
        days += (days.empty() ? "" : ",") + name(day);
        if (last - day >= 2) {
            days += "-" + name(last);
            day = last;
        }
    }
    return days + " " + window.start() + "-" + window.end();
}

struct AddOptions {
    std::optional<std::string> url;
    std::optional<std::string> domain;
    bool subdomains = false;
    std::optional<std::string> path;
    bool anyWeb = false;
    bool anyMail = false;
    std::string target;
    std::optional<std::string> source;
    std::vector<std::string> windows;
};

LinkRuleMatcher matcherOf(const AddOptions& options) {
    if (options.url) {
        auto url = Url::parse(*options.url);
        auto scheme = url ? url->scheme() : std::nullopt;
        if (!scheme || (*scheme != "http" && *scheme != "https") || !url->host()) {
            throw UsageFailure("--url takes a whole http or https address, such as https://example.com/page");
        }
        return LinkRuleMatcher::exactURL(*options.url);
    }
    if (options.domain) {
        if (LinkRuleMatcher::normalizedDomain(*options.domain).empty()) {
            throw UsageFailure("--domain takes a host name, such as example.com");
        }
        return LinkRuleMatcher::domain(*options.domain, options.subdomains);
    }
    if (options.path) {
        auto slash = options.path->find('/');
        if (slash == 0 || slash == std::string::npos) {
            throw UsageFailure("--path takes a host and a path, such as example.com/docs");
        }
        return LinkRuleMatcher::pathPrefix(options.path->substr(0, slash), options.path->substr(slash));
    }
    return options.anyMail ? LinkRuleMatcher::mailDefault() : LinkRuleMatcher::anyWebLink();
}

int add(Session& session, const AddOptions& options) {
    auto& host = session.host();
    auto matcher = matcherOf(options);
    auto target = ApplicationTargetIdentifier::fromStored(options.target);
    auto bundle = host.workspace()->urlForApplication(target.bundleIdentifier());
    if (!bundle) {
        throw CommandFailure("no installed application has the desktop ID '" + target.bundleIdentifier() +
                             "'; `ferrywise apps` lists the ones you can use");
    }
    if (Url::sameResolvedPath(*bundle, host.ownBundleUrl())) {
        throw CommandFailure("a rule cannot send links to ferrywise itself; choose a browser or mail client");
    }
    std::optional<std::vector<LinkRuleTimeWindow>> windows;
    for (const auto& text : options.windows) {
        if (!windows) {
            windows.emplace();
        }
        windows->push_back(parseWindow(text));
    }
    LinkRule rule(Uuid::generate(), matcher, options.target, options.source, windows);
    host.rules().addRule(rule);
    session.out() << "Added " << rule.id().string() << ": " << matcher.summary(host.localization()) << " -> "
                  << options.target << '\n';
    return exitDone;
}

int list(Session& session, bool json) {
    auto& host = session.host();
    auto rules = host.rules().listRules();
    if (json) {
        session.out() << nlohmann::json(rules).dump(2) << '\n';
        return exitDone;
    }
    if (rules.empty()) {
        session.out() << "No rules. Add one with `ferrywise rules add`.\n";
    }
    for (const auto& rule : rules) {
        session.out() << rule.id().string() << "  " << rule.matcher().summary(host.localization()) << " -> "
                      << rule.bundleIdentifier();
        if (rule.source()) {
            session.out() << "  from " << *rule.source();
        }
        for (const auto& window : rule.timeWindows().value_or(std::vector<LinkRuleTimeWindow>{})) {
            session.out() << "  [" << windowText(window) << "]";
        }
        session.out() << '\n';
    }
    return exitDone;
}

}  // namespace

void addRulesCommand(CLI::App& app, const Choose& choose) {
    auto* command = app.add_subcommand("rules",
                                       "Show, add and remove the rules that send links to a browser or "
                                       "mail client");
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "List the rules as they are stored");
    command->callback([=] {
        if (command->get_subcommands().empty()) {
            choose([json](Session& session) { return list(session, *json); });
        }
    });

    auto options = std::make_shared<AddOptions>();
    auto* add = command->add_subcommand("add", "Add a rule (or replace the one that decides the same links)");
    auto* kinds = add->add_option_group("links", "Which links the rule decides (one of these)");
    kinds->add_option("--url", options->url, "Exactly this address");
    kinds->add_option("--domain", options->domain, "Links to this host");
    kinds->add_option("--path", options->path, "Links on a host at or below a path: example.com/docs");
    kinds->add_flag("--any-web", options->anyWeb, "Every web link");
    kinds->add_flag("--any-mail", options->anyMail, "Every mail link");
    kinds->require_option(1);
    add->add_flag("--subdomains", options->subdomains, "With --domain: its subdomains too");
    add->add_option("--target", options->target,
                    "Where the links open: a desktop ID, optionally with #private or #profile:<folder> "
                    "(see `ferrywise apps`)")
        ->required();
    add->add_option("--source", options->source, "Only links opened in this application (its desktop ID)");
    add->add_option("--window", options->windows,
                    "Only at these times, e.g. 'mon-fri 09:00-17:00' (repeat for more windows)");
    add->callback(
        [=] { choose([options](Session& session) { return ::ferrywise::host::add(session, *options); }); });

    auto id = std::make_shared<std::string>();
    auto* remove =
        command->add_subcommand("remove", "Remove a rule by its ID (as `ferrywise rules` lists it)");
    remove->add_option("ID", *id, "The rule's ID")->required();
    remove->callback([=] {
        choose([id](Session& session) {
            auto uuid = Uuid::parse(*id);
            if (!uuid) {
                throw UsageFailure("'" + *id + "' is not a rule ID; `ferrywise rules` lists them");
            }
            auto& rules = session.host().rules();
            auto before = rules.listRules().size();
            rules.removeRule(*uuid);
            if (rules.listRules().size() == before) {
                throw CommandFailure("no rule has the ID " + *id + "; `ferrywise rules` lists them");
            }
            session.out() << "Removed " << uuid->string() << '\n';
            return exitDone;
        });
    });
}

}  // namespace ferrywise::host
