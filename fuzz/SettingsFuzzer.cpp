// Any stored settings domain (JSON text, as a damaged or hand-edited settings file holds) must read
// without failing: every preference reads a valid value (ring size within 4...10), the statistics give
// 24 hours, and writing on top of it keeps the documented forms (normalised parameter names that
// normalise to themselves, ascending hosts, one more routed link today). The text is tried twice: as the
// file of the file-backed store, whatever its bytes (damaged, hostile or deeply nested files included),
// and, when it is a storable dictionary, as the domain of the in-memory store.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/freedesktop/FileUserDefaults.hpp"
#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/settings/RoutingStatistics.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace {

using namespace ferrywise;

void exercise(const std::shared_ptr<UserDefaults>& defaults) {
    GeneralPreferences preferences(defaults, "app.example.Router");
    static const auto calendar = Calendar::gregorian("Asia/Shanghai");
    const auto now = calendar.date(2026, 12, 6, 9, 15);
    RoutingStatistics routing(
        defaults, [&] { return now; }, calendar);
    TrackingStatistics tracking(
        defaults, [&] { return now; }, calendar);

    auto ring = preferences.ringMaximumCandidates();
    if (ring < 4 || ring > 10) {
        std::abort();
    }
    (void)preferences.showsMenuBarIcon();
    (void)preferences.pickerStyle();
    (void)preferences.fallbackTarget();
    (void)preferences.preferredLanguage();
    auto kept = preferences.keptTrackingParameters();
    auto hosts = preferences.dismissedWarningHosts();
    auto before = routing.routedToday();
    (void)routing.routedByHour();
    (void)tracking.removedToday();

    preferences.setKeptTrackingParameters(kept);
    auto normalised = preferences.keptTrackingParameters();
    if (GeneralPreferences::normalizedParameterNames(normalised) != normalised) {
        std::abort();
    }
    preferences.setDismissedWarningHosts(hosts);
    auto stored = defaults->stringArray(GeneralPreferences::dismissedWarningHostsKey);
    if (!stored || !std::is_sorted(stored->begin(), stored->end())) {
        std::abort();
    }
    routing.recordRoutedLink();
    auto after = routing.routedToday();
    if (after != (before == INT64_MAX ? before : before + 1) || routing.routedByHour()[9] < 1) {
        std::abort();
    }
    tracking.recordRemovedParameters(3);
}

// A private folder for the settings files, made once per run.
const std::filesystem::path& folder() {
    static const std::filesystem::path made = [] {
        auto pattern = (std::filesystem::temp_directory_path() / "settings-fuzzer-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern);
    }();
    return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    std::filesystem::remove_all(folder());
    std::filesystem::create_directories(folder());
    std::ofstream(folder() / "app.example.Router.json", std::ios::binary)
        .write(text.data(), std::ssize(text));
    exercise(std::make_shared<freedesktop::FileUserDefaults>(folder(), "app.example.Router"));

    auto values = nlohmann::json::parse(text, nullptr, false);
    if (!values.is_object()) {
        return 0;
    }
    auto defaults = std::make_shared<InMemoryUserDefaults>("app.example.Router");
    try {
        defaults->setPersistentDomain(std::move(values), "app.example.Router");
    } catch (const std::invalid_argument&) {
        return 0;  // not something a settings file can hold
    }
    exercise(defaults);
    return 0;
}
