#pragma once

// How `ferrywise route` tells a decision: as lines for people, or as one JSON object with stable keys for
// programs ("link", "processedLink", "removedParameters", "resolvedShortLink", "suspicion", "source",
// "decision", "ruleID", "target", "candidates", "steps").

#include <string>

#include <nlohmann/json.hpp>

#include "LinkRoad.hpp"

namespace ferrywise::host {

[[nodiscard]] nlohmann::json decisionJson(const RoadDecision& decision, const Localization& localization);
[[nodiscard]] std::string decisionText(const RoadDecision& decision);

}  // namespace ferrywise::host
