#include "ferrywise/opening/PrivateBrowsing.hpp"

#include <algorithm>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

// The mode a Linux switch or action speaks of, by its words.
std::string_view modeNameKeyOfWords(std::string_view words) {
    auto lowered = text::lowercased(words);
    if (lowered.find("inprivate") != std::string::npos) {
        return "InPrivate";
    }
    return lowered.find("incognito") != std::string::npos ? "Incognito" : "Private";
}

// The English key of the mode name; "Private" for Firefox, Safari and browsers without a strategy.
std::string_view modeNameKey(const std::optional<PrivateBrowsingStrategy>& strategy) {
    if (!strategy) {
        return "Private";
    }
    if (const auto* flag = strategy->chromiumFlag()) {
        return *flag == "--inprivate" ? "InPrivate" : "Incognito";
    }
    if (const auto* line = std::get_if<PrivateBrowsingStrategy::CommandLine>(&strategy->value())) {
        return modeNameKeyOfWords(line->flag);
    }
    if (const auto* action = std::get_if<PrivateBrowsingStrategy::DesktopAction>(&strategy->value())) {
        return modeNameKeyOfWords(action->action.id + " " + action->action.name);
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
        // Linux desktop IDs of the common packagings (the Flatpak IDs of Chrome, Chromium, Brave, Vivaldi
        // and Firefox are the macOS identifiers above).
        {"chromium", PrivateBrowsingStrategy::commandLine("--incognito")},
        {"chromium-browser", PrivateBrowsingStrategy::commandLine("--incognito")},
        {"google-chrome", PrivateBrowsingStrategy::commandLine("--incognito")},
        {"brave-browser", PrivateBrowsingStrategy::commandLine("--incognito")},
        {"microsoft-edge", PrivateBrowsingStrategy::commandLine("--inprivate")},
        {"com.microsoft.Edge", PrivateBrowsingStrategy::commandLine("--inprivate")},
        {"vivaldi-stable", PrivateBrowsingStrategy::commandLine("--incognito")},
        {"opera", PrivateBrowsingStrategy::commandLine("--private")},
        {"com.opera.Opera", PrivateBrowsingStrategy::commandLine("--private")},
        {"firefox", PrivateBrowsingStrategy::commandLine("--private-window")},
        {"firefox-esr", PrivateBrowsingStrategy::commandLine("--private-window")},
        {"librewolf", PrivateBrowsingStrategy::commandLine("--private-window")},
        {"io.gitlab.librewolf-community", PrivateBrowsingStrategy::commandLine("--private-window")},
        {"org.gnome.Epiphany", PrivateBrowsingStrategy::commandLine("--incognito-mode")},
        {"org.kde.falkon", PrivateBrowsingStrategy::commandLine("--private-browsing")},
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

std::optional<PrivateBrowsingStrategy> PrivateBrowsing::strategy(
    std::string_view bundleIdentifier, const std::optional<ApplicationAction>& privateWindowAction) {
    if (auto known = strategy(bundleIdentifier)) {
        return known;
    }
    if (privateWindowAction) {
        return PrivateBrowsingStrategy::desktopAction(*privateWindowAction);
    }
    return std::nullopt;
}

bool PrivateBrowsing::supportsPrivateBrowsing(std::string_view bundleIdentifier) {
    return strategies().contains(bundleIdentifier);
}

std::optional<ApplicationAction> PrivateBrowsing::privateWindowAction(
    const std::vector<ApplicationAction>& actions) {
    auto found = std::find_if(actions.begin(), actions.end(), [](const ApplicationAction& action) {
        auto words = text::lowercased(action.id + " " + action.name);
        return words.find("private") != std::string::npos || words.find("incognito") != std::string::npos;
    });
    return found != actions.end() ? std::optional(*found) : std::nullopt;
}

std::string PrivateBrowsing::modeName(std::string_view bundleIdentifier, const Localization& localization) {
    return modeName(strategy(bundleIdentifier), localization);
}

std::string PrivateBrowsing::modeName(const std::optional<PrivateBrowsingStrategy>& strategy,
                                      const Localization& localization) {
    return localization.text(modeNameKey(strategy));
}

std::string PrivateBrowsing::shortModeName(std::string_view bundleIdentifier,
                                           const Localization& localization) {
    auto key = modeNameKey(strategy(bundleIdentifier));
    return localization.text(key == "Private" ? "Private (short)" : key);
}

std::string PrivateBrowsing::displayName(std::string_view name, std::string_view bundleIdentifier,
                                         const Localization& localization) {
    return displayName(name, strategy(bundleIdentifier), localization);
}

std::string PrivateBrowsing::displayName(std::string_view name,
                                         const std::optional<PrivateBrowsingStrategy>& strategy,
                                         const Localization& localization) {
    return std::string(name) + " (" + modeName(strategy, localization) + ")";
}

}  // namespace ferrywise
