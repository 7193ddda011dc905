// `ferrywise login-item [status|enable|disable]`: starting ferrywise when the user logs in, through an XDG
// autostart entry made from the host's desktop entry.

#include <iostream>

#include "ferrywise/freedesktop/AppServiceLaunchAtLoginBackend.hpp"
#include "ferrywise/system/LaunchAtLogin.hpp"

#include "Commands.hpp"
#include "host/HandlerStatus.hpp"

namespace ferrywise::host {

namespace {

int runLoginItem(Session& session, const std::string& action) {
    auto& host = session.host();
    LaunchAtLoginService service(freedesktop::makeAppServiceLaunchAtLoginBackend(
        host.workspace(), host.bundleIdentifier(), host.paths().config() / "autostart"));
    auto status = action == "enable"    ? service.setEnabled(true)
                  : action == "disable" ? service.setEnabled(false)
                                        : service.status();
    session.out() << status.name() << '\n';
    if (action == "status") {
        if (status == LaunchAtLoginStatus::unavailable) {
            session.err() << "ferrywise: " << notInstalledMessage << '\n';
        }
        return exitDone;
    }
    // Without the host's entry nothing is started at login, so disabling has reached its end too.
    bool reached =
        action == "enable" ? status == LaunchAtLoginStatus::enabled : status != LaunchAtLoginStatus::enabled;
    if (reached) {
        return exitDone;
    }
    if (status == LaunchAtLoginStatus::unavailable) {
        throw CommandFailure(std::string(notInstalledMessage));
    }
    throw CommandFailure("the login item could not be turned " +
                         std::string(action == "enable" ? "on" : "off") + "; see the message above");
}

}  // namespace

void addLoginItemCommand(CLI::App& app, const Choose& choose) {
    auto action = std::make_shared<std::string>("status");
    auto* command = app.add_subcommand("login-item", "Show, enable or disable starting ferrywise at login");
    command->add_option("ACTION", *action, "status (the default), enable or disable")
        ->check(CLI::IsMember({"status", "enable", "disable"}));
    command->callback([=] { choose([action](Session& session) { return runLoginItem(session, *action); }); });
}

}  // namespace ferrywise::host
