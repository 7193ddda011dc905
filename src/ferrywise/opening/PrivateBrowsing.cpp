#include "ferrywise/opening/PrivateBrowsing.hpp"

namespace ferrywise {
namespace {

// The English key of the mode name; "Private" for browsers without a Chromium switch.
std::string_view modeNameKey(std::string_view bundleIdentifier) {
    auto strategy = PrivateBrowsing::strategy(bundleIdentifier);
    if (strategy) {
        if (const auto* flag = strategy->chromiumFlag()) {
            return *flag == "--inprivate" ? "InPrivate" : "Incognito";
        }
    }
    return "Private";
}

}  // namespace

const std::string* PrivateBrowsingStrategy::chromiumFlag() const noexcept {
    const auto* chromium = std::get_if<Chromium>(&value_);
    return chromium != nullptr ? &chromium->flag : nullptr;
}

const std::map<std::string, PrivateBrowsingStrategy, std::less<>>& PrivateBrowsing::strategies() {
    static const std::map<std::string, PrivateBrowsingStrategy, std::less<>> table{
        {"com.apple.Safari", PrivateBrowsingStrategy::safari()},
        {"com.apple.SafariTechnologyPreview", PrivateBrowsingStrategy::safari()},
        {"com.google.Chrome", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.google.Chrome.canary", PrivateBrowsingStrategy::chromium("--incognito")},
        {"org.chromium.Chromium", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.microsoft.edgemac", PrivateBrowsingStrategy::chromium("--inprivate")},
        {"com.brave.Browser", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.brave.Browser.beta", PrivateBrowsingStrategy::chromium("--incognito")},
        {"com.vivaldi.Vivaldi", PrivateBrowsingStrategy::chromium("--incognito")},
        {"org.mozilla.firefox", PrivateBrowsingStrategy::firefox()},
        {"org.mozilla.firefoxdeveloperedition", PrivateBrowsingStrategy::firefox()},
    };
    return table;
}

std::optional<PrivateBrowsingStrategy> PrivateBrowsing::strategy(std::string_view bundleIdentifier) {
    const auto& table = strategies();
    if (auto found = table.find(bundleIdentifier); found != table.end()) {
        return found->second;
    }
    return std::nullopt;
}

bool PrivateBrowsing::supportsPrivateBrowsing(std::string_view bundleIdentifier) {
    return strategies().contains(bundleIdentifier);
}

std::string PrivateBrowsing::modeName(std::string_view bundleIdentifier, const Localization& localization) {
    return localization.text(modeNameKey(bundleIdentifier));
}

std::string PrivateBrowsing::shortModeName(std::string_view bundleIdentifier,
                                           const Localization& localization) {
    auto key = modeNameKey(bundleIdentifier);
    return localization.text(key == "Private" ? "Private (short)" : key);
}

std::string PrivateBrowsing::displayName(std::string_view name, std::string_view bundleIdentifier,
                                         const Localization& localization) {
    return std::string(name) + " (" + modeName(bundleIdentifier, localization) + ")";
}

}  // namespace ferrywise
