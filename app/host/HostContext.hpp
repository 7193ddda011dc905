#pragma once

// HostContext holds the long-lived objects of one run of the `ferrywise` host: the user's settings, rule
// engine, application directory, statistics and the desktop's workspace, all over the user's own folders.
// The costly ones (the rule file, the application scan) are made on first use, so a command pays only for
// what it needs.
//
//   HostContext host(Paths::fromEnvironment(), freedesktop::makeDesktopWorkspace());
//   auto target = host.rules().match(*link, host.now(), host.calendar());

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "ferrywise/applications/ApplicationDirectory.hpp"
#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/foundation/Date.hpp"
#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/rules/LinkRuleEngine.hpp"
#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/settings/RoutingStatistics.hpp"
#include "ferrywise/system/UserDefaults.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::host {

class HostContext {
  public:
    using Now = std::function<Date()>;

    // The host over `paths` and `workspace`; `now` gives the current date (the system clock by default).
    HostContext(Paths paths, std::shared_ptr<Workspace> workspace, Now now = {});
    HostContext(const HostContext&) = delete;
    HostContext& operator=(const HostContext&) = delete;

    [[nodiscard]] const Paths& paths() const noexcept { return paths_; }
    [[nodiscard]] const std::shared_ptr<Workspace>& workspace() const noexcept { return workspace_; }
    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return paths_.bundleIdentifier(); }

    // Where `ferrywise install` puts the host's desktop entry: <data>/applications/<bundle
    // identifier>.desktop.
    [[nodiscard]] std::filesystem::path desktopEntryPath() const;
    // The host's own bundle: the installed entry the desktop finds under the bundle identifier, else the
    // place install would put it. No rule, fallback or handler may name it.
    [[nodiscard]] const Url& ownBundleUrl() const noexcept { return ownBundleUrl_; }

    [[nodiscard]] const std::shared_ptr<UserDefaults>& defaults() const noexcept { return defaults_; }
    [[nodiscard]] GeneralPreferences& preferences() noexcept { return preferences_; }
    [[nodiscard]] RoutingStatistics& routing() noexcept { return routing_; }
    [[nodiscard]] TrackingStatistics& tracking() noexcept { return tracking_; }
    [[nodiscard]] const std::shared_ptr<const BrowserPersonaCatalog>& personas() const noexcept {
        return personas_;
    }

    [[nodiscard]] LinkRuleEngine& rules();
    [[nodiscard]] ApplicationDirectory& applications();

    [[nodiscard]] Date now() const { return now_(); }
    [[nodiscard]] const Calendar& calendar() const noexcept { return calendar_; }
    [[nodiscard]] const Localization& localization() const noexcept { return localization_; }

  private:
    Paths paths_;
    std::shared_ptr<Workspace> workspace_;
    Now now_;
    Url ownBundleUrl_;
    std::shared_ptr<UserDefaults> defaults_;
    GeneralPreferences preferences_;
    RoutingStatistics routing_;
    TrackingStatistics tracking_;
    std::shared_ptr<const BrowserPersonaCatalog> personas_;
    Calendar calendar_;
    Localization localization_;
    std::optional<LinkRuleEngine> rules_;
    std::unique_ptr<ApplicationDirectory> applications_;
};

}  // namespace ferrywise::host
