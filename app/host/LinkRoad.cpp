#include "LinkRoad.hpp"

#include <unordered_set>

#include "ferrywise/link/LinkSource.hpp"
#include "ferrywise/link/RoutingMode.hpp"
#include "ferrywise/processing/LinkRewriter.hpp"
#include "ferrywise/processing/LinkSafety.hpp"
#include "ferrywise/processing/ShortLinkResolver.hpp"
#include "ferrywise/processing/URLCleaner.hpp"

namespace ferrywise::host {

namespace {

// How long a short-link request may take, and how long a failing shortener is left alone.
constexpr double shortLinkTimeout = 5.0;
constexpr double shortLinkBackoff = 300.0;

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

std::optional<LinkSource> sourceOf(const HostContext& host, const std::optional<std::string>& id) {
    if (!id) {
        return LinkSource::frontmost(*host.workspace(), host.bundleIdentifier());
    }
    std::optional<std::string> name;
    if (auto url = host.workspace()->urlForApplication(*id); url && url->filePath()) {
        name = host.workspace()->displayName(*url->filePath());
    }
    return LinkSource::make(*id, name, host.bundleIdentifier());
}

// Unwraps and cleans `url`, noting each change in `decision`.
Url unwrapAndClean(const Url& url, HostContext& host, RoadDecision& decision) {
    auto expanded = LinkRewriter::expand(url);
    decision.steps.push_back(
        {"expand", expanded != url ? std::string(expanded.absoluteString()) : "nothing to unwrap"});
    if (!host.preferences().cleansTrackingParameters()) {
        decision.steps.push_back({"clean", "switched off"});
        return expanded;
    }
    URLCleaner cleaner(host.preferences().keptTrackingParameters());
    auto removed = cleaner.removedParameterNames(expanded);
    if (removed.empty()) {
        decision.steps.push_back({"clean", "no tracking parameters"});
        return expanded;
    }
    decision.steps.push_back({"clean", "removed " + joined(removed)});
    decision.removedParameters.insert(decision.removedParameters.end(), removed.begin(), removed.end());
    return cleaner.clean(expanded);
}

std::vector<std::string> ruleHosts(LinkRuleEngine& rules) {
    std::vector<std::string> hosts;
    for (const auto& rule : rules.listRules()) {
        if (auto host = rule.matcher().host()) {
            hosts.push_back(std::move(*host));
        }
    }
    return hosts;
}

}  // namespace

std::string_view RoadDecision::kindName() const noexcept {
    switch (kind) {
        case Kind::rule:
            return "rule";
        case Kind::fallback:
            return "fallback";
        case Kind::picker:
            return "picker";
    }
    return "picker";
}

std::string_view LinkRoad::suspicionName(const LinkSuspicion& suspicion) noexcept {
    switch (suspicion.which()) {
        case LinkSuspicion::Case::userInfoImpersonation:
            return "userInfoImpersonation";
        case LinkSuspicion::Case::impersonatesInSubdomain:
            return "impersonatesInSubdomain";
        case LinkSuspicion::Case::looksLike:
            return "looksLike";
        case LinkSuspicion::Case::bareAddress:
            return "bareAddress";
        case LinkSuspicion::Case::mixedAlphabets:
            return "mixedAlphabets";
    }
    return "unknown";
}

boost::asio::awaitable<RoadDecision> LinkRoad::decide(HostContext& host, RoadRequest request) {
    auto received = Url::parse(request.url);
    if (!received) {
        throw RoadError("'" + request.url +
                        "' is not a URL; give a whole address such as https://example.com/");
    }
    auto source = sourceOf(host, request.source);
    // Nothing to route: refused before any step, so a refused URL is never resolved or counted.
    auto first = InterceptedLink::make(LinkRewriter::expand(*received), source);
    if (!first) {
        throw RoadError("'" + request.url + "' is not a web or mail link; only http, https and mailto " +
                        "addresses and local .html files are routed");
    }

    RoadDecision decision{.link = request.url, .processed = *first};
    auto url = unwrapAndClean(*received, host, decision);
    if (!host.preferences().resolvesShortLinks()) {
        decision.steps.push_back({"resolve", "switched off"});
    } else if (!ShortLinkResolver::isShortened(url)) {
        decision.steps.push_back({"resolve", "not a short link"});
    } else {
        auto resolved = co_await ShortLinkResolver(shortLinkTimeout, shortLinkBackoff).resolve(url);
        if (resolved != url) {
            decision.didResolveShortLink = true;
            decision.steps.push_back({"resolve", std::string(resolved.absoluteString())});
            url = unwrapAndClean(resolved, host, decision);
        } else {
            decision.steps.push_back({"resolve", "the short link could not be resolved; kept as it is"});
        }
    }
    // A resolved destination that is no web or mail link is never returned by the resolver, and the
    // cleaner keeps the scheme; the link therefore exists.
    auto link = InterceptedLink::make(url, source);
    if (!link) {
        throw RoadError("'" + request.url + "' does not lead to a web or mail link");
    }
    decision.processed = *link;

    auto dismissed = host.preferences().dismissedWarningHosts();
    decision.suspicion = LinkSafety::check(
        *link, ruleHosts(host.rules()), std::unordered_set<std::string>(dismissed.begin(), dismissed.end()));
    decision.steps.push_back({"safety", decision.suspicion
                                            ? decision.suspicion->shortMessage(host.localization()) + ": " +
                                                  decision.suspicion->message(host.localization())
                                            : "nothing suspicious"});

    if (auto match = host.rules().matchRule(*link, host.now(), host.calendar())) {
        decision.kind = RoadDecision::Kind::rule;
        decision.targetId = match->rule.bundleIdentifier();
        decision.steps.push_back({"rule", match->rule.matcher().summary(host.localization()) + " -> " +
                                              match->rule.bundleIdentifier() + " (" +
                                              match->rule.id().string() + ")"});
        decision.rule = std::move(match->rule);
        decision.target = std::move(match->target);
        co_return decision;
    }

    decision.steps.push_back({"rule", "none applies"});
    auto kind = link->scheme().kind();
    decision.candidates = host.applications().visibleApplications(kind);
    auto fallback = host.preferences().fallbackTarget();
    if (auto application = RoutingMode::destination(decision.candidates, host.preferences().alwaysAsks(),
                                                    request.forcePicker, fallback)) {
        decision.kind = RoadDecision::Kind::fallback;
        decision.targetId = application->id();
        decision.target = ApplicationTarget(application->bundleUrl(), application->variant());
        decision.steps.push_back({"fallback", application->name() + " (" + application->id() + ")"});
        co_return decision;
    }
    decision.kind = RoadDecision::Kind::picker;
    std::string why = request.forcePicker               ? " (asked for)"
                      : host.preferences().alwaysAsks() ? " (always ask is on)"
                      : decision.candidates.empty()     ? " (none installed)"
                                                        : "";
    decision.steps.push_back({"picker", std::to_string(decision.candidates.size()) + " " +
                                            std::string(kind.rawValue()) + " application(s) to choose from" +
                                            why});
    co_return decision;
}

}  // namespace ferrywise::host
