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
    // The variant after a "#" at `hash`, when it is one a stored target can carry ("#normal" is never split
    // off: stored() never writes it, so it belongs to the identifier).
    auto variantAt = [stored](std::size_t hash) -> std::optional<ApplicationVariant> {
        auto variant = ApplicationVariant::fromStoredSuffix(stored.substr(hash + 1));
        if (hash == 0 || !variant || variant->which() == ApplicationVariant::Case::normal) {
            return std::nullopt;
        }
        return variant;
    };
    auto hash = stored.rfind('#');
    if (hash == std::string_view::npos) {
        return ApplicationTargetIdentifier(std::string(stored));
    }
    auto variant = variantAt(hash);
    // A persona whose own value holds "#" (a Firefox profile folder "ab12.Work#2"): the last "#" falls
    // inside it, so the first "#" that starts a persona is where the identifier ends.
    for (auto earlier = stored.find('#'); !variant && earlier < hash;
         earlier = stored.find('#', earlier + 1)) {
        if ((variant = variantAt(earlier)) && variant->isPersona()) {
            hash = earlier;
        } else {
            variant.reset();
        }
    }
    if (!variant) {
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
