#pragma once

// LinkRoad takes one opened URL the whole way to a decision, in this order: unwrap document-wrapper and
// short-video links, remove tracking parameters (the user's kept names excepted), resolve a known short
// link when that is switched on (the destination is unwrapped and cleaned in turn), check the address for
// deception against the hosts of the user's rules and the dismissed hosts, match the rules, and without a
// rule choose between the fallback and the picker over the family's applications in the user's order.
// It opens nothing and counts nothing; `ferrywise open` does that with the decision, `ferrywise route`
// explains it.
//
//   auto decision = co_await LinkRoad::decide(host, {.url = "https://example.com/?utm_source=x"});
//   if (decision.kind == RoadDecision::Kind::picker) { ask(decision.candidates); }

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/processing/LinkSuspicion.hpp"
#include "ferrywise/rules/LinkRule.hpp"

#include "HostContext.hpp"

namespace ferrywise::host {

struct RoadRequest {
    std::string url;
    std::optional<std::string> source;  // desktop ID of the application the link was opened in
    bool forcePicker = false;
};

// One step of the road as `route` tells it: what the step is, and what it did.
struct RoadStep {
    std::string step;
    std::string detail;
};

struct RoadDecision {
    enum class Kind { rule, fallback, picker };

    std::string link;  // as received
    InterceptedLink processed;
    std::vector<std::string> removedParameters = {};  // names, once per removed item
    bool didResolveShortLink = false;
    std::optional<LinkSuspicion> suspicion = std::nullopt;
    Kind kind = Kind::picker;
    std::optional<LinkRule> rule = std::nullopt;             // the rule that decided
    std::optional<ApplicationTarget> target = std::nullopt;  // where a rule or the fallback sends the link
    std::optional<std::string> targetId = std::nullopt;      // its stored identifier
    std::vector<DiscoveredApplication> candidates = {};  // the family's applications, when no rule decided
    std::vector<RoadStep> steps = {};

    // "rule", "fallback" or "picker".
    [[nodiscard]] std::string_view kindName() const noexcept;
};

// A URL the road cannot take: not a URL, or not a web or mail link.
class RoadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class LinkRoad {
  public:
    LinkRoad() = delete;

    // The decision for the request; throws RoadError for a URL that gives no link. Runs on the caller's
    // executor (the short-link request too).
    [[nodiscard]] static boost::asio::awaitable<RoadDecision> decide(HostContext& host, RoadRequest request);

    // A stable, lower-case name of the finding ("looksLike", "bareAddress"...).
    [[nodiscard]] static std::string_view suspicionName(const LinkSuspicion& suspicion) noexcept;
};

}  // namespace ferrywise::host
