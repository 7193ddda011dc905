#pragma once

// The login item of a freedesktop (Linux) desktop: an XDG autostart entry, "<bundle identifier>.desktop"
// in $XDG_CONFIG_HOME/autostart, which the session starts at login. It is made from the host's own desktop
// entry (Name, Icon, Comment and their translations; Exec without field codes such as %U, since nothing is
// passed at login).
// - status: unavailable when the workspace cannot find the host's entry; disabled when the autostart file
//   is missing, is not a key file, has no Exec, says Hidden=true or X-GNOME-Autostart-enabled=false (the
//   switch of the desktops' startup-application settings); enabled otherwise. Desktops have no approval
//   step, so requiresApproval does not occur.
// - register writes the file when it is missing. When the user already has one it changes only what
//   enabling needs (removes Hidden, sets X-GNOME-Autostart-enabled=true, adds Type, Name or Exec if
//   missing), keeping their other keys, groups, comments and translations. A file that is not a key file
//   is kept aside as "<name>.unreadable" and replaced.
// - unregister marks the user's file Hidden=true and X-GNOME-Autostart-enabled=false rather than
//   deleting it, so that enabling it again brings back their version; with no file there is nothing to do.
// Every write is atomic and follows a symbolic link at the file's place (an entry kept in a dotfiles
// folder). Entries the system provides in $XDG_CONFIG_DIRS/autostart are not consulted.
//
//   auto backend = freedesktop::makeAppServiceLaunchAtLoginBackend(Paths::fromEnvironment());
//   backend->registerLoginItem();  // ~/.config/autostart/app.velmora.Velmora.desktop

#include <filesystem>
#include <memory>
#include <string>

#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/system/LaunchAtLogin.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::freedesktop {

// The login item of the application `bundleIdentifier` (its desktop-file ID without ".desktop"), whose
// entry `workspace` finds, kept in `autostartFolder` (created when first written). Errors are
// std::runtime_error (the host's entry is missing or unusable) or std::system_error (a write failed).
[[nodiscard]] std::shared_ptr<LaunchAtLoginBackend> makeAppServiceLaunchAtLoginBackend(
    std::shared_ptr<const Workspace> workspace, std::string bundleIdentifier,
    std::filesystem::path autostartFolder);

// The login item of the host `paths` names: its bundle identifier, <config>/autostart, and the desktop's
// workspace.
[[nodiscard]] std::shared_ptr<LaunchAtLoginBackend> makeAppServiceLaunchAtLoginBackend(const Paths& paths);

}  // namespace ferrywise::freedesktop
