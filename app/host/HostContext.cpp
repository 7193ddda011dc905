#include "HostContext.hpp"

#include "ferrywise/applications/ApplicationScanner.hpp"
#include "ferrywise/freedesktop/FileUserDefaults.hpp"
#include "ferrywise/system/AppLanguage.hpp"

namespace ferrywise::host {

namespace {

Url ownBundle(const Workspace& workspace, const Paths& paths, const std::filesystem::path& entry) {
    if (auto installed = workspace.urlForApplication(paths.bundleIdentifier())) {
        return *installed;
    }
    return Url::fromFilePath(entry);
}

// The language chosen in the settings wins over the desktop's.
Localization localizationFor(const GeneralPreferences& preferences) {
    switch (AppLanguage::fromLanguageCode(preferences.preferredLanguage()).value()) {
        case AppLanguage::english:
            return Localization::english();
        case AppLanguage::simplifiedChinese:
            return Localization("zh_CN");
        case AppLanguage::system:
            break;
    }
    return Localization::current();
}

}  // namespace

HostContext::HostContext(Paths paths, std::shared_ptr<Workspace> workspace, Now now)
    : paths_(std::move(paths)),
      workspace_(std::move(workspace)),
      now_(now ? std::move(now) : Now([] { return std::chrono::system_clock::now(); })),
      ownBundleUrl_(ownBundle(*workspace_, paths_, desktopEntryPath())),
      defaults_(freedesktop::FileUserDefaults::standard(paths_)),
      preferences_(defaults_, paths_.bundleIdentifier()),
      routing_(defaults_, now_),
      tracking_(defaults_, now_),
      personas_(std::make_shared<FileBrowserPersonaCatalog>(paths_)),
      calendar_(Calendar::current()),
      localization_(localizationFor(preferences_)) {}

std::filesystem::path HostContext::desktopEntryPath() const {
    return paths_.applicationSupport() / "applications" / (paths_.bundleIdentifier() + ".desktop");
}

LinkRuleEngine& HostContext::rules() {
    if (!rules_) {
        rules_.emplace(LinkRuleStore(LinkRuleStore::defaultFileUrl(paths_)), workspace_, ownBundleUrl_);
    }
    return *rules_;
}

ApplicationDirectory& HostContext::applications() {
    if (!applications_) {
        applications_ = std::make_unique<ApplicationDirectory>(
            ApplicationScanner(workspace_, ownBundleUrl_, personas_, paths_.bundleIdentifier()),
            ApplicationPreferencesStore(ApplicationPreferencesStore::defaultFileUrl(paths_)), nullptr,
            localization_);
    }
    return *applications_;
}

}  // namespace ferrywise::host
