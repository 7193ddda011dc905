#pragma once

// GeneralPreferences is the one typed front for the general settings kept in the user-defaults store: it
// owns their key names, how each is stored, the value read when a key is absent or holds something
// unreadable, and the clamping and normalisation applied when writing. Nothing is cached: every read goes
// to the store and every write reaches it at once, so copies (which share the store) always agree.
//
//   GeneralPreferences preferences(defaults, "app.example.Router");
//   preferences.setRingMaximumCandidates(25);        // stores 10
//   preferences.setKeptTrackingParameters({"UTM_Source, fbclid"});  // stores ["utm_source", "fbclid"]
//   preferences.alwaysAsks();                        // true until the user turns it off
//
// Stored values of the wrong type read as the setting's default; reads never throw. Writing text that is
// not valid UTF-8 throws std::invalid_argument, as the store does, and changes nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ferrywise/picker/PickerPresentationStyle.hpp"
#include "ferrywise/system/UserDefaults.hpp"

namespace ferrywise {

class GeneralPreferences {
  public:
    // A closed range of integers, both bounds included.
    struct ClosedRange {
        int lowerBound;
        int upperBound;

        // Returns whether `value` lies within the range.
        [[nodiscard]] constexpr bool contains(std::int64_t value) const noexcept {
            return value >= lowerBound && value <= upperBound;
        }
    };

    // How many applications the ring picker may show, and how many it shows when nothing is stored.
    static constexpr ClosedRange ringMaximumCandidatesRange{4, 10};
    static constexpr int defaultRingMaximumCandidates = 8;

    // The store keys, exactly as other versions of the application read them.
    static constexpr std::string_view showsMenuBarIconKey = "showsMenuBarIcon";
    static constexpr std::string_view cleansTrackingParametersKey = "cleansTrackingParameters";
    static constexpr std::string_view keptTrackingParametersKey = "keptTrackingParameters";
    static constexpr std::string_view resolvesShortLinksKey = "resolvesShortLinks";
    static constexpr std::string_view alwaysAsksKey = "alwaysAsks";
    static constexpr std::string_view fallbackTargetKey = "fallbackTarget";
    static constexpr std::string_view dismissedWarningHostsKey = "dismissedWarningHosts";
    static constexpr std::string_view checksForUpdatesKey = "checksForUpdates";
    static constexpr std::string_view syncEnabledKey = "syncEnabled";
    static constexpr std::string_view pickerStyleKey = "pickerStyle";
    static constexpr std::string_view ringMaximumCandidatesKey = "ringMaximumCandidates";
    static constexpr std::string_view accessibilityGrantedToBuildKey = "accessibilityGrantedToBuild";
    static constexpr std::string_view preferredLanguageKey = "AppleLanguages";
    static constexpr std::string_view fetchesFaviconsKey = "fetchesFavicons";

    // Preferences in `defaults`; `domain` names the application's own persistent domain (its bundle
    // identifier), which only preferredLanguage reads. `defaults` must not be null.
    GeneralPreferences(std::shared_ptr<UserDefaults> defaults, std::string domain);

    // Returns `value` clamped into ringMaximumCandidatesRange.
    [[nodiscard]] static constexpr int clampedRingMaximumCandidates(std::int64_t value) noexcept {
        // Compare in 64 bits before narrowing, so no value can overflow the int.
        if (value < ringMaximumCandidatesRange.lowerBound) {
            return ringMaximumCandidatesRange.lowerBound;
        }
        if (value > ringMaximumCandidatesRange.upperBound) {
            return ringMaximumCandidatesRange.upperBound;
        }
        return static_cast<int>(value);
    }

    // Splits each string at commas, spaces and line feeds, trims horizontal white space from each piece,
    // lower-cases it, and keeps the first occurrence of each non-empty name, in order.
    [[nodiscard]] static std::vector<std::string> normalizedParameterNames(
        const std::vector<std::string>& input);

    // The store and domain the preferences were made with.
    [[nodiscard]] const std::shared_ptr<UserDefaults>& defaults() const noexcept { return defaults_; }
    [[nodiscard]] const std::string& domain() const noexcept { return domain_; }

