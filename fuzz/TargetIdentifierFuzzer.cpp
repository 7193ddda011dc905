// Reading any stored target text must never fail, and writing the result back must give the same text:
// the identifier either keeps the whole text or splits off exactly the suffix it writes again.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ferrywise/applications/ApplicationTarget.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto id = ferrywise::ApplicationTargetIdentifier::fromStored(text);
    if (id.stored() != text) {
        std::abort();
    }
    auto suffix = id.variant().storedSuffix();
    if (ferrywise::ApplicationVariant::fromStoredSuffix(suffix) != id.variant()) {
        std::abort();
    }
    auto persona = id.variant().personaValue();
    if (persona && persona->empty()) {
        std::abort();  // an empty persona is always stored as normal
    }
    return 0;
}
