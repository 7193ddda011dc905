#pragma once

// Workspace is the seam to the desktop's application registry and launcher: which applications are
// installed and which handle a URL scheme, the default handler, opening URLs and applications, icons, and
// the running and frontmost applications. Other parts reach it through their own small interfaces
// (ApplicationCatalog, ApplicationOpening...).
//
// On Linux (freedesktop::makeDesktopWorkspace) a "bundle identifier" is a desktop-file ID without
// ".desktop", a "bundle URL" is the file URL of the .desktop file, and a display name is its Name.
// Tests use the in-memory FakeWorkspace of tests/support.

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <boost/signals2/connection.hpp>
#include <boost/signals2/signal.hpp>

#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/system/ApplicationAction.hpp"

namespace ferrywise {

// How an application is opened. `arguments` are passed as an argument vector, never through a shell;
// an empty list passes none. `action` names one of the application's own actions (ApplicationAction) to
// start instead of its main command; the arguments follow that action's command.
struct WorkspaceOpenConfiguration {
    bool activates = true;
    bool addsToRecentItems = false;
    bool createsNewApplicationInstance = false;
    std::optional<std::string> action = std::nullopt;
    std::vector<std::string> arguments;

    bool operator==(const WorkspaceOpenConfiguration&) const = default;
};

// Whether a running application shows up in the dock/task switcher (regular), only as an accessory, or
// not at all.
enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> localizedName;
    std::optional<Url> bundleUrl;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;

    bool operator==(const RunningApplication&) const = default;
};

// What a bundle says of itself: its identifier (none when it has none), its display name and its actions
// in the bundle's own order.
struct BundleInfo {
    std::optional<std::string> bundleIdentifier;
    std::string displayName;
    std::vector<ApplicationAction> actions;

    bool operator==(const BundleInfo&) const = default;
};

// An application's icon: an image file, and/or names to look up in the icon theme, best first.
struct WorkspaceIcon {
    std::optional<std::filesystem::path> file;
    std::vector<std::string> themedNames;

    bool operator==(const WorkspaceIcon&) const = default;
};

// A failed workspace request; what() says what failed and why.
class WorkspaceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Workspace {
  public:
    Workspace() = default;
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;
    virtual ~Workspace() = default;

    // Returns the bundle URL of the installed application with this bundle identifier, or none.
    [[nodiscard]] virtual std::optional<Url> urlForApplication(std::string_view bundleIdentifier) const = 0;

    // Returns the bundle URLs of every application registered to open `url`'s scheme, in the registry's
    // own order (empty when there is none).
    [[nodiscard]] virtual std::vector<Url> urlsForApplicationsToOpen(const Url& url) const = 0;

    // Returns the bundle URL of the current default handler of `url`'s scheme, or none.
    [[nodiscard]] virtual std::optional<Url> urlForApplicationToOpen(const Url& url) const = 0;

    // Makes the application at `applicationUrl` the default handler of `scheme`. Throws WorkspaceError on
    // failure. Call from the main thread.
    virtual void setDefaultApplication(const Url& applicationUrl, std::string_view scheme) = 0;

    // Opens `urls` with the application at `applicationUrl`. Returns once the request was handed over;
    // throws WorkspaceError on failure. Call from any thread.
    virtual void openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                          const WorkspaceOpenConfiguration& configuration) = 0;

    // Starts (or activates) the application at `applicationUrl` with the configuration's arguments. Throws
    // WorkspaceError on failure. Call from any thread.
    virtual void openApplication(const Url& applicationUrl,
                                 const WorkspaceOpenConfiguration& configuration) = 0;

    // Opens a URL with its default handler (a system-settings page); returns whether that was started.
    virtual bool openUrl(const Url& url) = 0;

    // Returns the icon of the file or bundle at `path`, or none when there is none.
    [[nodiscard]] virtual std::optional<WorkspaceIcon> iconForFile(
        const std::filesystem::path& path) const = 0;

    // Returns the application the user is working in, or none when it cannot be told.
    [[nodiscard]] virtual std::optional<RunningApplication> frontmostApplication() const = 0;

    // Returns the running applications of this user, in no particular order.
    [[nodiscard]] virtual std::vector<RunningApplication> runningApplications() const = 0;

    // Returns the running applications with exactly this bundle identifier; non-empty means running.
    [[nodiscard]] virtual std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(
        std::string_view bundleIdentifier) const;

    // Reads the bundle at `bundleUrl`: none when it is not a bundle (not a readable application entry).
    [[nodiscard]] virtual std::optional<BundleInfo> bundleInfo(const Url& bundleUrl) const = 0;

    // The name the file manager shows for the file at `path` (an application's display name for a bundle,
    // otherwise the last path component).
    [[nodiscard]] virtual std::string displayName(const std::filesystem::path& path) const = 0;

    // Calls `observer` each time the host application becomes active (the host reports it through
    // postDidBecomeActive on the main thread). Disconnect through the returned connection.
    boost::signals2::connection onDidBecomeActive(std::function<void()> observer) {
        return didBecomeActive_.connect(std::move(observer));
    }

    // Tells the observers that the host application became active. Call from the main thread.
    void postDidBecomeActive() { didBecomeActive_(); }

  private:
    boost::signals2::signal<void()> didBecomeActive_;
};

}  // namespace ferrywise
