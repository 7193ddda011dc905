#pragma once

// The strict decoding of the stored rule objects, shared by the two readers: nlohmann values (single
// matchers and rules, as sync records carry them) and the streaming reader of the rule file. Each function
// takes the members it reads, nullptr for an absent member; a null member counts as absent. All throw
// DecodingError.

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/rules/LinkRule.hpp"
#include "ferrywise/rules/LinkRuleMatcher.hpp"

namespace ferrywise::decoding {

struct MatcherMembers {
    const nlohmann::json* kind = nullptr;
    const nlohmann::json* url = nullptr;
    const nlohmann::json* domain = nullptr;
    const nlohmann::json* includingSubdomains = nullptr;
    const nlohmann::json* path = nullptr;
};

[[nodiscard]] LinkRuleMatcher matcher(const MatcherMembers& members);

// `days` are the already read values of the "days" array; none when the member is absent.
[[nodiscard]] LinkRuleTimeWindow timeWindow(std::optional<std::set<std::int64_t>> days,
                                            const nlohmann::json* start, const nlohmann::json* end);

// The rule's members; the matcher and time windows already decoded (none: absent).
struct RuleMembers {
    const nlohmann::json* id = nullptr;
    std::optional<LinkRuleMatcher> matcher;
    const nlohmann::json* bundleIdentifier = nullptr;
    const nlohmann::json* source = nullptr;
    std::optional<std::vector<LinkRuleTimeWindow>> timeWindows;
};

[[nodiscard]] LinkRule rule(RuleMembers members);

}  // namespace ferrywise::decoding
