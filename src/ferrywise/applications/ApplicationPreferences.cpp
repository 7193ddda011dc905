#include "ferrywise/applications/ApplicationPreferences.hpp"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {
namespace {

bool contains(const std::vector<std::string>& list, std::string_view id) {
    return std::ranges::find(list, id) != list.end();
}

void setMember(std::vector<std::string>& list, bool on, std::string_view id) {
    std::erase(list, id);
    if (on) {
        list.emplace_back(id);
    }
}

constexpr std::string_view orderKey = "order";
constexpr std::string_view hiddenKey = "hidden";
constexpr std::string_view profileModeKey = "profileMode";

// A missing list reads as empty: earlier versions wrote families without "profileMode".
std::vector<std::string> readList(const nlohmann::json& family, std::string_view key) {
    std::vector<std::string> list;
    if (const auto* member = coding::optional(family, key)) {
        for (const auto& element : coding::array(*member, key)) {
            list.push_back(coding::string(element, key));
        }
    }
    return list;
}

}  // namespace

const ApplicationPreferences::Family& ApplicationPreferences::family(LinkScheme::Kind kind) const {
    static const Family empty;
    auto found = families.find(kind.value());
    return found == families.end() ? empty : found->second;
}

bool ApplicationPreferences::isHidden(std::string_view id, LinkScheme::Kind kind) const {
    return contains(family(kind).hidden, id);
}

bool ApplicationPreferences::isProfileModeOn(std::string_view id, LinkScheme::Kind kind) const {
    return contains(family(kind).profileMode, id);
}

void ApplicationPreferences::setHidden(bool on, std::string_view id, LinkScheme::Kind kind) {
    setMember(families[kind.value()].hidden, on, id);
}

void ApplicationPreferences::setProfileMode(bool on, std::string_view id, LinkScheme::Kind kind) {
    setMember(families[kind.value()].profileMode, on, id);
}

void to_json(nlohmann::json& json, const ApplicationPreferences& preferences) {
    auto families = nlohmann::json::object();
    for (const auto& [kind, family] : preferences.families) {
        families[std::string(LinkScheme::Kind(kind).rawValue())] = {
            {orderKey, family.order}, {hiddenKey, family.hidden}, {profileModeKey, family.profileMode}};
    }
    json = {{"families", std::move(families)}};
}

void from_json(const nlohmann::json& json, ApplicationPreferences& preferences) {
    const auto& families =
        coding::object(coding::required(coding::object(json, "preferences"), "families"), "families");
    ApplicationPreferences read;
    for (const auto& [key, value] : families.items()) {
        // A family this version does not know (written by a newer one) is skipped rather than making the
        // user's whole arrangement unreadable.
        auto kind = LinkScheme::Kind::fromRawValue(key);
        if (!kind) {
            continue;
        }
        const auto& family = coding::object(value, "family");
        read.setFamily(*kind, {readList(family, orderKey), readList(family, hiddenKey),
                               readList(family, profileModeKey)});
    }
    preferences = std::move(read);
}

}  // namespace ferrywise
