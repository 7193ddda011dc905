#pragma once

// Paths names the user's folders the library keeps files in, after the XDG base-directory rules:
// Application Support is $XDG_DATA_HOME (~/.local/share), Caches is $XDG_CACHE_HOME (~/.cache), the
// configuration folder is $XDG_CONFIG_HOME (~/.config). Tests point every store at a temporary folder
// with Paths::underRoot.

#include <filesystem>
#include <string>

namespace ferrywise {

class Paths {
  public:
    // The bundle identifier used for the library's own folders when the host names none.
    static constexpr const char* defaultBundleIdentifier = "app.velmora.Velmora";

    // Reads HOME and the XDG_* variables now; relative XDG values are ignored, as the XDG rules say.
    [[nodiscard]] static Paths fromEnvironment(std::string bundleIdentifier = defaultBundleIdentifier);

    // Everything under one folder: <root>/home, <root>/data, <root>/cache, <root>/config.
    [[nodiscard]] static Paths underRoot(const std::filesystem::path& root,
                                         std::string bundleIdentifier = defaultBundleIdentifier);

    Paths(std::filesystem::path home, std::filesystem::path applicationSupport, std::filesystem::path caches,
          std::filesystem::path config, std::string bundleIdentifier);

    [[nodiscard]] const std::filesystem::path& home() const noexcept { return home_; }
    [[nodiscard]] const std::filesystem::path& applicationSupport() const noexcept {
        return applicationSupport_;
    }
    [[nodiscard]] const std::filesystem::path& caches() const noexcept { return caches_; }
    [[nodiscard]] const std::filesystem::path& config() const noexcept { return config_; }
    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }

    // The host's own folders: <applicationSupport>/<bundleIdentifier>, <caches>/<bundleIdentifier> and
    // <config>/<bundleIdentifier>.
    [[nodiscard]] std::filesystem::path applicationSupportFolder() const;
    [[nodiscard]] std::filesystem::path cachesFolder() const;
    [[nodiscard]] std::filesystem::path configFolder() const;

    bool operator==(const Paths&) const = default;

  private:
    std::filesystem::path home_;
    std::filesystem::path applicationSupport_;
    std::filesystem::path caches_;
    std::filesystem::path config_;
    std::string bundleIdentifier_;
};

}  // namespace ferrywise
