// ferrywise-links: shows how the library sees and routes each URL given on the command line — how it is
// unwrapped and cleaned, whether it becomes a link, its scheme, family, summaries and host, whether its
// address looks deceptive, and where the rules, the routing decision or the picker send it — in an embedded
// sample environment: three installed applications, and a small rule file and the general settings written
// to a temporary folder. It counts what it routed as the host does. It stands in until the real
// command-line host replaces it.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string_view>
#include <unordered_set>

#include "ferrywise/applications/ApplicationCatalog.hpp"
#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/freedesktop/FileUserDefaults.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/link/RoutingMode.hpp"
#include "ferrywise/picker/LinkPickerModel.hpp"
#include "ferrywise/processing/LinkRewriter.hpp"
#include "ferrywise/processing/LinkSafety.hpp"
#include "ferrywise/processing/URLCleaner.hpp"
#include "ferrywise/rules/LinkRuleEngine.hpp"
#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/settings/RoutingStatistics.hpp"

namespace {

using namespace ferrywise;

// The sample machine's applications, by bundle identifier.
class SampleCatalog final : public ApplicationCatalog {
  public:
    SampleCatalog() {
        for (auto id : {"org.mozilla.firefox", "org.chromium.Chromium", "org.mozilla.Thunderbird"}) {
            urls_.emplace(id, *Url::parse("file:///usr/share/applications/" + std::string(id) + ".desktop"));
        }
    }

    std::optional<Url> applicationUrl(std::string_view bundleIdentifier) const override {
        auto found = urls_.find(std::string(bundleIdentifier));
        return found == urls_.end() ? std::nullopt : std::optional<Url>(found->second);
    }
    std::vector<Url> applicationUrls(LinkScheme handling) const override {
        if (handling.kind() == LinkScheme::Kind::mail) {
            return {urls_.at("org.mozilla.Thunderbird")};
        }
        return {urls_.at("org.mozilla.firefox"), urls_.at("org.chromium.Chromium")};
    }
    std::optional<ApplicationIdentity> identity(const Url&) const override { return std::nullopt; }

    [[nodiscard]] const Url& url(const std::string& id) const { return urls_.at(id); }

