#pragma once

// ApplicationScanner lists the browsers (or mail clients) a link can be sent to: every application the
// registry names for the family's schemes, once per bundle identifier, never the host itself; browsers with
// two or more profiles or spaces bring one entry per persona, browsers with a private mode one private entry.
// One flat list in file-manager order of the names. Main thread.
//
//   ApplicationScanner scanner(workspace, ownBundleUrl, std::make_shared<FileBrowserPersonaCatalog>(folder));
//   auto browsers = scanner.scan(LinkScheme::Kind::web);

#include <memory>
#include <string>
#include <vector>

#include "ferrywise/applications/ApplicationCatalog.hpp"
#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

class Workspace;

class ApplicationScanner {
  public:
    // `ownBundleIdentifier` is the host's bundle identifier: applications whose identifier begins with it
    // (copies and companions of the host) are never listed.
    ApplicationScanner(std::shared_ptr<const Workspace> workspace, Url ownBundleUrl,
                       std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
                       std::string ownBundleIdentifier = Paths::defaultBundleIdentifier);
    ApplicationScanner(std::shared_ptr<const ApplicationCatalog> catalog, Url ownBundleUrl,
                       std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
                       std::string ownBundleIdentifier = Paths::defaultBundleIdentifier);

    // The applications of the family, personas and private entries included, sorted by name (file-manager
    // order) and then by id. Never fails: what cannot be read is left out.
    [[nodiscard]] std::vector<DiscoveredApplication> scan(
        LinkScheme::Kind kind, const Localization& localization = Localization::current()) const;

    // A browser's persona entries: one per profile when it has two or more, else one per space when it has
    // two or more, else none.
    [[nodiscard]] static std::vector<DiscoveredApplication> personaVariants(
        const ApplicationIdentity& identity, const Url& bundleUrl,
        const BrowserPersonaCatalog& personaCatalog);

  private:
    std::shared_ptr<const ApplicationCatalog> catalog_;
    Url ownBundleUrl_;
    std::shared_ptr<const BrowserPersonaCatalog> personaCatalog_;
    std::string ownBundleIdentifier_;
};

}  // namespace ferrywise
