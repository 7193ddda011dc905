// Any bytes given as the application-preferences file either fail to decode with a DecodingError or decode
// to preferences that are written back and read again unchanged (and written the same way twice); the
// operations on a decoded value never fail.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ferrywise/applications/ApplicationPreferencesStore.hpp"
#include "ferrywise/foundation/Coding.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ApplicationPreferences preferences;
    try {
        preferences = ApplicationPreferencesStore::decode(text);
    } catch (const DecodingError&) {
        return 0;
    }
    auto written = ApplicationPreferencesStore::encode(preferences);
    auto reread = ApplicationPreferencesStore::decode(written);  // must not throw
    if (reread != preferences || ApplicationPreferencesStore::encode(reread) != written) {
        std::abort();
    }
    for (auto kind : LinkScheme::Kind::allCases()) {
        auto order = preferences.family(kind).order;
        for (const auto& id : order) {
            preferences.setHidden(!preferences.isHidden(id, kind), id, kind);
            preferences.setProfileMode(true, id, kind);
            if (!preferences.isProfileModeOn(id, kind)) {
                std::abort();
            }
        }
        preferences.setOrder(std::move(order), kind);
    }
    return 0;
}
