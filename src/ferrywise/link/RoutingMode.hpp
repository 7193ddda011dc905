#pragma once

// RoutingMode decides, for a link no rule claims, between opening the user's fallback destination and
// presenting the picker. Main thread.
//
//   auto application = RoutingMode::destination(candidates, alwaysAsks, false, fallbackTarget);
//   if (!application) { presentPicker(); }

#include <optional>
#include <string>
#include <vector>

#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/system/AccessibilityTrust.hpp"

namespace ferrywise {

class RoutingMode {
  public:
    RoutingMode() = delete;

    // The application to open the link with, or none to present the picker: none when `alwaysAsks` or
    // `forcePicker`, otherwise usableFallback. `among` holds the candidates of the link's family in the
    // user's order; `fallback` is the id of the stored fallback destination.
    [[nodiscard]] static std::optional<DiscoveredApplication> destination(
        const std::vector<DiscoveredApplication>& among, bool alwaysAsks, bool forcePicker,
        const std::optional<std::string>& fallback,
        const AccessibilityTrust& trust = AccessibilityTrust::process());

    // The application that stands in for the fallback: the candidate with exactly the fallback's id when
    // it is usable, else the first usable candidate, else the first candidate; none only for no
    // candidates. A private window driven by keystrokes is not usable without Accessibility trust.
    [[nodiscard]] static std::optional<DiscoveredApplication> usableFallback(
        const std::vector<DiscoveredApplication>& among, const std::optional<std::string>& fallback,
        const AccessibilityTrust& trust = AccessibilityTrust::process());

    // Returns whether the candidate can be opened now (see usableFallback).
    [[nodiscard]] static bool isUsable(const DiscoveredApplication& candidate,
                                       const AccessibilityTrust& trust);
};

}  // namespace ferrywise
