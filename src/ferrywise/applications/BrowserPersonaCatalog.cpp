#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/FileStamp.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

using nlohmann::json;

// The whole file, unless it is missing, unreadable or larger than any persona list.
std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
    auto stamp = FileStamp::of(path);
    if (!stamp || stamp->size > FileBrowserPersonaCatalog::maximumFileSize) {
        return std::nullopt;
    }
    auto data = JsonFile::readData(path);
    if (!data || data->size() > FileBrowserPersonaCatalog::maximumFileSize) {
        return std::nullopt;  // it grew while being read
    }
    return data;
}

std::optional<json> parse(std::string_view data) {
    try {
        return json::parse(data);
    } catch (const json::exception&) {
        return std::nullopt;
    }
}

// The member's string value with white space and line breaks trimmed; none when it is absent or no string.
std::optional<std::string> trimmedString(const json& object, std::string_view key) {
    auto member = object.find(key);
    if (member == object.end() || !member->is_string()) {
        return std::nullopt;
    }
    return std::string(text::trimmingWhitespaceAndNewlines(member->get_ref<const std::string&>()));
}

// File-manager order of the names, then plain order of the keys.
template <typename T>
void sortByName(std::vector<T>& items, std::string T::*name, std::string T::*key) {
    std::sort(items.begin(), items.end(), [name, key](const T& a, const T& b) {
        auto order = text::localizedStandardCompare(a.*name, b.*name);
        if (order != 0) {
            return order < 0;
        }
        return a.*key < b.*key;
    });
}

// One "[Section]" of an INI text and its keys, pointing into the text. A later key replaces an earlier one.
struct IniSection {
    std::string_view name;
    std::map<std::string_view, std::string_view, std::less<>> values;

    // The value of the key, empty when there is none.
    std::string_view operator[](std::string_view key) const {
        auto value = values.find(key);
        return value == values.end() ? std::string_view() : value->second;
    }
};

