#pragma once

// DefaultHandlerModel is the view-model of the host's place as the desktop's link handler, for the settings
// and onboarding screens: which link families the host handles, which application has taken each other
// family, the family whose request is running, and the message to show when the desktop did not apply a
// request. Screens that show it call beginWatching() when they appear and endWatching() when they go;
// while any watches, the registry is read again every pollInterval and whenever the host becomes active
// (the workspace's did-become-active notification). Main thread.
//
//   DefaultHandlerModel model(DefaultHandlerService(workspace, ownBundleUrl), workspace,
//                             std::make_shared<AsioScheduler>(mainThread), mainThread);
//   auto connection = model.handledKinds().observe([](const auto& kinds) { redraw(kinds); });
//   model.beginWatching();
//   model.requestDefaultHandlers({LinkScheme::Kind::web, LinkScheme::Kind::mail});

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <boost/asio/any_io_executor.hpp>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Observable.hpp"
#include "ferrywise/link/LinkScheme.hpp"
#include "ferrywise/system/DefaultHandler.hpp"
#include "ferrywise/system/Scheduler.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

class DefaultHandlerModel {
  public:
    static constexpr std::chrono::milliseconds pollInterval{2000};

    // The desktop entries of the desktops' pages for default applications (GNOME's, KDE Plasma's), in the
    // order they are tried when the current desktop is neither.
    static constexpr std::string_view settingsPages[] = {"gnome-default-apps-panel", "kcm_componentchooser"};

    // A model over `service`, hearing of activations from `workspace` (which also names applications and
    // opens the settings page), polling through `scheduler`, running requests on `mainThread`. Reads
    // nothing until refresh() or beginWatching().
    DefaultHandlerModel(DefaultHandlerService service, std::shared_ptr<Workspace> workspace,
                        std::shared_ptr<Scheduler> scheduler, boost::asio::any_io_executor mainThread,
                        Localization localization = Localization::current());
    DefaultHandlerModel(const DefaultHandlerModel&) = delete;
    DefaultHandlerModel& operator=(const DefaultHandlerModel&) = delete;
    // Stops watching; a request still running ends at its next step without touching anything.
    ~DefaultHandlerModel();

    // The families for which the host handles every scheme.
    [[nodiscard]] const Observable<std::set<LinkScheme::Kind>>& handledKinds() const noexcept;
    // For each family not handled: the display name of the application that opens its first scheme.
    [[nodiscard]] const Observable<std::map<LinkScheme::Kind, std::string>>& takenBy() const noexcept;
    // The family whose request is running.
    [[nodiscard]] const Observable<std::optional<LinkScheme::Kind>>& pendingKind() const noexcept;
    // What to show after a request the desktop did not apply, or when no settings page can be opened.
    [[nodiscard]] const Observable<std::optional<std::string>>& errorMessage() const noexcept;

    // Reads the registry and publishes what changed; logs "Handled families: ..." only on a change.
    void refresh();

    // Counts a watching screen; the first starts polling and listening for activations and refreshes.
    void beginWatching();
    // Uncounts one; the last stops polling and listening. Does nothing when none watches.
    void endWatching();
    [[nodiscard]] bool isWatching() const noexcept;

    [[nodiscard]] bool isHandled(LinkScheme::Kind kind) const;
    // Whether both families are handled.
    [[nodiscard]] bool isFullyConfigured() const;

    // Requests the host as handler of each family in turn (repeats removed), then refreshes. Dropped when a
    // request is running or the list is empty. A family still not handled afterwards sets errorMessage.
    void requestDefaultHandlers(const std::vector<LinkScheme::Kind>& kinds);
    void requestDefaultHandler(LinkScheme::Kind kind) { requestDefaultHandlers({kind}); }

    // Opens the desktop's settings page for default applications (the current desktop's first). Returns
    // whether one was opened; when none is installed or it cannot be started, sets errorMessage to say so
    // and logs it.
    bool openSystemSettings();

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace ferrywise
