#include "ferrywise/foundation/Paths.hpp"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace ferrywise {
namespace {

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path xdgFolder(const char* variable, const std::filesystem::path& fallback) {
    if (const char* value = std::getenv(variable); value != nullptr) {
        std::filesystem::path path(value);
        if (path.is_absolute()) {
            return path;
        }
    }
    return fallback;
}

}  // namespace

Paths::Paths(std::filesystem::path home, std::filesystem::path applicationSupport,
             std::filesystem::path caches, std::filesystem::path config, std::string bundleIdentifier)
    : home_(std::move(home)),
      applicationSupport_(std::move(applicationSupport)),
      caches_(std::move(caches)),
      config_(std::move(config)),
      bundleIdentifier_(std::move(bundleIdentifier)) {}

Paths Paths::fromEnvironment(std::string bundleIdentifier) {
    auto home = homeFolder();
    return Paths(home, xdgFolder("XDG_DATA_HOME", home / ".local" / "share"),
                 xdgFolder("XDG_CACHE_HOME", home / ".cache"), xdgFolder("XDG_CONFIG_HOME", home / ".config"),
                 std::move(bundleIdentifier));
}

Paths Paths::underRoot(const std::filesystem::path& root, std::string bundleIdentifier) {
    return Paths(root / "home", root / "data", root / "cache", root / "config", std::move(bundleIdentifier));
}

std::filesystem::path Paths::applicationSupportFolder() const {
    return applicationSupport_ / bundleIdentifier_;
}

std::filesystem::path Paths::cachesFolder() const {
    return caches_ / bundleIdentifier_;
}

std::filesystem::path Paths::configFolder() const {
    return config_ / bundleIdentifier_;
}

}  // namespace ferrywise
