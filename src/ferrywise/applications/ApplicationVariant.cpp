#include "ferrywise/applications/ApplicationVariant.hpp"

#include <nlohmann/json.hpp>

namespace ferrywise {
namespace {

constexpr std::string_view kProfilePrefix = "profile:";
constexpr std::string_view kSpacePrefix = "space:";

}  // namespace

ApplicationVariant::CodingError::CodingError(Code code)
    : DecodingError("The stored application variant is not valid."), code_(code) {}

std::optional<ApplicationVariant> ApplicationVariant::fromStoredSuffix(std::string_view suffix) {
    if (suffix == "normal") {
        return normal();
    }
    if (suffix == "private") {
        return private_();
    }
    if (suffix.starts_with(kProfilePrefix) && suffix.size() > kProfilePrefix.size()) {
        return profile(std::string(suffix.substr(kProfilePrefix.size())));
    }
    if (suffix.starts_with(kSpacePrefix) && suffix.size() > kSpacePrefix.size()) {
        return space(std::string(suffix.substr(kSpacePrefix.size())));
    }
    return std::nullopt;
}

std::optional<std::string_view> ApplicationVariant::personaValue() const noexcept {
    if (const auto* profile = std::get_if<Profile>(&value_)) {
        return profile->directory;
    }
    if (const auto* space = std::get_if<Space>(&value_)) {
        return space->id;
    }
    return std::nullopt;
}

std::string ApplicationVariant::storedSuffix() const {
    switch (which()) {
        case Case::normal:
            return "normal";
        case Case::private_:
            return "private";
        case Case::profile:
            return std::string(kProfilePrefix) + std::get<Profile>(value_).directory;
        case Case::space:
            return std::string(kSpacePrefix) + std::get<Space>(value_).id;
    }
    return "normal";
}

void to_json(nlohmann::json& json, const ApplicationVariant& variant) {
    json = variant.storedSuffix();
}

void from_json(const nlohmann::json& json, ApplicationVariant& variant) {
    if (!json.is_string()) {
        throw DecodingError("Expected an application variant string");
    }
    const auto& text = json.get_ref<const std::string&>();
    auto decoded = ApplicationVariant::fromStoredSuffix(text);
    if (!decoded) {
        throw ApplicationVariant::CodingError(ApplicationVariant::CodingError::Code::invalidStoredValue);
    }
    variant = std::move(*decoded);
}

}  // namespace ferrywise
