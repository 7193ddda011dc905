#include "ferrywise/picker/PickerPresentationStyle.hpp"

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"

namespace ferrywise {

std::optional<PickerPresentationStyle> PickerPresentationStyle::fromRawValue(std::string_view rawValue) {
    for (auto style : allCases()) {
        if (style.rawValue() == rawValue) {
            return style;
        }
    }
    return std::nullopt;
}

const std::array<PickerPresentationStyle, 2>& PickerPresentationStyle::allCases() noexcept {
    static constexpr std::array<PickerPresentationStyle, 2> cases{classic, ring};
    return cases;
}

std::string_view PickerPresentationStyle::rawValue() const noexcept {
    return value_ == ring ? "ring" : "classic";
}

}  // namespace ferrywise

namespace nlohmann {

ferrywise::PickerPresentationStyle adl_serializer<ferrywise::PickerPresentationStyle>::from_json(
    const json& value) {
    if (!value.is_string()) {
        throw ferrywise::DecodingError("Expected a picker style string");
    }
    auto style = ferrywise::PickerPresentationStyle::fromRawValue(value.get_ref<const std::string&>());
    if (!style) {
        throw ferrywise::DecodingError("Unknown picker style");
    }
    return *style;
}

void adl_serializer<ferrywise::PickerPresentationStyle>::to_json(
    json& value, const ferrywise::PickerPresentationStyle& style) {
    value = std::string(style.rawValue());
}

}  // namespace nlohmann
