// Any bytes given as a browser's "Local State" file must be read without failing. Profiles come only from
// text that is JSON; their folders are distinct and non-empty; each is named by its folder or by a non-blank
// name without white space at either end; and they are sorted by name in file-manager order, then by folder.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include "PersonaListChecks.hpp"

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
    fuzzing::requireKeyedSortedList(*profiles, &BrowserProfile::directory, &BrowserProfile::displayName,
                                    true);
    return 0;
}
