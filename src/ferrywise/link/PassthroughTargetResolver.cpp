#include "ferrywise/link/PassthroughTargetResolver.hpp"

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

const std::map<LinkScheme::Kind::Value, std::vector<std::string>>&
PassthroughTargetResolver::preferredBundleIdentifiers() {
    // The system's own browser and mail client first; then, for Linux, the distributions' usual ones in
    // their native, Flatpak and Snap packagings.
    static const std::map<LinkScheme::Kind::Value, std::vector<std::string>> table = {
        {LinkScheme::Kind::web, {"com.apple.Safari",
                                 "firefox-esr",
                                 "firefox",
                                 "org.mozilla.firefox",
                                 "firefox_firefox",
                                 "chromium",
                                 "chromium-browser",
                                 "chromium_chromium",
                                 "org.chromium.Chromium",
                                 "google-chrome",
                                 "com.google.Chrome",
                                 "org.gnome.Epiphany",
                                 "org.kde.falkon",
                                 "brave-browser",
                                 "com.brave.Browser",
                                 "microsoft-edge",
                                 "com.microsoft.Edge",
                                 "vivaldi-stable",
                                 "com.vivaldi.Vivaldi",
                                 "opera",
                                 "com.opera.Opera"}},
        {LinkScheme::Kind::mail,
         {"com.apple.mail", "thunderbird", "org.mozilla.Thunderbird", "thunderbird_thunderbird",
          "org.gnome.Evolution", "evolution", "org.kde.kmail2", "claws-mail", "org.gnome.Geary",
          "mozilla-thunderbird"}},
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
    for (const auto& preferred : preferredBundleIdentifiers().at(link.scheme().kind().value())) {
        if (auto url = catalog_->applicationUrl(preferred); url && !isSelf(*url)) {
            return url;
        }
    }
    for (auto& url : catalog_->applicationUrls(link.scheme())) {
        if (!isSelf(url)) {
            return std::move(url);
        }
    }
    return std::nullopt;
}

}  // namespace ferrywise
