#include "ferrywise/applications/ApplicationScanner.hpp"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "ferrywise/foundation/Text.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

ApplicationScanner::ApplicationScanner(std::shared_ptr<const Workspace> workspace, Url ownBundleUrl,
                                       std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
                                       std::string ownBundleIdentifier)
    : ApplicationScanner(std::make_shared<WorkspaceApplicationCatalog>(std::move(workspace)),
                         std::move(ownBundleUrl), std::move(personaCatalog), std::move(ownBundleIdentifier)) {
}

ApplicationScanner::ApplicationScanner(std::shared_ptr<const ApplicationCatalog> catalog, Url ownBundleUrl,
                                       std::shared_ptr<const BrowserPersonaCatalog> personaCatalog,
                                       std::string ownBundleIdentifier)
    : catalog_(std::move(catalog)),
      ownBundleUrl_(std::move(ownBundleUrl)),
      personaCatalog_(std::move(personaCatalog)),
      ownBundleIdentifier_(std::move(ownBundleIdentifier)) {}

std::vector<DiscoveredApplication> ApplicationScanner::scan(LinkScheme::Kind kind,
                                                            const Localization& localization) const {
    std::map<std::string, DiscoveredApplication> found;
    std::map<std::string, DiscoveredApplication> privateEntries;
    // A browser is registered for http and https alike: its entry is read once.
    std::unordered_set<Url> visited;
    for (auto scheme : kind.schemes()) {
        for (const auto& bundleUrl : catalog_->applicationUrls(scheme)) {
            if (!visited.insert(bundleUrl).second || Url::sameResolvedPath(bundleUrl, ownBundleUrl_)) {
                continue;
            }
            auto identity = catalog_->identity(bundleUrl);
            if (!identity ||
                (!ownBundleIdentifier_.empty() &&
                 identity->bundleIdentifier().starts_with(ownBundleIdentifier_)) ||
                found.contains(identity->bundleIdentifier())) {
                continue;  // not an application, the host or a companion of it, or a later copy
            }
            auto personas = kind == LinkScheme::Kind::web
                                ? personaVariants(*identity, bundleUrl, *personaCatalog_)
                                : std::vector<DiscoveredApplication>{};
            DiscoveredApplication application(identity->bundleIdentifier(), identity->name(), bundleUrl, kind,
                                              ApplicationVariant::normal(), std::move(personas));
            if (auto privateEntry =
                    application.privateVariant(localization, identity->privateWindowAction())) {
                privateEntries.emplace(identity->bundleIdentifier(), std::move(*privateEntry));
            }
            found.emplace(identity->bundleIdentifier(), std::move(application));
        }
    }
    std::vector<DiscoveredApplication> list;
    for (const auto& [bundleIdentifier, application] : found) {
        list.push_back(application);
        list.insert(list.end(), application.profileVariants().begin(), application.profileVariants().end());
        if (auto privateEntry = privateEntries.find(bundleIdentifier); privateEntry != privateEntries.end()) {
            list.push_back(std::move(privateEntry->second));
        }
    }
    // Ids are unique within a scan, so the two keys decide the whole order.
    std::stable_sort(list.begin(), list.end(),
                     [](const DiscoveredApplication& a, const DiscoveredApplication& b) {
                         auto order = text::localizedStandardCompare(a.name(), b.name());
                         if (order != 0) {
                             return order < 0;
                         }
                         return a.id() < b.id();
                     });
    return list;
}

std::vector<DiscoveredApplication> ApplicationScanner::personaVariants(
    const ApplicationIdentity& identity, const Url& bundleUrl, const BrowserPersonaCatalog& personaCatalog) {
    auto entry = [&](std::string_view personaName, ApplicationVariant variant) {
        return DiscoveredApplication(identity.bundleIdentifier(),
                                     DiscoveredApplication::personaName(identity.name(), personaName),
                                     bundleUrl, LinkScheme::Kind::web, std::move(variant));
    };
    std::vector<DiscoveredApplication> entries;
    if (auto profiles = personaCatalog.profiles(identity.bundleIdentifier()); profiles.size() >= 2) {
        for (const auto& profile : profiles) {
            entries.push_back(entry(profile.displayName, ApplicationVariant::profile(profile.directory)));
        }
        return entries;
    }
    if (auto spaces = personaCatalog.spaces(identity.bundleIdentifier()); spaces.size() >= 2) {
        for (const auto& space : spaces) {
            entries.push_back(entry(space.title, ApplicationVariant::space(space.id)));
        }
    }
    return entries;
}

}  // namespace ferrywise
