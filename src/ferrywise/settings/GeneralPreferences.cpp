#include "ferrywise/settings/GeneralPreferences.hpp"

#include <stdexcept>
#include <unordered_set>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {

GeneralPreferences::GeneralPreferences(std::shared_ptr<UserDefaults> defaults, std::string domain)
    : defaults_(std::move(defaults)), domain_(std::move(domain)) {
    if (!defaults_) {
        throw std::invalid_argument("GeneralPreferences needs a defaults store");
    }
}

std::vector<std::string> GeneralPreferences::normalizedParameterNames(const std::vector<std::string>& input) {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (std::string_view text : input) {
        // The separators are ASCII, so splitting the UTF-8 bytes never cuts a character apart.
        while (!text.empty()) {
            auto end = text.find_first_of(", \n");
            auto piece = text.substr(0, end);
            text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
            auto name = text::lowercased(text::trimmingWhitespace(piece));
            if (!name.empty() && seen.insert(name).second) {
                names.push_back(std::move(name));
            }
        }
    }
    return names;
}

bool GeneralPreferences::boolean(std::string_view key, bool fallback) const {
    return defaults_->boolean(key).value_or(fallback);
}

void GeneralPreferences::setBoolean(std::string_view key, bool value) {
    defaults_->set(key, value);
}

std::optional<std::string> GeneralPreferences::optionalString(std::string_view key) const {
    return defaults_->string(key);
}

void GeneralPreferences::setOptionalString(std::string_view key, const std::optional<std::string>& value) {
    if (value) {
        defaults_->set(key, *value);
    } else {
        defaults_->remove(key);
    }
}

bool GeneralPreferences::showsMenuBarIcon() const {
    return boolean(showsMenuBarIconKey, true);
}

void GeneralPreferences::setShowsMenuBarIcon(bool value) {
    setBoolean(showsMenuBarIconKey, value);
}

bool GeneralPreferences::cleansTrackingParameters() const {
    return boolean(cleansTrackingParametersKey, true);
}

void GeneralPreferences::setCleansTrackingParameters(bool value) {
    setBoolean(cleansTrackingParametersKey, value);
}

std::vector<std::string> GeneralPreferences::keptTrackingParameters() const {
    // Returned as stored: the names were normalised when written.
    return defaults_->stringArray(keptTrackingParametersKey).value_or(std::vector<std::string>{});
}

void GeneralPreferences::setKeptTrackingParameters(const std::vector<std::string>& names) {
    defaults_->set(keptTrackingParametersKey, normalizedParameterNames(names));
}

bool GeneralPreferences::resolvesShortLinks() const {
    return boolean(resolvesShortLinksKey, false);
}

void GeneralPreferences::setResolvesShortLinks(bool value) {
    setBoolean(resolvesShortLinksKey, value);
}

bool GeneralPreferences::alwaysAsks() const {
    return boolean(alwaysAsksKey, true);
}

void GeneralPreferences::setAlwaysAsks(bool value) {
    setBoolean(alwaysAsksKey, value);
}

std::optional<std::string> GeneralPreferences::fallbackTarget() const {
    return optionalString(fallbackTargetKey);
}

void GeneralPreferences::setFallbackTarget(const std::optional<std::string>& target) {
    setOptionalString(fallbackTargetKey, target);
}

std::set<std::string> GeneralPreferences::dismissedWarningHosts() const {
    auto hosts = defaults_->stringArray(dismissedWarningHostsKey);
    if (!hosts) {
        return {};
    }
    return {std::make_move_iterator(hosts->begin()), std::make_move_iterator(hosts->end())};
}

void GeneralPreferences::setDismissedWarningHosts(const std::set<std::string>& hosts) {
    // A std::set iterates in ascending byte order, which for UTF-8 is ascending code-point order.
    defaults_->set(dismissedWarningHostsKey, nlohmann::json(hosts));
}

bool GeneralPreferences::checksForUpdates() const {
    return boolean(checksForUpdatesKey, true);
}

void GeneralPreferences::setChecksForUpdates(bool value) {
    setBoolean(checksForUpdatesKey, value);
}

bool GeneralPreferences::syncEnabled() const {
    return boolean(syncEnabledKey, false);
}

void GeneralPreferences::setSyncEnabled(bool value) {
    setBoolean(syncEnabledKey, value);
}

PickerPresentationStyle GeneralPreferences::pickerStyle() const {
    // The raw values match exactly: "Ring" is not the ring style.
    auto raw = defaults_->string(pickerStyleKey);
    auto style = raw ? PickerPresentationStyle::fromRawValue(*raw) : std::nullopt;
    return style.value_or(PickerPresentationStyle::classic);
}

void GeneralPreferences::setPickerStyle(PickerPresentationStyle style) {
    defaults_->set(pickerStyleKey, style.rawValue());
}

int GeneralPreferences::ringMaximumCandidates() const {
    auto stored = defaults_->object(ringMaximumCandidatesKey);
    if (!stored) {
        return defaultRingMaximumCandidates;
    }
    // Something stored that is not a number reads as 0, which clamps to the lower bound.
    return clampedRingMaximumCandidates(UserDefaults::integerValue(*stored));
}

void GeneralPreferences::setRingMaximumCandidates(std::int64_t value) {
    defaults_->set(ringMaximumCandidatesKey, clampedRingMaximumCandidates(value));
}

std::optional<std::string> GeneralPreferences::accessibilityGrantedToBuild() const {
    return optionalString(accessibilityGrantedToBuildKey);
}

void GeneralPreferences::setAccessibilityGrantedToBuild(const std::optional<std::string>& identity) {
    setOptionalString(accessibilityGrantedToBuildKey, identity);
}

std::optional<std::string> GeneralPreferences::preferredLanguage() const {
    // Only the application's own domain: a global or launch-argument language is the system's choice,
    // not one made in the application.
    auto values = defaults_->persistentDomain(domain_);
    if (!values || !values->is_object()) {
        return std::nullopt;
    }
    auto languages = values->find(preferredLanguageKey);
    if (languages == values->end() || !languages->is_array() || languages->empty()) {
        return std::nullopt;
    }
    for (const auto& language : *languages) {
        if (!language.is_string()) {
            return std::nullopt;
        }
    }
    return languages->front().get<std::string>();
}

void GeneralPreferences::setPreferredLanguage(const std::optional<std::string>& code) {
    if (code) {
        defaults_->set(preferredLanguageKey, nlohmann::json::array({*code}));
    } else {
        defaults_->remove(preferredLanguageKey);
    }
}

bool GeneralPreferences::fetchesFavicons() const {
    return boolean(fetchesFaviconsKey, false);
}

void GeneralPreferences::setFetchesFavicons(bool value) {
    setBoolean(fetchesFaviconsKey, value);
}

}  // namespace ferrywise
