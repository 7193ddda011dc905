// Any bytes given as a browser's sidebar file must be read without failing. Spaces come only from text that
// is JSON; their identifiers are distinct and non-empty; their titles are non-blank without white space at
// either end; and they are sorted by title in file-manager order, then by identifier.

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
    auto spaces = FileBrowserPersonaCatalog::spacesFromStorableSidebar(text);
    if (!spaces) {
        return 0;
    }
    if (!nlohmann::json::accept(text)) {
        std::abort();  // spaces from text that is not JSON
    }
    std::set<std::string_view> ids;
    for (const auto& space : *spaces) {
        if (space.id.empty() || !ids.insert(space.id).second) {
            std::abort();
        }
        if (space.title.empty() || text::trimmingWhitespaceAndNewlines(space.title) != space.title) {
            std::abort();
        }
    }
    for (std::size_t i = 1; i < spaces->size(); ++i) {
        const auto& previous = (*spaces)[i - 1];
        const auto& space = (*spaces)[i];
        auto order = text::localizedStandardCompare(previous.title, space.title);
        if (order > 0 || (order == 0 && previous.id >= space.id)) {
            std::abort();
        }
    }
    return 0;
}
