#include "ferrywise/rules/LinkRuleEngine.hpp"

#include <algorithm>

#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

LinkRuleEngine::LinkRuleEngine(LinkRuleStore store, std::shared_ptr<const Workspace> workspace,
                               Url ownBundleUrl)
    : LinkRuleEngine(std::move(store), std::make_shared<WorkspaceApplicationCatalog>(std::move(workspace)),
                     std::move(ownBundleUrl)) {}

LinkRuleEngine::LinkRuleEngine(LinkRuleStore store, std::shared_ptr<const ApplicationCatalog> catalog,
                               Url ownBundleUrl)
    : store_(std::move(store)), catalog_(std::move(catalog)), ownBundleUrl_(std::move(ownBundleUrl)) {
    reload();
}

void LinkRuleEngine::reload() {
    // Stamped before reading: a file replaced in between is read newer than its stamp, and the next call
    // reads it again, instead of old content being taken for the new file.
    auto held = HeldFile::open(store_.filePath());
    auto stamp = held ? held->stamp() : store_.stamp();
    rules_ = store_.load();
    heldFile_ = std::move(held);
    loadedStamp_ = stamp;
}

void LinkRuleEngine::reloadIfChangedOnDisk() {
    if (store_.stamp() != loadedStamp_) {
        reload();
    }
}

std::optional<ApplicationTarget> LinkRuleEngine::match(const InterceptedLink& link, Date now,
                                                       const Calendar& calendar) {
    auto found = matchRule(link, now, calendar);
    return found ? std::optional<ApplicationTarget>(std::move(found->target)) : std::nullopt;
}

std::optional<LinkRuleMatch> LinkRuleEngine::matchRule(const InterceptedLink& link, Date now,
                                                       const Calendar& calendar) {
    reloadIfChangedOnDisk();
    struct Candidate {
        LinkRulePrecedence precedence;
        const LinkRule* rule;
    };
    LinkRuleMatcher::Subject subject(link);
    std::vector<Candidate> candidates;
    for (const auto& rule : rules_) {
        if (rule.matcher().matches(subject) && rule.accepts(link.source()) && rule.isActive(now, calendar)) {
            candidates.push_back({rule.precedence(), &rule});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.precedence > b.precedence; });
    for (const auto& candidate : candidates) {
        const auto& rule = *candidate.rule;
        auto target = ApplicationTargetIdentifier::fromStored(rule.bundleIdentifier());
        auto bundleUrl = catalog_->applicationUrl(target.bundleIdentifier());
        if (!bundleUrl) {
            Log::rules().log("Rule target %{public}s is not installed; ignoring the rule",
                             rule.bundleIdentifier());
            continue;
        }
        if (Url::sameResolvedPath(*bundleUrl, ownBundleUrl_)) {
            Log::rules().error("Ignoring rule that targets Velmora itself");
            continue;
        }
        if (rule.hasTimeWindows()) {
            Log::rules().log("Time-window rule matched, opening in %{public}s", rule.bundleIdentifier());
        }
        return LinkRuleMatch{rule, ApplicationTarget(std::move(*bundleUrl), target.variant())};
    }
    return std::nullopt;
}

std::vector<LinkRule> LinkRuleEngine::listRules() {
    reloadIfChangedOnDisk();
    return rules_;
}

void LinkRuleEngine::addRule(const LinkRule& rule) {
    auto lock = store_.lock();  // held until written: another process's change in between is not lost
    reloadIfChangedOnDisk();
    auto rules = rules_;
    auto equivalent = std::find_if(rules.begin(), rules.end(), [&rule](const LinkRule& existing) {
        // Time windows compare position by position; an absent list differs from an empty one.
        return existing.matcher().decidesSameLinks(rule.matcher()) && existing.source() == rule.source() &&
               existing.timeWindows() == rule.timeWindows();
    });
    if (equivalent != rules.end()) {
        *equivalent = rule;
    } else {
        rules.push_back(rule);
    }
    commit(std::move(rules));
}

void LinkRuleEngine::removeRule(const Uuid& id) {
    auto lock = store_.lock();
    reloadIfChangedOnDisk();
    auto rules = rules_;
    auto removed = std::erase_if(rules, [&id](const LinkRule& rule) { return rule.id() == id; });
    if (removed == 0) {
        return;
    }
    commit(std::move(rules));
}

void LinkRuleEngine::commit(std::vector<LinkRule> rules) {
    auto written = store_.saveHolding(rules);  // throws before anything in memory changes
    rules_ = std::move(rules);
    // The stamp of this write itself: a writer replacing the file right after it is still seen.
    loadedStamp_ = written.stamp();
    heldFile_ = std::move(written);
}

}  // namespace ferrywise
