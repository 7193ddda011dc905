#pragma once

// The personas some browsers keep: Chromium-family profiles (from the browser's "Local State" file), Firefox
// profiles (from its "profiles.ini" and "installs.ini") and Arc spaces (from its "StorableSidebar.json").
// On Linux a browser is named by its desktop-file ID without ".desktop"; its Chromium data folder is looked
// for under the configuration folder ($XDG_CONFIG_HOME), and for Flatpak and Snap installs under
// ~/.var/app and ~/snap; Firefox profiles under ~/.config/mozilla/firefox and ~/.mozilla/firefox (and their
// Flatpak and Snap counterparts). Read on demand, read-only, afresh on every call; a file that is missing,
// unreadable, huge or of another shape gives no personas and one line in the applications log.
//
//   FileBrowserPersonaCatalog catalog(paths);
//   for (const auto& profile : catalog.profiles("google-chrome")) { ... }

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
    enum class Family { chromium, firefox };

    // Chromium: the profile's folder name inside the browser's data folder. Firefox: the profile's absolute
    // folder path.
    std::string directory;
    std::string displayName;  // the name the user gave it
    Family family = Family::chromium;

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

class Paths;

class FileBrowserPersonaCatalog final : public BrowserPersonaCatalog {
  public:
    static constexpr std::string_view arcBundleIdentifier = "company.thebrowser.Browser";

    // Files larger than this are not read: no browser writes persona lists of that size.
    static constexpr std::size_t maximumFileSize = 32 * 1024 * 1024;

    // Bundle identifier → the browser's data folder relative to Application Support ("Google/Chrome").
    // Matched exactly. Built once on first use.
    [[nodiscard]] static const std::map<std::string, std::string, std::less<>>& chromiumDataDirectories();

    // A folder under the user's configuration folder or home folder.
    struct UserFolder {
        enum class Base { config, home };
        Base base;
        std::string relative;

        bool operator==(const UserFolder&) const = default;
    };
    using UserFolderTable = std::map<std::string, std::vector<UserFolder>, std::less<>>;

    // Desktop-file ID → the candidate data folders of a Chromium-family browser installed natively, as a
    // Flatpak or as a Snap, in the order they are tried. Built once on first use.
    [[nodiscard]] static const UserFolderTable& linuxChromiumDataFolders();
    // Desktop-file ID → the candidate folders holding Firefox's profiles.ini, all of which are read.
    [[nodiscard]] static const UserFolderTable& firefoxProfileFolders();

    // `applicationSupportUrl` is the folder the browsers' data folders are in; the Linux folders of the
    // tables above are not consulted.
    explicit FileBrowserPersonaCatalog(std::filesystem::path applicationSupportUrl)
        : applicationSupportUrl_(std::move(applicationSupportUrl)) {}
    // Application Support, and the home and configuration folders for the Linux folders.
    explicit FileBrowserPersonaCatalog(const Paths& paths);

    [[nodiscard]] const std::filesystem::path& applicationSupportUrl() const noexcept {
        return applicationSupportUrl_;
    }

    // For a Chromium-family browser, reads "Local State" in the first of its data folders that has one: the
    // Application Support one of chromiumDataDirectories(), then those of linuxChromiumDataFolders(). For
    // Firefox, reads the profiles.ini of every candidate folder that has one and merges them, the first
    // profile of each folder path counting; a Firefox never started (no profiles.ini anywhere) is no
    // failure. A browser in neither table, or whose folders this catalog does not know, gives none without a
    // log line.
    std::vector<BrowserProfile> profiles(std::string_view bundleIdentifier) const override;
    // Reads Arc/StorableSidebar.json for Arc.
    std::vector<BrowserSpace> spaces(std::string_view bundleIdentifier) const override;

    // The profiles of a "Local State" file's text: one per member of profile.info_cache with a non-empty
    // key, named by its trimmed "name" or else by its folder, sorted by name (file-manager order) then
    // folder. None when the text is not JSON or has no such object.
    [[nodiscard]] static std::optional<std::vector<BrowserProfile>> profilesFromLocalState(
        std::string_view data);

    // The spaces of a "StorableSidebar.json" text: from the "containers" of its "sidebar" (or of the top
    // level), each container's "spaces" with an identifier and a non-blank title, the first of each
    // identifier, sorted by title then identifier. None when the text is not a JSON object or has no
    // "containers".
    [[nodiscard]] static std::optional<std::vector<BrowserSpace>> spacesFromStorableSidebar(
        std::string_view data);

    // The Firefox profiles of a "profiles.ini" text in the absolute `folder`: one per "Profile…" section
    // with a non-empty Path (folder/Path when IsRelative=1, else an absolute Path), the first of each
    // folder, named by its trimmed Name or else by its folder's name. The default profile comes first: the
    // one a Default= of installs.ini or of an "[Install…]" section names, else the one marked Default=1;
    // the others are sorted like Chromium profiles. None when the text is not well-formed INI in UTF-8; a
    // broken installs.ini only names no default.
    [[nodiscard]] static std::optional<std::vector<BrowserProfile>> profilesFromProfilesIni(
        std::string_view profilesIni, std::string_view installsIni, const std::filesystem::path& folder);

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

    // The table's folders for this browser that can be resolved (the Linux folders are unknown when the
    // catalog was made from Application Support alone).
    [[nodiscard]] std::vector<std::filesystem::path> resolved(const UserFolderTable& table,
                                                              std::string_view bundleIdentifier) const;
    [[nodiscard]] std::vector<BrowserProfile> firefoxProfiles(
        const std::vector<std::filesystem::path>& folders) const;

    std::filesystem::path applicationSupportUrl_;
    std::filesystem::path homeUrl_;
    std::filesystem::path configUrl_;
};

}  // namespace ferrywise
