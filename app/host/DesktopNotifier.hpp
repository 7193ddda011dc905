#pragma once

// Notices for the user (an OpenNotice: a profile that no longer exists, a private window that could not be
// opened) as desktop notifications, through the org.freedesktop.Notifications service on the session bus.
// Where no such service answers within a second, the caller says it another way.

#include <string>

namespace ferrywise::host {

class DesktopNotifier {
  public:
    DesktopNotifier() = delete;

    // Shows a notification; returns whether the desktop took it.
    static bool notify(const std::string& title, const std::string& message) noexcept;
};

}  // namespace ferrywise::host