    // Whether the host shows its menu-bar icon (default true).
    [[nodiscard]] bool showsMenuBarIcon() const;
    void setShowsMenuBarIcon(bool value);

    // Whether tracking parameters are removed from incoming links (default true).
    [[nodiscard]] bool cleansTrackingParameters() const;
    void setCleansTrackingParameters(bool value);

    // The parameter names exempt from removal, as stored (default empty). Writing normalises them first.
    [[nodiscard]] std::vector<std::string> keptTrackingParameters() const;
    void setKeptTrackingParameters(const std::vector<std::string>& names);
    // Reads the names once, lets `change` edit them, and writes the result (normalised) once.
    template <typename F>
    void modifyKeptTrackingParameters(F&& change);

    // Whether known short links are resolved before routing (default false).
    [[nodiscard]] bool resolvesShortLinks() const;
    void setResolvesShortLinks(bool value);

    // Whether links no rule matched show the picker rather than go to the fallback (default true).
    [[nodiscard]] bool alwaysAsks() const;
    void setAlwaysAsks(bool value);

    // The stored identifier of the destination for links no rule matched; none removes the key.
    [[nodiscard]] std::optional<std::string> fallbackTarget() const;
    void setFallbackTarget(const std::optional<std::string>& target);

    // The hosts whose suspicious-link warning the user dismissed (default empty). Written as an array in
    // ascending order.
    [[nodiscard]] std::set<std::string> dismissedWarningHosts() const;
    void setDismissedWarningHosts(const std::set<std::string>& hosts);
    // Reads the hosts once, lets `change` edit them, and writes the result once.
    template <typename F>
    void modifyDismissedWarningHosts(F&& change);

    // Whether the host checks for updates (default true).
    [[nodiscard]] bool checksForUpdates() const;
    void setChecksForUpdates(bool value);

    // Whether sync runs (default false).
    [[nodiscard]] bool syncEnabled() const;
    void setSyncEnabled(bool value);

    // The picker presentation: ring only for the exact text "ring", classic otherwise.
    [[nodiscard]] PickerPresentationStyle pickerStyle() const;
    void setPickerStyle(PickerPresentationStyle style);

    // The most applications the ring picker shows: 8 when nothing is stored, else the stored integer
    // clamped into 4...10. Writing clamps too.
    [[nodiscard]] int ringMaximumCandidates() const;
    void setRingMaximumCandidates(std::int64_t value);

    // The code-signing identity of the build that last saw the Accessibility permission granted; none
    // removes the key.
    [[nodiscard]] std::optional<std::string> accessibilityGrantedToBuild() const;
    void setAccessibilityGrantedToBuild(const std::optional<std::string>& identity);

    // The interface language chosen in the application: the first code of "AppleLanguages" in the
    // application's own persistent domain (never a global or argument value); none to follow the system.
    // Writing stores a one-element array, or removes the key for none.
    [[nodiscard]] std::optional<std::string> preferredLanguage() const;
    void setPreferredLanguage(const std::optional<std::string>& code);

    // Whether website icons are fetched for rule rows (default false).
    [[nodiscard]] bool fetchesFavicons() const;
    void setFetchesFavicons(bool value);

  private:
    [[nodiscard]] bool boolean(std::string_view key, bool fallback) const;
    void setBoolean(std::string_view key, bool value);
    [[nodiscard]] std::optional<std::string> optionalString(std::string_view key) const;
    void setOptionalString(std::string_view key, const std::optional<std::string>& value);

    std::shared_ptr<UserDefaults> defaults_;
    std::string domain_;
};

template <typename F>
void GeneralPreferences::modifyKeptTrackingParameters(F&& change) {
    auto names = keptTrackingParameters();
    std::forward<F>(change)(names);
    setKeptTrackingParameters(names);
}

template <typename F>
void GeneralPreferences::modifyDismissedWarningHosts(F&& change) {
    auto hosts = dismissedWarningHosts();
    std::forward<F>(change)(hosts);
    setDismissedWarningHosts(hosts);
}

}  // namespace ferrywise
