#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

const std::map<LinkScheme::Kind::Value, std::string>&
PassthroughTargetResolver::preferredBundleIdentifiers() {
    static const std::map<LinkScheme::Kind::Value, std::string> table = {
        {LinkScheme::Kind::web, "com.apple.Safari"},
        {LinkScheme::Kind::mail, "com.apple.mail"},
    };
    return table;
}

PassthroughTargetResolver::PassthroughTargetResolver(std::shared_ptr<const Workspace> workspace,
                                                     Url ownBundleUrl)
    : PassthroughTargetResolver(std::make_shared<WorkspaceApplicationCatalog>(std::move(workspace)),
                                std::move(ownBundleUrl)) {}

PassthroughTargetResolver::PassthroughTargetResolver(std::shared_ptr<const ApplicationCatalog> catalog,
                                                     Url ownBundleUrl)
    : catalog_(std::move(catalog)), ownBundleUrl_(std::move(ownBundleUrl)) {}

std::optional<Url> PassthroughTargetResolver::target(const InterceptedLink& link) const {
    const auto& preferred = preferredBundleIdentifiers().at(link.scheme().kind().value());
    if (auto url = catalog_->applicationUrl(preferred); url && !isSelf(*url)) {
        return url;
    }
    for (auto& url : catalog_->applicationUrls(link.scheme())) {
        if (!isSelf(url)) {
            return std::move(url);
        }
    }
    return std::nullopt;
}

}  // namespace ferrywise
