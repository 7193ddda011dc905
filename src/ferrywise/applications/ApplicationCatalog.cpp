#include "ferrywise/applications/ApplicationCatalog.hpp"

#include "ferrywise/opening/PrivateBrowsing.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

std::optional<Url> WorkspaceApplicationCatalog::applicationUrl(std::string_view bundleIdentifier) const {
    return workspace_->urlForApplication(bundleIdentifier);
}

std::vector<Url> WorkspaceApplicationCatalog::applicationUrls(LinkScheme handling) const {
    return workspace_->urlsForApplicationsToOpen(handling.probeUrl());
}

std::optional<ApplicationIdentity> WorkspaceApplicationCatalog::identity(const Url& bundleUrl) const {
    auto info = workspace_->bundleInfo(bundleUrl);
    if (!info || !info->bundleIdentifier) {
        return std::nullopt;
    }
    return ApplicationIdentity(*info->bundleIdentifier, workspace_->displayName(bundleUrl.path()),
                               PrivateBrowsing::privateWindowAction(info->actions));
}

}  // namespace ferrywise
