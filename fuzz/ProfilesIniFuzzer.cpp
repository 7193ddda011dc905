// Any bytes given as Firefox's profiles.ini (before the first NUL) and installs.ini (after it) must be read
// without failing. Profiles have distinct, absolute, normal folders without a trailing slash; each is a
// Firefox profile named by its folder or by a non-blank name without white space at either end; and all but
// the default one (first) are sorted by name in file-manager order, then by folder.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include "PersonaListChecks.hpp"

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
    for (const auto& profile : *profiles) {
        std::filesystem::path directory(profile.directory);
        if (!directory.is_absolute() || directory.lexically_normal() != directory ||
            (profile.directory.size() > 1 && profile.directory.back() == '/') ||
            profile.family != BrowserProfile::Family::firefox) {
            std::abort();
        }
    }
    // The default profile comes first; the others are sorted.
    fuzzing::requireKeyedSortedList(*profiles, &BrowserProfile::directory, &BrowserProfile::displayName, true,
                                    1);
    return 0;
}
