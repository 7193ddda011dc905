#include "ferrywise/link/LinkSource.hpp"

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

std::optional<LinkSource> LinkSource::make(std::optional<std::string_view> bundleIdentifier,
                                           std::optional<std::string_view> name,
                                           std::optional<std::string_view> excluding) {
    if (!bundleIdentifier || bundleIdentifier->empty() || (excluding && *excluding == *bundleIdentifier)) {
        return std::nullopt;
    }
    auto shown = (name && !name->empty()) ? *name : *bundleIdentifier;
    return LinkSource(std::string(*bundleIdentifier), std::string(shown));
}

std::optional<LinkSource> LinkSource::frontmost(const Workspace& workspace,
                                                std::optional<std::string_view> ownBundleIdentifier) {
    auto application = workspace.frontmostApplication();
    if (!application) {
        return std::nullopt;
    }
    return make(application->bundleIdentifier, application->localizedName, ownBundleIdentifier);
}

}  // namespace ferrywise
