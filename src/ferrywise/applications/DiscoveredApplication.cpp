#include "ferrywise/applications/DiscoveredApplication.hpp"

#include "ferrywise/applications/ApplicationIconCache.hpp"
#include "ferrywise/opening/PrivateBrowsing.hpp"

namespace ferrywise {

DiscoveredApplication::DiscoveredApplication(std::string bundleIdentifier, std::string name, Url bundleUrl,
                                             LinkScheme::Kind kind, ApplicationVariant variant,
                                             std::vector<DiscoveredApplication> profileVariants)
    : bundleIdentifier_(std::move(bundleIdentifier)),
      name_(std::move(name)),
      bundleUrl_(std::move(bundleUrl)),
      kind_(kind),
      variant_(std::move(variant)),
      profileVariants_(std::move(profileVariants)) {}

std::string DiscoveredApplication::id() const {
    return target().stored();
}

ApplicationTargetIdentifier DiscoveredApplication::target() const {
    return ApplicationTargetIdentifier(bundleIdentifier_, variant_);
}

std::optional<DiscoveredApplication> DiscoveredApplication::privateVariant(
    const Localization& localization, const std::optional<ApplicationAction>& privateWindowAction) const {
    if (variant_.which() != ApplicationVariant::Case::normal || kind_ != LinkScheme::Kind::web) {
        return std::nullopt;
    }
    auto strategy = PrivateBrowsing::strategy(bundleIdentifier_, privateWindowAction);
    if (!strategy) {
        return std::nullopt;
    }
    return DiscoveredApplication(bundleIdentifier_,
                                 PrivateBrowsing::displayName(name_, strategy, localization), bundleUrl_,
                                 LinkScheme::Kind::web, ApplicationVariant::private_());
}

std::optional<WorkspaceIcon> DiscoveredApplication::icon(const Workspace& workspace) const {
    return ApplicationIconCache::icon(*this, workspace);
}

std::string DiscoveredApplication::personaName(std::string_view browserName, std::string_view personaName) {
    return std::string(browserName) + std::string(personaSeparator) + std::string(personaName);
}

std::optional<std::string> DiscoveredApplication::personaDisplayName() const {
    auto value = variant_.personaValue();
    if (!value) {
        return std::nullopt;
    }
    if (auto separator = name_.find(personaSeparator); separator != std::string::npos) {
        return name_.substr(separator + personaSeparator.size());
    }
    return std::string(*value);
}

std::string DiscoveredApplication::ringDisplayName() const {
    return personaDisplayName().value_or(name_);
}

}  // namespace ferrywise
