// Any bytes given as a browser's "Local State" file must be read without failing. Profiles come only from
// text that is JSON; their folders are distinct and non-empty; each is named by its folder or by a non-blank
// name without white space at either end; and they are sorted by name in file-manager order, then by folder.

#include <compare>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/foundation/Text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto profiles = FileBrowserPersonaCatalog::profilesFromLocalState(text);
    if (!profiles) {
        return 0;
    }
    if (!nlohmann::json::accept(text)) {
        std::abort();  // profiles from text that is not JSON
    }
    std::set<std::string_view> directories;
    for (const auto& profile : *profiles) {
        if (profile.directory.empty() || !directories.insert(profile.directory).second) {
            std::abort();
        }
        if (profile.displayName != profile.directory &&
            (profile.displayName.empty() ||
             text::trimmingWhitespaceAndNewlines(profile.displayName) != profile.displayName)) {
            std::abort();  // a name that is neither the folder nor a trimmed, non-blank name
        }
    }
    for (std::size_t i = 1; i < profiles->size(); ++i) {
        const auto& previous = (*profiles)[i - 1];
        const auto& profile = (*profiles)[i];
        auto order = text::localizedStandardCompare(previous.displayName, profile.displayName);
        if (order > 0 || (order == 0 && previous.directory >= profile.directory)) {
            std::abort();
        }
    }
    return 0;
}
