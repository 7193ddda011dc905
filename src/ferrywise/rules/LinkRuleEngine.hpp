#pragma once

// LinkRuleEngine owns the user's rules in memory, keeps them in step with the rule file, and answers which
// target a link opens in. Another writer (the sync manager) may replace the file at any time; the engine
// notices by the file's stamp (date to the nanosecond, identity and size) at the start of each operation and
// reads it again. Main thread only.
//
//   LinkRuleEngine engine(store, workspace, ownBundleUrl);
//   if (auto target = engine.match(*link, clock.now(), Calendar::current())) { open(*target); }

#include <memory>
#include <optional>
#include <vector>

#include "ferrywise/applications/ApplicationCatalog.hpp"
#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/foundation/FileStamp.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/foundation/Uuid.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/rules/LinkRule.hpp"
#include "ferrywise/rules/LinkRuleStore.hpp"

namespace ferrywise {

class Workspace;

// The rule that decided a link, and the target it opens.
struct LinkRuleMatch {
    LinkRule rule;
    ApplicationTarget target;

    bool operator==(const LinkRuleMatch&) const = default;
};

class LinkRuleEngine {
  public:
    // Reads the rules now. `ownBundleUrl` is the router's own bundle, which no rule may target.
    LinkRuleEngine(LinkRuleStore store, std::shared_ptr<const Workspace> workspace, Url ownBundleUrl);
    LinkRuleEngine(LinkRuleStore store, std::shared_ptr<const ApplicationCatalog> catalog, Url ownBundleUrl);

    // The target of the best rule for the link: among the rules that match it, accept its source and are
    // active at `now` in `calendar`, the highest precedence wins (the earlier rule on a tie). A rule whose
    // application is not installed, or is the router itself, is passed over with a log line. None when no
    // rule is left.
    [[nodiscard]] std::optional<ApplicationTarget> match(const InterceptedLink& link, Date now,
                                                         const Calendar& calendar);
    // match(), with the rule that decided.
    [[nodiscard]] std::optional<LinkRuleMatch> matchRule(const InterceptedLink& link, Date now,
                                                         const Calendar& calendar);

    // The rules in stored order.
    [[nodiscard]] std::vector<LinkRule> listRules();

    // Replaces the first rule that decides the same links with the same source and time windows (at its
    // position, id included), or appends the rule. Holds the store's lock from reading the file as it is
    // to writing it. Throws the store's error; the rules are then unchanged.
    void addRule(const LinkRule& rule);

    // Removes every rule with this id; writes nothing when there is none. Throws the store's error; the
    // rules are then unchanged.
    void removeRule(const Uuid& id);

  private:
    void reloadIfChangedOnDisk();
    // Reads the rules again and holds the file they came from open, noting its stamp; the held file keeps
    // its inode number from being given to a replacement, so any replacement is seen.
    void reload();
    void commit(std::vector<LinkRule> rules);

    LinkRuleStore store_;
    std::shared_ptr<const ApplicationCatalog> catalog_;
    Url ownBundleUrl_;
    std::vector<LinkRule> rules_;
    std::optional<HeldFile> heldFile_;
    std::optional<FileStamp> loadedStamp_;
};

}  // namespace ferrywise
