#include "ferrywise/link/RoutingMode.hpp"

#include <algorithm>

#include "ferrywise/system/AccessibilityPermission.hpp"

namespace ferrywise {

std::optional<DiscoveredApplication> RoutingMode::destination(const std::vector<DiscoveredApplication>& among,
                                                              bool alwaysAsks, bool forcePicker,
                                                              const std::optional<std::string>& fallback,
                                                              const AccessibilityTrust& trust) {
    if (alwaysAsks || forcePicker) {
        return std::nullopt;
    }
    return usableFallback(among, fallback, trust);
}

std::optional<DiscoveredApplication> RoutingMode::usableFallback(
    const std::vector<DiscoveredApplication>& among, const std::optional<std::string>& fallback,
    const AccessibilityTrust& trust) {
    if (among.empty()) {
        return std::nullopt;
    }
    if (fallback) {
        auto named = std::find_if(
            among.begin(), among.end(),
            [&fallback](const DiscoveredApplication& candidate) { return candidate.id() == *fallback; });
        if (named != among.end() && isUsable(*named, trust)) {
            return *named;
        }
    }
    auto usable = std::find_if(among.begin(), among.end(), [&trust](const DiscoveredApplication& candidate) {
        return isUsable(candidate, trust);
    });
    return usable != among.end() ? *usable : among.front();
}

bool RoutingMode::isUsable(const DiscoveredApplication& candidate, const AccessibilityTrust& trust) {
    if (!AccessibilityPermission::isNeeded(candidate.target())) {
        return true;
    }
    // Keystrokes into another application need the Accessibility permission; asked last, as it is a
    // system call.
    return trust.isTrusted();
}

}  // namespace ferrywise
