#pragma once

// AccessibilityPermission is what the settings pages know of the permission that simulated keystrokes
// need: whether the process has it, asking for it, whether it was granted to an earlier build instead of
// the running one (CodeIdentity tells builds apart), and which targets need it at all.
//
//   auto status = AccessibilityPermission::status(AccessibilityPermission::isGranted(),
//                                                 CodeIdentity::current(), storedIdentity);

#include <optional>
#include <string>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/system/AccessibilityTrust.hpp"

namespace ferrywise {

class AccessibilityPermission {
  public:
    AccessibilityPermission() = delete;

    enum class Status { granted, notGranted, grantedToAnotherBuild };

    // Returns whether the process is trusted now, without asking. Any thread.
    [[nodiscard]] static bool isGranted(const AccessibilityTrust& trust = AccessibilityTrust::process());

    // Asks the system to show its permission prompt and returns the trust it answers. Main thread.
    static bool request(AccessibilityTrust& trust = AccessibilityTrust::process());

    // granted when `isGranted`; otherwise grantedToAnotherBuild when both identities are known and differ
    // (the grant was last seen while a different build ran), else notGranted.
    [[nodiscard]] static Status status(bool isGranted, const std::optional<std::string>& currentIdentity,
                                       const std::optional<std::string>& identityWhenGranted);

    // Returns whether opening `target` needs the permission: only a private window of a browser whose
    // private-browsing strategy is driven by keystrokes (the safari strategy). The routing decision uses
    // the same test. Targets are named by identifier, as the settings pages and the router list them.
    [[nodiscard]] static bool isNeeded(const ApplicationTargetIdentifier& target);
};

}  // namespace ferrywise
