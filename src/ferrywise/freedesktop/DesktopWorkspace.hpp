#pragma once

// The Workspace of a freedesktop (Linux) desktop, over GIO's desktop-entry registry:
// - a bundle identifier is a desktop-file ID without ".desktop" ("org.mozilla.firefox");
// - a bundle URL is the file URL of the .desktop file; a display name is the entry's Name;
// - scheme handlers and the default handler are the x-scheme-handler/<scheme> associations (mimeapps.list);
//   the handlers are GIO's list for the type (the default, the user's associations, then the folders'
//   mimeinfo.cache), followed by the entries whose MimeType declares the type but which no folder's cache
//   lists, sorted by desktop ID, so that entries installed without updating a cache are found too;
// - an application's actions are its [Desktop Action <id>] groups;
// - running applications are found through /proc; the frontmost application cannot be told in general
//   and is reported as none.
// GIO reads XDG_DATA_HOME, XDG_DATA_DIRS and XDG_CONFIG_HOME once per process, on first use.

#include <memory>

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::freedesktop {

// Returns the desktop's workspace. Thread-safe for the read operations; opening and the default-handler
// change are meant for the main thread.
[[nodiscard]] std::unique_ptr<Workspace> makeDesktopWorkspace();

}  // namespace ferrywise::freedesktop
