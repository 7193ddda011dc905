#pragma once

// PickerPresentationStyle is how the picker shows its candidates: the classic list next to the pointer or
// the ring around it. The user's choice is a general preference, stored as the raw value.
//
//   auto style = PickerPresentationStyle::fromRawValue("ring");   // PickerPresentationStyle::ring
//   style->id();                                                   // "ring"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace ferrywise {

class PickerPresentationStyle {
  public:
    enum Value : std::uint8_t { classic, ring };

    constexpr PickerPresentationStyle(Value value) noexcept
        : value_(value) {}  // NOLINT: reads like the enumeration

    // Exact, case-sensitive lookup of "classic" or "ring".
    [[nodiscard]] static std::optional<PickerPresentationStyle> fromRawValue(std::string_view rawValue);
    // classic, ring.
    [[nodiscard]] static const std::array<PickerPresentationStyle, 2>& allCases() noexcept;

    [[nodiscard]] constexpr Value value() const noexcept { return value_; }
    [[nodiscard]] std::string_view rawValue() const noexcept;
    // The identifier a list of styles uses: the raw value.
    [[nodiscard]] std::string_view id() const noexcept { return rawValue(); }

    constexpr bool operator==(const PickerPresentationStyle&) const = default;

  private:
    Value value_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::PickerPresentationStyle> {
    std::size_t operator()(const ferrywise::PickerPresentationStyle& style) const noexcept {
        return style.value();
    }
};

namespace nlohmann {
// Stored as the raw value; reading anything else throws DecodingError.
template <>
struct adl_serializer<ferrywise::PickerPresentationStyle> {
    static ferrywise::PickerPresentationStyle from_json(const json& value);
    static void to_json(json& value, const ferrywise::PickerPresentationStyle& style);
};
}  // namespace nlohmann
