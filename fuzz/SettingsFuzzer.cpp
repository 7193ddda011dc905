// Any stored settings domain (JSON text, as a damaged or hand-edited settings file holds) must read
// without failing: every preference reads a valid value (ring size within 4...10), the statistics give
// 24 hours, and writing on top of it keeps the documented forms (normalised parameter names that
// normalise to themselves, ascending hosts, one more routed link today).

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ferrywise/settings/GeneralPreferences.hpp"
#include "ferrywise/settings/RoutingStatistics.hpp"
#include "ferrywise/system/InMemoryUserDefaults.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ferrywise;
    auto values =
        nlohmann::json::parse(std::string_view(reinterpret_cast<const char*>(data), size), nullptr, false);
    if (!values.is_object()) {
        return 0;
    }
    auto defaults = std::make_shared<InMemoryUserDefaults>("app.example.Router");
    try {
        defaults->setPersistentDomain(values, "app.example.Router");
    } catch (const std::invalid_argument&) {
        return 0;  // not something a settings file can hold
    }
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
    return 0;
}
