#pragma once

// LinkSource is the application in which the user opened a link: its bundle identifier and the name to show.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ferrywise {

class Workspace;

class LinkSource {
  public:
    // Returns none when the bundle identifier is absent, empty, or exactly equal to `excluding`. Otherwise a
    // source whose name is `name` when present and not empty, else the bundle identifier.
    [[nodiscard]] static std::optional<LinkSource> make(std::optional<std::string_view> bundleIdentifier,
                                                        std::optional<std::string_view> name,
                                                        std::optional<std::string_view> excluding);

    // The workspace's frontmost application as a source, never the router itself (`ownBundleIdentifier`).
    // Call from the main thread.
    [[nodiscard]] static std::optional<LinkSource> frontmost(
        const Workspace& workspace, std::optional<std::string_view> ownBundleIdentifier);

    [[nodiscard]] const std::string& bundleIdentifier() const noexcept { return bundleIdentifier_; }
    [[nodiscard]] const std::string& name() const noexcept { return name_; }

    bool operator==(const LinkSource&) const = default;

  private:
    LinkSource(std::string bundleIdentifier, std::string name)
        : bundleIdentifier_(std::move(bundleIdentifier)), name_(std::move(name)) {}

    std::string bundleIdentifier_;
    std::string name_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::LinkSource> {
    std::size_t operator()(const ferrywise::LinkSource& source) const noexcept {
        auto first = std::hash<std::string>{}(source.bundleIdentifier());
        return first ^ (std::hash<std::string>{}(source.name()) + 0x9e3779b97f4a7c15ULL + (first << 6) +
                        (first >> 2));
    }
};
