#pragma once

// ApplicationPreferences holds the user's choices about the applications offered for each link family: their
// order (which also lists the browser profiles and spaces promoted to entries of their own), the hidden
// entries, and the browsers whose profile mode is on. Every list holds application ids
// (DiscoveredApplication::id). The same value is stored in ApplicationPreferences.json and travels in sync.
//
//   preferences.setHidden(true, "org.mozilla.firefox#private", LinkScheme::Kind::web);
//   preferences.isHidden("org.mozilla.firefox#private", LinkScheme::Kind::web);  // true

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise {

struct ApplicationPreferences {
    struct Family {
        std::vector<std::string> order;        // ids in the user's order; also the promoted personas
        std::vector<std::string> hidden;       // ids hidden from the picker
        std::vector<std::string> profileMode;  // ids of browsers whose profile mode is on

        bool operator==(const Family&) const = default;
    };

    // Only the families that have been written; an absent one reads as empty.
    std::map<LinkScheme::Kind::Value, Family> families;

    // The family's choices; the empty family when none were written. The reference lives until the
    // preferences change.
    [[nodiscard]] const Family& family(LinkScheme::Kind kind) const;
    // Stores the family's choices, replacing any earlier ones.
    void setFamily(LinkScheme::Kind kind, Family family) { families[kind.value()] = std::move(family); }

    // Returns whether the family's hidden (profile-mode) list holds `id` exactly.
    [[nodiscard]] bool isHidden(std::string_view id, LinkScheme::Kind kind) const;
    [[nodiscard]] bool isProfileModeOn(std::string_view id, LinkScheme::Kind kind) const;

    // Removes every occurrence of `id` from the family's hidden (profile-mode) list, keeping the order of
    // the rest, and appends it when `on` is true. The family's other lists stay as they are.
    void setHidden(bool on, std::string_view id, LinkScheme::Kind kind);
    void setProfileMode(bool on, std::string_view id, LinkScheme::Kind kind);

    // Replaces the family's order, keeping its hidden and profile-mode lists.
    void setOrder(std::vector<std::string> order, LinkScheme::Kind kind) {
        families[kind.value()].order = std::move(order);
    }

    bool operator==(const ApplicationPreferences&) const = default;
};

// The stored form: {"families": {"web": {"hidden": [...], "order": [...], "profileMode": [...]}}}, a family
// only when written, always with all three lists. Reading requires "families" and accepts a family without
// some of its lists; every value must have its type, else DecodingError (whose text quotes no stored value).
void to_json(nlohmann::json& json, const ApplicationPreferences& preferences);
void from_json(const nlohmann::json& json, ApplicationPreferences& preferences);

}  // namespace ferrywise
