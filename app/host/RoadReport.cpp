#include "RoadReport.hpp"

namespace ferrywise::host {

namespace {

template <typename T>
nlohmann::json orNull(const std::optional<T>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

}  // namespace

nlohmann::json decisionJson(const RoadDecision& decision, const Localization& localization) {
    nlohmann::json json = {
        {"link", decision.link},
        {"processedLink", decision.processed.url().absoluteString()},
        {"removedParameters", decision.removedParameters},
        {"resolvedShortLink", decision.didResolveShortLink},
        {"suspicion", nullptr},
        {"source", nullptr},
        {"decision", decision.kindName()},
        {"ruleID", nullptr},
        {"target", orNull(decision.targetId)},
        {"candidates", nlohmann::json::array()},
        {"steps", nlohmann::json::array()},
    };
    if (const auto& suspicion = decision.suspicion) {
        json["suspicion"] = {{"kind", LinkRoad::suspicionName(*suspicion)},
                             {"shortMessage", suspicion->shortMessage(localization)},
                             {"message", suspicion->message(localization)}};
    }
    if (const auto& source = decision.processed.source()) {
        json["source"] = source->bundleIdentifier();
    }
    if (decision.rule) {
        json["ruleID"] = decision.rule->id().string();
    }
    for (const auto& candidate : decision.candidates) {
        json["candidates"].push_back({{"id", candidate.id()}, {"name", candidate.name()}});
    }
    for (const auto& step : decision.steps) {
        json["steps"].push_back({{"step", step.step}, {"detail", step.detail}});
    }
    return json;
}

std::string decisionText(const RoadDecision& decision) {
    std::string text = "link:      " + decision.link + "\n";
    if (decision.processed.url().absoluteString() != decision.link) {
        text += "processed: " + std::string(decision.processed.url().absoluteString()) + "\n";
    }
    for (const auto& step : decision.steps) {
        text += step.step + ":" + std::string(step.step.size() < 10 ? 10 - step.step.size() : 1, ' ') +
                step.detail + "\n";
    }
    if (decision.kind == RoadDecision::Kind::picker) {
        for (std::size_t index = 0; index < decision.candidates.size(); ++index) {
            text += "  " + std::to_string(index + 1) + "  " + decision.candidates[index].name() + "  (" +
                    decision.candidates[index].id() + ")\n";
        }
    }
    text += "decision:  " + std::string(decision.kindName());
    if (decision.targetId) {
        text += " -> " + *decision.targetId;
    }
    return text + "\n";
}

}  // namespace ferrywise::host
