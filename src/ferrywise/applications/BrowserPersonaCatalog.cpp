#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/FileStamp.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
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

}  // namespace

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

std::vector<BrowserProfile> FileBrowserPersonaCatalog::profiles(std::string_view bundleIdentifier) const {
    const auto& table = chromiumDataDirectories();
    auto folder = table.find(bundleIdentifier);
    if (folder == table.end()) {
        return {};
    }
    auto data = readSmallFile(applicationSupportUrl_ / folder->second / "Local State");
    auto profiles = data ? profilesFromLocalState(*data) : std::nullopt;
    if (!profiles) {
        Log::applications().log("Could not read Chromium profile catalogue");
        return {};
    }
    return std::move(*profiles);
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
