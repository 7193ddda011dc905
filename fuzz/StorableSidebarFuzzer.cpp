// Any bytes given as a browser's sidebar file must be read without failing. Spaces come only from text that
// is JSON; their identifiers are distinct and non-empty; their titles are non-blank without white space at
// either end; and they are sorted by title in file-manager order, then by identifier.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/applications/BrowserPersonaCatalog.hpp"

#include "PersonaListChecks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto spaces = FileBrowserPersonaCatalog::spacesFromStorableSidebar(text);
    if (!spaces) {
        return 0;
    }
    if (!nlohmann::json::accept(text)) {
        std::abort();  // spaces from text that is not JSON
    }
    fuzzing::requireKeyedSortedList(*spaces, &BrowserSpace::id, &BrowserSpace::title, false);
    return 0;
}
