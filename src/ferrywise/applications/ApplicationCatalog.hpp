#pragma once

// ApplicationCatalog is the interface to the system's application registry through which the scanner, the
// rule engine and the passthrough resolver find applications; WorkspaceApplicationCatalog answers it from
// the Workspace.

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "ferrywise/applications/ApplicationTarget.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

class Workspace;

class ApplicationCatalog {
  public:
    ApplicationCatalog() = default;
    ApplicationCatalog(const ApplicationCatalog&) = delete;
    ApplicationCatalog& operator=(const ApplicationCatalog&) = delete;
    virtual ~ApplicationCatalog() = default;

    // Where the application with this bundle identifier is installed, or none.
    [[nodiscard]] virtual std::optional<Url> applicationUrl(std::string_view bundleIdentifier) const = 0;

    // The bundle URLs of every application registered for the scheme, in the registry's own order.
    [[nodiscard]] virtual std::vector<Url> applicationUrls(LinkScheme handling) const = 0;

    // The identity of the bundle at `bundleUrl`; none when it is not a bundle or has no identifier.
    [[nodiscard]] virtual std::optional<ApplicationIdentity> identity(const Url& bundleUrl) const = 0;
};

class WorkspaceApplicationCatalog final : public ApplicationCatalog {
  public:
    explicit WorkspaceApplicationCatalog(std::shared_ptr<const Workspace> workspace)
        : workspace_(std::move(workspace)) {}

    [[nodiscard]] const std::shared_ptr<const Workspace>& workspace() const noexcept { return workspace_; }

    std::optional<Url> applicationUrl(std::string_view bundleIdentifier) const override;
    // Asks for the applications that open the scheme's probe URL and returns that list unchanged.
    std::vector<Url> applicationUrls(LinkScheme handling) const override;
    // The bundle's identifier with the file manager's display name of its path (as it comes).
    std::optional<ApplicationIdentity> identity(const Url& bundleUrl) const override;

  private:
    std::shared_ptr<const Workspace> workspace_;
};

}  // namespace ferrywise
