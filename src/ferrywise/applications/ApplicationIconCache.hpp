#pragma once

// ApplicationIconCache keeps the icon of every installed application shown once, so that opening the picker
// does not ask the desktop for icons again. It is process-wide and keyed by the bundle URL: every entry
// derived from one bundle (profiles, spaces, the private entry) shares one icon. An icon is what the
// Workspace reports for the bundle's file: an image file and/or names to look up in the icon theme (a
// window resolves those through its toolkit). A bundle without an icon is remembered too, so it is asked
// for once. Entries are never dropped. Thread-safe; the picker and the directory use it on the main thread.
//
//   auto icon = ApplicationIconCache::icon(firefox, workspace);  // asks the workspace the first time only

#include <optional>
#include <vector>

#include "ferrywise/applications/DiscoveredApplication.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

class ApplicationIconCache {
  public:
    ApplicationIconCache() = delete;

    // Returns the cached icon of the application's bundle, or asks `workspace` for the icon of the bundle's
    // file, stores the answer and returns it. None when the bundle has no icon or is not a file.
    [[nodiscard]] static std::optional<WorkspaceIcon> icon(const DiscoveredApplication& application,
                                                           const Workspace& workspace);

    // Loads and stores the icon of each application whose bundle is not cached yet.
    static void prewarm(const std::vector<DiscoveredApplication>& applications, const Workspace& workspace);

    // Returns whether the icon of the bundle at `bundleUrl` is cached (with or without an icon).
    [[nodiscard]] static bool isCached(const Url& bundleUrl);
};

}  // namespace ferrywise
