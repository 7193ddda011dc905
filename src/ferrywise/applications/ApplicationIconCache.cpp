#include "ferrywise/applications/ApplicationIconCache.hpp"

#include <mutex>
#include <unordered_map>

namespace ferrywise {
namespace {

struct Icons {
    std::mutex mutex;
    std::unordered_map<Url, std::optional<WorkspaceIcon>> byBundleUrl;
};

Icons& icons() {
    static Icons instance;
    return instance;
}

std::optional<WorkspaceIcon> askWorkspace(const Url& bundleUrl, const Workspace& workspace) {
    auto path = bundleUrl.filePath();
    return path ? workspace.iconForFile(*path) : std::nullopt;
}

}  // namespace

std::optional<WorkspaceIcon> ApplicationIconCache::icon(const DiscoveredApplication& application,
                                                        const Workspace& workspace) {
    const Url& key = application.bundleUrl();
    auto& cache = icons();
    {
        std::lock_guard lock(cache.mutex);
        if (auto found = cache.byBundleUrl.find(key); found != cache.byBundleUrl.end()) {
            return found->second;
        }
    }
    // Asked outside the lock: the workspace reads files. Two threads asking at once store the same answer.
    auto icon = askWorkspace(application.bundleUrl(), workspace);
    std::lock_guard lock(cache.mutex);
    return cache.byBundleUrl.try_emplace(key, std::move(icon)).first->second;
}

void ApplicationIconCache::prewarm(const std::vector<DiscoveredApplication>& applications,
                                   const Workspace& workspace) {
    for (const auto& application : applications) {
        (void)icon(application, workspace);
    }
}

bool ApplicationIconCache::isCached(const Url& bundleUrl) {
    auto& cache = icons();
    std::lock_guard lock(cache.mutex);
    return cache.byBundleUrl.contains(bundleUrl);
}

}  // namespace ferrywise
