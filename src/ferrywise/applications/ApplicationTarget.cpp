#include "ferrywise/applications/ApplicationTarget.hpp"

namespace ferrywise {
namespace {

ApplicationVariant withoutEmptyPersona(ApplicationVariant variant) {
    if (auto value = variant.personaValue(); value && value->empty()) {
        return ApplicationVariant::normal();
    }
    return variant;
}

}  // namespace

ApplicationTargetIdentifier::ApplicationTargetIdentifier(std::string bundleIdentifier,
                                                         ApplicationVariant variant)
    : bundleIdentifier_(std::move(bundleIdentifier)), variant_(withoutEmptyPersona(std::move(variant))) {}

ApplicationTargetIdentifier ApplicationTargetIdentifier::fromStored(std::string_view stored) {
    auto hash = stored.rfind('#');
    if (hash == std::string_view::npos || hash == 0) {
        return ApplicationTargetIdentifier(std::string(stored));
    }
    auto variant = ApplicationVariant::fromStoredSuffix(stored.substr(hash + 1));
    // "#normal" is never split off: stored() never writes it, so it belongs to the identifier.
    if (!variant || variant->which() == ApplicationVariant::Case::normal) {
        return ApplicationTargetIdentifier(std::string(stored));
    }
    return ApplicationTargetIdentifier(std::string(stored.substr(0, hash)), std::move(*variant));
}

std::string ApplicationTargetIdentifier::stored() const {
    if (variant_.which() == ApplicationVariant::Case::normal) {
        return bundleIdentifier_;
    }
    return bundleIdentifier_ + "#" + variant_.storedSuffix();
}

}  // namespace ferrywise