  private:
    std::map<std::string, Url> urls_;
};

std::vector<LinkRule> sampleRules() {
    return {
        LinkRule(Uuid::generate(), LinkRuleMatcher::domain("example.com", true), "org.mozilla.firefox"),
        LinkRule(Uuid::generate(), LinkRuleMatcher::pathPrefix("example.com", "/docs"),
                 "org.chromium.Chromium#private"),
        LinkRule(Uuid::generate(), LinkRuleMatcher::domain("work.example.org", false),
                 "org.chromium.Chromium#profile:Profile 1", std::nullopt,
                 std::vector<LinkRuleTimeWindow>{LinkRuleTimeWindow({1, 2, 3, 4, 5}, "9:00", "17:00")}),
        LinkRule(Uuid::generate(), LinkRuleMatcher::domain("old.example.net", false),
                 "com.example.Uninstalled"),
    };
}

// What the picker shows above its candidates.
std::string statusText(const LinkPickerStatus& status, const Localization& localization) {
    switch (status.which()) {
        case LinkPickerStatus::Case::removedTrackingParameters:
            return "removed " + std::to_string(*status.count()) + " tracking parameter(s)";
        case LinkPickerStatus::Case::warning:
            return "warning: " + status.suspicion()->shortMessage(localization);
        case LinkPickerStatus::Case::safe:
            return "safe";
        case LinkPickerStatus::Case::resolvedShortLink:
            return "resolved a short link";
        case LinkPickerStatus::Case::removedTrackingParametersAndResolvedShortLink:
            return "removed tracking parameters and resolved a short link";
    }
    return {};
}

// The classic picker as text: the status, the candidates with their number shortcuts, the highlighted one
// marked, and what remembering the choice would cover.
void showPicker(const LinkPickerModel& picker, const Localization& localization) {
    std::cout << "  picker:  " << statusText(picker.status(), localization) << '\n';
    for (int index = 0; index < static_cast<int>(picker.candidates().size()); ++index) {
        std::cout << "    " << (index == picker.highlightedIndex().value() ? '>' : ' ') << ' '
                  << LinkPickerModel::shortcutLabel(index).value_or(" ") << "  "
                  << picker.candidates()[static_cast<std::size_t>(index)].name() << '\n';
    }
    if (auto summary = picker.rememberSummary(localization)) {
        std::cout << "    remember for: " << *summary << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: ferrywise-links URL...\n";
        return 2;
    }
    auto localization = Localization::current();
    auto catalog = std::make_shared<SampleCatalog>();
    std::vector<DiscoveredApplication> browsers = {
        DiscoveredApplication("org.mozilla.firefox", "Firefox", catalog->url("org.mozilla.firefox"),
                              LinkScheme::Kind::web),
        DiscoveredApplication("org.chromium.Chromium", "Chromium", catalog->url("org.chromium.Chromium"),
                              LinkScheme::Kind::web)};
    std::vector<DiscoveredApplication> mailClients = {
        DiscoveredApplication("org.mozilla.Thunderbird", "Thunderbird",
                              catalog->url("org.mozilla.Thunderbird"), LinkScheme::Kind::mail)};

    // A private folder (mode 0700, a name no other user can guess or take first) for the sample files.
    auto pattern = (std::filesystem::temp_directory_path() / "ferrywise-links-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("ferrywise-links: cannot create a temporary folder");
        return 2;
    }
    const std::filesystem::path folder = pattern;
    struct Remover {
        std::filesystem::path folder;
        ~Remover() {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    } remover{folder};
    LinkRuleStore store(folder / LinkRuleStore::fileName);
    store.save(sampleRules());
    LinkRuleEngine engine(store, catalog,
                          *Url::parse("file:///usr/share/applications/app.velmora.Velmora.desktop"));
    std::cout << "Rules:\n";
    for (const auto& rule : engine.listRules()) {
        std::cout << "  " << rule.matcher().summary(localization) << " -> " << rule.bundleIdentifier()
                  << (rule.hasTimeWindows() ? " (weekdays 9:00-17:00)" : "") << '\n';
    }
    std::cout << '\n';

    // The general settings, as the user left them: links no rule matches show the picker, with Chromium
    // highlighted as the fallback; "ref" is kept when cleaning.
    auto defaults =
        std::make_shared<freedesktop::FileUserDefaults>(folder / "defaults", "app.velmora.Velmora");
    GeneralPreferences preferences(defaults, defaults->domain());
    preferences.setFallbackTarget("org.chromium.Chromium");
    preferences.setKeptTrackingParameters({"ref"});
    auto clock = [] { return std::chrono::system_clock::now(); };
    RoutingStatistics routed(defaults, clock);
    TrackingStatistics tracking(defaults, clock);

    // The hosts of the user's rules count as trusted sites, so look-alikes of them are warned about.
    std::vector<std::string> knownHosts;
    for (const auto& rule : engine.listRules()) {
        if (auto host = rule.matcher().host()) {
            knownHosts.push_back(*host);
        }
    }
    URLCleaner cleaner(preferences.keptTrackingParameters());
    auto dismissed = preferences.dismissedWarningHosts();
    std::unordered_set<std::string> dismissedHosts(dismissed.begin(), dismissed.end());

    int refused = 0;
    auto calendar = Calendar::current();
    auto now = std::chrono::system_clock::now();
    for (int i = 1; i < argc; ++i) {
        std::string_view text = argv[i];
        std::cout << text << '\n';
        int removedCount = 0;
        auto url = Url::parse(text);
        if (url) {
            auto expanded = LinkRewriter::expand(*url);
            if (expanded != *url) {
                std::cout << "  expanded: " << expanded.absoluteString() << '\n';
            }
            url = preferences.cleansTrackingParameters() ? cleaner.clean(expanded) : expanded;
            if (auto removed = cleaner.removedParameterNames(expanded); url != expanded) {
                tracking.recordRemovedParameters(static_cast<std::int64_t>(removed.size()));
                removedCount = static_cast<int>(removed.size());
                std::cout << "  cleaned:  " << url->absoluteString() << " (removed";
                for (const auto& name : removed) {
                    std::cout << ' ' << name;
                }
                std::cout << ")\n";
            }
        }
        auto link = url ? InterceptedLink::make(*url) : std::nullopt;
        if (!link) {
            std::cout << "  not a link: " << (url ? "not a web or mail link" : "not a valid URL") << "\n\n";
            ++refused;
            continue;
        }
        std::cout << "  scheme:  " << link->scheme().rawValue() << '\n'
                  << "  family:  " << link->scheme().kind().rawValue() << " ("
                  << link->scheme().kind().displayName(localization) << ")\n"
                  << "  display: " << link->displaySummary() << '\n'
                  << "  log:     " << link->logSummary() << '\n'
                  << "  host:    " << link->host().value_or("(none)") << '\n';
        if (auto forms = link->hostForms()) {
            std::cout << "  reads:   " << forms->readable << '\n';
        }
        auto suspicion = LinkSafety::check(*link, knownHosts, dismissedHosts);
        if (suspicion) {
            std::cout << "  warning: " << suspicion->shortMessage(localization) << ": "
                      << suspicion->message(localization) << '\n';
        }
        routed.recordRoutedLink();
        if (auto target = engine.match(*link, now, calendar)) {
            std::cout << "  rule:    " << target->bundleUrl().lastPathComponent() << " ("
                      << target->variant().storedSuffix() << ")\n\n";
            continue;
        }
        const auto& candidates = link->scheme().kind() == LinkScheme::Kind::mail ? mailClients : browsers;
        auto fallback = preferences.fallbackTarget();
        if (auto destination =
                RoutingMode::destination(candidates, preferences.alwaysAsks(), false, fallback)) {
            std::cout << "  no rule: fallback " << destination->name() << "\n\n";
            continue;
        }
        LinkPickerModel picker(*link, candidates, suspicion, removedCount, false, fallback);
        showPicker(picker, localization);
        std::cout << '\n';
    }
    std::cout << "Today: " << routed.routedToday() << " link(s) routed, " << tracking.removedToday()
              << " tracking parameter(s) removed\n";
    return refused == 0 ? 0 : 1;
}
