#pragma once

// PassthroughTargetResolver names the application that would take a link if the router stepped aside:
// the system's own browser or mail client when it is installed (on Linux the usual ones of the
// distributions, in a fixed order), else the first other application
// registered for the link's scheme; never the router itself. Main thread.
//
//   PassthroughTargetResolver resolver(workspace, ownBundleUrl);
//   auto bundleUrl = resolver.target(*link);

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ferrywise/applications/ApplicationCatalog.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/InterceptedLink.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

class Workspace;

class PassthroughTargetResolver {
  public:
    // The applications asked for first, in this order, per family.
    [[nodiscard]] static const std::map<LinkScheme::Kind::Value, std::vector<std::string>>&
    preferredBundleIdentifiers();

    // Over a WorkspaceApplicationCatalog of `workspace`.
    PassthroughTargetResolver(std::shared_ptr<const Workspace> workspace, Url ownBundleUrl);
    PassthroughTargetResolver(std::shared_ptr<const ApplicationCatalog> catalog, Url ownBundleUrl);

    [[nodiscard]] const ApplicationCatalog& catalog() const noexcept { return *catalog_; }
    [[nodiscard]] const Url& ownBundleUrl() const noexcept { return ownBundleUrl_; }

    // The bundle URL of the application to pass the link to, or none when only the router handles it.
    [[nodiscard]] std::optional<Url> target(const InterceptedLink& link) const;

  private:
    [[nodiscard]] bool isSelf(const Url& bundleUrl) const {
        return Url::sameResolvedPath(bundleUrl, ownBundleUrl_);
    }

    std::shared_ptr<const ApplicationCatalog> catalog_;
    Url ownBundleUrl_;
};

}  // namespace ferrywise
