// Any bytes given as Firefox's profiles.ini (before the first NUL) and installs.ini (after it) must be read
// without failing. Profiles have distinct, absolute, normal folders without a trailing slash; each is a
// Firefox profile named by its folder or by a non-blank name without white space at either end; and all but
// the default one (first) are sorted by name in file-manager order, then by folder.

#include <algorithm>
#include <compare>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string_view>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"
#include "ferrywise/foundation/Text.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto split = std::min(text.find('\0'), text.size());
    auto installs = text.substr(std::min(split + 1, text.size()));
    auto profiles = FileBrowserPersonaCatalog::profilesFromProfilesIni(text.substr(0, split), installs,
                                                                       "/home/u/.mozilla/firefox");
    if (!profiles) {
        return 0;
    }
    std::set<std::string_view> directories;
    for (const auto& profile : *profiles) {
        std::filesystem::path directory(profile.directory);
        if (profile.directory.empty() || !directory.is_absolute() ||
            directory.lexically_normal() != directory ||
            (profile.directory.size() > 1 && profile.directory.back() == '/') ||
            !directories.insert(profile.directory).second) {
            std::abort();
        }
        if (profile.family != BrowserProfile::Family::firefox) {
            std::abort();
        }
        if (profile.displayName != profile.directory &&
            (profile.displayName.empty() ||
             text::trimmingWhitespaceAndNewlines(profile.displayName) != profile.displayName)) {
            std::abort();  // a name that is neither the folder nor a trimmed, non-blank name
        }
    }
    for (std::size_t i = 2; i < profiles->size(); ++i) {
        const auto& previous = (*profiles)[i - 1];
        const auto& profile = (*profiles)[i];
        auto order = text::localizedStandardCompare(previous.displayName, profile.displayName);
        if (order > 0 || (order == 0 && previous.directory >= profile.directory)) {
            std::abort();
        }
    }
    return 0;
}
