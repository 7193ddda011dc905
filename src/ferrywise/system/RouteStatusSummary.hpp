#pragma once

// The state of one link family's handler as the settings and onboarding screens show it (handled by the
// host, taken by another application, or by none), and the one summary of both families with the day's
// routing count that the status line shows.
//
//   RouteStatusSummary summary(HandlerRouteState::ok(), HandlerRouteState::taken("Firefox"), 3);
//   summary.which();            // RouteStatusSummary::Case::mailTaken
//   summary.applicationName();  // "Firefox"

#include <cstdint>
#include <optional>
#include <string>

namespace ferrywise {

class HandlerRouteState {
  public:
    enum class Case { taken, ok, unset };

    [[nodiscard]] static HandlerRouteState taken(std::string applicationName) {
        return {Case::taken, std::move(applicationName)};
    }
    [[nodiscard]] static HandlerRouteState ok() { return {Case::ok, {}}; }
    [[nodiscard]] static HandlerRouteState unset() { return {Case::unset, {}}; }

    [[nodiscard]] Case which() const noexcept { return case_; }
    [[nodiscard]] bool isOK() const noexcept { return case_ == Case::ok; }
    [[nodiscard]] bool isTaken() const noexcept { return case_ == Case::taken; }
    // The other application's name; empty unless taken.
    [[nodiscard]] const std::string& applicationName() const noexcept { return applicationName_; }

    bool operator==(const HandlerRouteState&) const = default;

  private:
    HandlerRouteState(Case which, std::string applicationName)
        : case_(which), applicationName_(std::move(applicationName)) {}

    Case case_;
    std::string applicationName_;
};

class RouteStatusSummary {
  public:
    enum class Case {
        webTaken,
        mailTaken,
        webTakenMailUnset,
        webUnsetMailTaken,
        noRoutes,
        allHandled,
        bothTaken,
        webUnset,
        mailUnset,
        bothUnset,
    };

    // Nothing routed today gives noRoutes; otherwise the two states decide, a taken family naming the
    // application that took it (both taken: no names).
    RouteStatusSummary(const HandlerRouteState& web, const HandlerRouteState& mail, std::int64_t routedToday);

    [[nodiscard]] Case which() const noexcept { return case_; }
    // The name of the application that has taken a family, for the four cases that carry one.
    [[nodiscard]] const std::optional<std::string>& applicationName() const noexcept {
        return applicationName_;
    }

    bool operator==(const RouteStatusSummary&) const = default;

  private:
    RouteStatusSummary(Case which, std::optional<std::string> applicationName)
        : case_(which), applicationName_(std::move(applicationName)) {}

    Case case_;
    std::optional<std::string> applicationName_;
};

}  // namespace ferrywise