std::string_view trimmingBlanks(std::string_view text) {
    auto first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? std::string_view()
                                           : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The sections of an INI text; none when it is not UTF-8, holds a NUL, or has a line that is neither blank,
// a comment, a section header nor a key=value of a section. Firefox writes nothing else, so anything else
// is a damaged file.
std::optional<std::vector<IniSection>> readIni(std::string_view text) {
    if (text.find('\0') != std::string_view::npos || !text::isValidUtf8(text)) {
        return std::nullopt;
    }
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // a byte-order mark from a text editor
    }
    std::vector<IniSection> sections;
    while (!text.empty()) {
        auto end = std::min(text.find('\n'), text.size());
        auto line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = trimmingBlanks(line);
        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.size() < 2 || line.back() != ']') {
                return std::nullopt;
            }
            sections.push_back({trimmingBlanks(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        auto equals = line.find('=');
        if (equals == std::string_view::npos || sections.empty()) {
            return std::nullopt;
        }
        sections.back().values.insert_or_assign(trimmingBlanks(line.substr(0, equals)),
                                                trimmingBlanks(line.substr(equals + 1)));
    }
    return sections;
}

// `path` inside `folder` unless it is absolute, normalised, without a trailing slash.
std::string joinedFolder(const std::filesystem::path& folder, std::string_view path) {
    auto joined = (folder / std::filesystem::path(path)).lexically_normal().string();
    if (joined.size() > 1 && joined.back() == '/') {
        joined.pop_back();
    }
    return joined;
}

}  // namespace

FileBrowserPersonaCatalog::FileBrowserPersonaCatalog(const Paths& paths)
    : applicationSupportUrl_(paths.applicationSupport()),
      homeUrl_(paths.home()),
      configUrl_(paths.config()) {}

const std::map<std::string, std::string, std::less<>>& FileBrowserPersonaCatalog::chromiumDataDirectories() {
    static const std::map<std::string, std::string, std::less<>> table = {
        {"com.google.Chrome", "Google/Chrome"},
        {"com.google.Chrome.beta", "Google/Chrome Beta"},
        {"com.google.Chrome.canary", "Google/Chrome Canary"},
        {"com.google.Chrome.dev", "Google/Chrome Dev"},
        {"com.microsoft.edgemac", "Microsoft Edge"},
        {"com.microsoft.edgemac.Beta", "Microsoft Edge Beta"},
        {"com.microsoft.edgemac.Dev", "Microsoft Edge Dev"},
        {"com.microsoft.edgemac.Canary", "Microsoft Edge Canary"},
        {"com.brave.Browser", "BraveSoftware/Brave-Browser"},
        {"com.brave.Browser.beta", "BraveSoftware/Brave-Browser-Beta"},
        {"com.brave.Browser.nightly", "BraveSoftware/Brave-Browser-Nightly"},
        {"com.vivaldi.Vivaldi", "Vivaldi"},
        {"com.vivaldi.VivaldiSnapshot", "VivaldiSnapshot"},
        {"org.chromium.Chromium", "Chromium"},
    };
    return table;
}

const FileBrowserPersonaCatalog::UserFolderTable& FileBrowserPersonaCatalog::linuxChromiumDataFolders() {
    using enum UserFolder::Base;
    static const UserFolderTable table = {
        {"google-chrome", {{config, "google-chrome"}}},
        {"com.google.Chrome", {{home, ".var/app/com.google.Chrome/config/google-chrome"}}},
        {"chromium", {{config, "chromium"}}},
        {"chromium-browser", {{config, "chromium"}}},
        {"org.chromium.Chromium", {{home, ".var/app/org.chromium.Chromium/config/chromium"}}},
        {"chromium_chromium", {{home, "snap/chromium/common/chromium"}}},
        {"brave-browser", {{config, "BraveSoftware/Brave-Browser"}}},
        {"com.brave.Browser", {{home, ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"}}},
        {"microsoft-edge", {{config, "microsoft-edge"}}},
        {"com.microsoft.Edge", {{home, ".var/app/com.microsoft.Edge/config/microsoft-edge"}}},
        {"vivaldi-stable", {{config, "vivaldi"}}},
        {"com.vivaldi.Vivaldi", {{home, ".var/app/com.vivaldi.Vivaldi/config/vivaldi"}}},
        {"opera", {{config, "opera"}}},
        {"com.opera.Opera", {{home, ".var/app/com.opera.Opera/config/opera"}}},
    };
    return table;
}

const FileBrowserPersonaCatalog::UserFolderTable& FileBrowserPersonaCatalog::firefoxProfileFolders() {
    using enum UserFolder::Base;
    static const UserFolderTable table = {
        // Firefox keeps using ~/.mozilla/firefox where it exists, so its default comes first.
        {"firefox", {{home, ".mozilla/firefox"}, {config, "mozilla/firefox"}}},
        {"firefox-esr", {{home, ".mozilla/firefox"}, {config, "mozilla/firefox"}}},
        {"org.mozilla.firefox",
         {{home, ".var/app/org.mozilla.firefox/config/mozilla/firefox"},
          {home, ".var/app/org.mozilla.firefox/.mozilla/firefox"}}},
        {"firefox_firefox", {{home, "snap/firefox/common/.mozilla/firefox"}}},
    };
    return table;
}

std::vector<std::filesystem::path> FileBrowserPersonaCatalog::resolved(
    const UserFolderTable& table, std::string_view bundleIdentifier) const {
    std::vector<std::filesystem::path> folders;
    if (auto entry = table.find(bundleIdentifier); entry != table.end()) {
        for (const auto& [base, relative] : entry->second) {
            const auto& root = base == UserFolder::Base::config ? configUrl_ : homeUrl_;
            if (!root.empty()) {
                folders.push_back(root / relative);
            }
        }
    }
    return folders;
}

std::vector<BrowserProfile> FileBrowserPersonaCatalog::profiles(std::string_view bundleIdentifier) const {
    if (firefoxProfileFolders().contains(bundleIdentifier)) {
        return firefoxProfiles(resolved(firefoxProfileFolders(), bundleIdentifier));
    }
    std::vector<std::filesystem::path> folders;
    const auto& table = chromiumDataDirectories();
    if (auto folder = table.find(bundleIdentifier); folder != table.end()) {
        folders.push_back(applicationSupportUrl_ / folder->second);
    }
    for (auto& folder : resolved(linuxChromiumDataFolders(), bundleIdentifier)) {
        folders.push_back(std::move(folder));
    }
    if (folders.empty()) {
        return {};  // not a Chromium-family browser, or none whose folders are known
    }
    // The browser writes one data folder only; an older install's may linger in a later candidate.
    auto folder = std::find_if(folders.begin(), folders.end(), [](const std::filesystem::path& candidate) {
        return FileStamp::of(candidate / "Local State").has_value();
    });
    auto data = folder == folders.end() ? std::nullopt : readSmallFile(*folder / "Local State");
    auto profiles = data ? profilesFromLocalState(*data) : std::nullopt;
    if (!profiles) {
        Log::applications().log("Could not read Chromium profile catalogue");
        return {};
    }
    return std::move(*profiles);
}

std::vector<BrowserProfile> FileBrowserPersonaCatalog::firefoxProfiles(
    const std::vector<std::filesystem::path>& folders) const {
    std::vector<BrowserProfile> merged;
    std::set<std::string, std::less<>> seen;
    bool failed = false;
    for (const auto& folder : folders) {
        if (!FileStamp::of(folder / "profiles.ini")) {
            continue;
        }
        auto data = readSmallFile(folder / "profiles.ini");
        auto profiles =
            data ? profilesFromProfilesIni(*data, readSmallFile(folder / "installs.ini").value_or(""), folder)
                 : std::nullopt;
        failed = failed || !profiles;
        for (auto& profile : profiles.value_or(std::vector<BrowserProfile>())) {
            if (seen.insert(profile.directory).second) {
                merged.push_back(std::move(profile));
            }
        }
    }
    // A Firefox that was never started has no profiles.ini yet, which is no failure.
    if (failed) {
        Log::applications().log("Could not read Firefox profile catalogue");
    }
    return merged;
}

std::vector<BrowserSpace> FileBrowserPersonaCatalog::spaces(std::string_view bundleIdentifier) const {
    if (bundleIdentifier != arcBundleIdentifier) {
        return {};
    }
    auto data = readSmallFile(applicationSupportUrl_ / "Arc" / "StorableSidebar.json");
    auto spaces = data ? spacesFromStorableSidebar(*data) : std::nullopt;
    if (!spaces) {
        Log::applications().log("Could not read Arc Space catalogue");
        return {};
    }
    return std::move(*spaces);
}

std::optional<std::vector<BrowserProfile>> FileBrowserPersonaCatalog::profilesFromLocalState(
    std::string_view data) {
    auto file = parse(data);
    if (!file || !file->is_object()) {
        return std::nullopt;
    }
    auto profile = file->find("profile");
    if (profile == file->end() || !profile->is_object()) {
        return std::nullopt;
    }
    auto infoCache = profile->find("info_cache");
    if (infoCache == profile->end() || !infoCache->is_object()) {
        return std::nullopt;
    }
    std::vector<BrowserProfile> profiles;
    for (const auto& [directory, info] : infoCache->items()) {
        if (directory.empty()) {
            continue;  // its persona would be stored like the browser itself
        }
        std::optional<std::string> name;
        if (info.is_object()) {
            name = trimmedString(info, "name");
        }
        profiles.push_back({directory, name && !name->empty() ? std::move(*name) : directory});
    }
    sortByName(profiles, &BrowserProfile::displayName, &BrowserProfile::directory);
    return profiles;
}

std::optional<std::vector<BrowserSpace>> FileBrowserPersonaCatalog::spacesFromStorableSidebar(
    std::string_view data) {
    auto file = parse(data);
    if (!file || !file->is_object()) {
        return std::nullopt;
    }
    const json* base = &*file;
    if (auto sidebar = file->find("sidebar"); sidebar != file->end() && sidebar->is_object()) {
        base = &*sidebar;
    }
    auto containers = base->find("containers");
    if (containers == base->end()) {
        return std::nullopt;
    }
    std::vector<BrowserSpace> spaces;
    std::set<std::string, std::less<>> seen;
    for (const auto& container : objects(*containers)) {
        auto members = container.object->find("spaces");
        if (members == container.object->end()) {
            continue;
        }
        for (const auto& [object, givenId] : objects(*members)) {
            const auto& space = *object;
            std::optional<std::string> id = givenId;  // stands for a missing "id", so it comes first
            for (auto key : {"id", "space_id", "spaceId"}) {
                if (id) {
                    break;
                }
                if (auto member = space.find(key); member != space.end() && member->is_string()) {
                    id = member->get<std::string>();
                }
            }
            std::optional<std::string> title;
            for (auto key : {"title", "name"}) {
                if ((title = trimmedString(space, key))) {
                    break;
                }
            }
            if (!id || id->empty() || !title || title->empty() || !seen.insert(*id).second) {
                continue;
            }
            spaces.push_back({std::move(*id), std::move(*title)});
        }
    }
    sortByName(spaces, &BrowserSpace::title, &BrowserSpace::id);
    return spaces;
}

std::optional<std::vector<BrowserProfile>> FileBrowserPersonaCatalog::profilesFromProfilesIni(
    std::string_view profilesIni, std::string_view installsIni, const std::filesystem::path& folder) {
    auto sections = readIni(profilesIni);
    if (!sections) {
        return std::nullopt;
    }
    std::vector<BrowserProfile> profiles;
    std::set<std::string, std::less<>> directories;
    std::optional<std::string> markedDefault;
    for (const auto& section : *sections) {
        auto path = section["Path"];
        bool relative = section["IsRelative"] == "1";
        if (!section.name.starts_with("Profile") || path.empty() ||
            (!relative && !std::filesystem::path(path).is_absolute())) {
            continue;
        }
        auto directory = joinedFolder(folder, path);
        if (!directories.insert(directory).second) {
            continue;
        }
        if (!markedDefault && section["Default"] == "1") {
            markedDefault = directory;
        }
        auto folderName = std::filesystem::path(directory).filename().string();
        auto name = text::trimmingWhitespaceAndNewlines(section["Name"]);
        if (name.empty()) {
            name = text::trimmingWhitespaceAndNewlines(folderName);
        }
        profiles.push_back(
            {directory, std::string(name.empty() ? directory : name), BrowserProfile::Family::firefox});
    }
    // What each install of Firefox starts with; the Default=1 mark is from before installs had their own.
    std::optional<std::string> defaultDirectory;
    auto nameDefault = [&](const IniSection& section) {
        auto named = section["Default"];
        if (!defaultDirectory && !named.empty() && directories.contains(joinedFolder(folder, named))) {
            defaultDirectory = joinedFolder(folder, named);
        }
    };
    if (auto installs = readIni(installsIni)) {  // a broken one only names no default
        std::for_each(installs->begin(), installs->end(), nameDefault);
    }
    for (const auto& section : *sections) {
        if (section.name.starts_with("Install")) {
            nameDefault(section);
        }
    }
    if (!defaultDirectory) {
        defaultDirectory = std::move(markedDefault);
    }
    std::optional<BrowserProfile> first;
    auto found = std::find_if(profiles.begin(), profiles.end(), [&](const BrowserProfile& profile) {
        return profile.directory == defaultDirectory;
    });
    if (found != profiles.end()) {
        first = std::move(*found);
        profiles.erase(found);
    }
    sortByName(profiles, &BrowserProfile::displayName, &BrowserProfile::directory);
    if (first) {
        profiles.insert(profiles.begin(), std::move(*first));
    }
    return profiles;
}

std::vector<FileBrowserPersonaCatalog::ObjectEntry> FileBrowserPersonaCatalog::objects(const json& value) {
    std::vector<ObjectEntry> result;
    if (value.is_array()) {
        bool allObjects =
            std::all_of(value.begin(), value.end(), [](const json& element) { return element.is_object(); });
        // Otherwise identifiers and objects alternate: a string names the object after it.
        std::optional<std::string> pending;
        for (const auto& element : value) {
            if (element.is_string()) {
                pending = element.get<std::string>();
            } else if (element.is_object()) {
                result.push_back({&element, allObjects || element.contains("id") ? std::nullopt : pending});
                pending.reset();
            }
        }
        return result;
    }
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            if (member.is_object()) {
                result.push_back({&member, member.contains("id") ? std::nullopt : std::optional(key)});
            }
        }
    }
    return result;
}

}  // namespace ferrywise
