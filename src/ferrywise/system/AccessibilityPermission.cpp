#include "ferrywise/system/AccessibilityPermission.hpp"

#include <variant>

#include "ferrywise/opening/PrivateBrowsing.hpp"

namespace ferrywise {

bool AccessibilityPermission::isGranted(const AccessibilityTrust& trust) {
    return trust.isTrusted();
}

bool AccessibilityPermission::request(AccessibilityTrust& trust) {
    return trust.requestTrust();
}

AccessibilityPermission::Status AccessibilityPermission::status(
    bool isGranted, const std::optional<std::string>& currentIdentity,
    const std::optional<std::string>& identityWhenGranted) {
    if (isGranted) {
        return Status::granted;
    }
    // Without both identities nothing says another build holds the grant.
    if (!currentIdentity || !identityWhenGranted || *currentIdentity == *identityWhenGranted) {
        return Status::notGranted;
    }
    return Status::grantedToAnotherBuild;
}

bool AccessibilityPermission::isNeeded(const ApplicationTargetIdentifier& target) {
    if (!target.variant().isPrivate()) {
        return false;
    }
    auto strategy = PrivateBrowsing::strategy(target.bundleIdentifier());
    return strategy && std::holds_alternative<PrivateBrowsingStrategy::Safari>(strategy->value());
}

}  // namespace ferrywise
