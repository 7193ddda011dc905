#pragma once

// The personas some browsers keep: Chromium-family profiles (from the browser's "Local State" file) and
// Arc spaces (from its "StorableSidebar.json"). Read on demand, read-only, afresh on every call; a file that
// is missing, unreadable, huge or of another shape gives no personas and one line in the applications log.
//
//   FileBrowserPersonaCatalog catalog(paths.applicationSupport());
//   for (const auto& profile : catalog.profiles("com.google.Chrome")) { ... }

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace ferrywise {

struct BrowserProfile {
    std::string directory;    // the profile's folder inside the browser's data folder
    std::string displayName;  // the name the user gave it

    bool operator==(const BrowserProfile&) const = default;
};

struct BrowserSpace {
    std::string id;
    std::string title;

    bool operator==(const BrowserSpace&) const = default;
};

class BrowserPersonaCatalog {
  public:
    BrowserPersonaCatalog() = default;
    BrowserPersonaCatalog(const BrowserPersonaCatalog&) = delete;
    BrowserPersonaCatalog& operator=(const BrowserPersonaCatalog&) = delete;
    virtual ~BrowserPersonaCatalog() = default;

    // The browser's profiles, sorted by name; empty for a browser without profiles. Any thread.
    [[nodiscard]] virtual std::vector<BrowserProfile> profiles(std::string_view bundleIdentifier) const = 0;
    // The browser's spaces, sorted by title; empty for a browser without spaces. Any thread.
    [[nodiscard]] virtual std::vector<BrowserSpace> spaces(std::string_view bundleIdentifier) const = 0;
};

// No personas at all, where they are not wanted.
class EmptyBrowserPersonaCatalog final : public BrowserPersonaCatalog {
  public:
    std::vector<BrowserProfile> profiles(std::string_view) const override { return {}; }
    std::vector<BrowserSpace> spaces(std::string_view) const override { return {}; }
};

class FileBrowserPersonaCatalog final : public BrowserPersonaCatalog {
  public:
    static constexpr std::string_view arcBundleIdentifier = "company.thebrowser.Browser";

    // Files larger than this are not read: no browser writes persona lists of that size.
    static constexpr std::size_t maximumFileSize = 32 * 1024 * 1024;

    // Bundle identifier → the browser's data folder relative to Application Support ("Google/Chrome").
    // Matched exactly. Built once on first use.
    [[nodiscard]] static const std::map<std::string, std::string, std::less<>>& chromiumDataDirectories();

    // `applicationSupportUrl` is the folder the browsers' data folders are in.
    explicit FileBrowserPersonaCatalog(std::filesystem::path applicationSupportUrl)
        : applicationSupportUrl_(std::move(applicationSupportUrl)) {}

    [[nodiscard]] const std::filesystem::path& applicationSupportUrl() const noexcept {
        return applicationSupportUrl_;
    }

    // Reads <data folder>/Local State for a browser of the table.
    std::vector<BrowserProfile> profiles(std::string_view bundleIdentifier) const override;
    // Reads Arc/StorableSidebar.json for Arc.
    std::vector<BrowserSpace> spaces(std::string_view bundleIdentifier) const override;

    // The profiles of a "Local State" file's text: one per member of profile.info_cache, named by its
    // trimmed "name" or else by its folder, sorted by name (file-manager order) then folder. None when the
    // text is not JSON or has no such object.
    [[nodiscard]] static std::optional<std::vector<BrowserProfile>> profilesFromLocalState(
        std::string_view data);

    // The spaces of a "StorableSidebar.json" text: from the "containers" of its "sidebar" (or of the top
    // level), each container's "spaces" with an identifier and a non-blank title, the first of each
    // identifier, sorted by title then identifier. None when the text is not a JSON object or has no
    // "containers".
    [[nodiscard]] static std::optional<std::vector<BrowserSpace>> spacesFromStorableSidebar(
        std::string_view data);

  private:
    // One object of a list that objects() reads, with the identifier that stands for its "id" when it has
    // none. Points into the value read (never a copy: copying deeply nested JSON would recurse).
    struct ObjectEntry {
        const nlohmann::json* object;
        std::optional<std::string> id;
    };

    // A JSON value as a list of objects: a list of objects as it is; a list of identifiers each followed by
    // its object, or a map of identifiers to objects, with the identifier standing for "id" where the
    // object has none; anything else gives nothing.
    [[nodiscard]] static std::vector<ObjectEntry> objects(const nlohmann::json& value);

    std::filesystem::path applicationSupportUrl_;
};

}  // namespace ferrywise
