#pragma once

// AppLanguage is the interface language chosen in the application's settings: the system's, English or
// Simplified Chinese. The choice is stored as its language code (GeneralPreferences::preferredLanguage)
// and applies from the next launch.
//
//   AppLanguage::fromLanguageCode("zh-Hans-CN");  // AppLanguage::simplifiedChinese
//   AppLanguage::english.displayName();           // "English", in every language

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ferrywise/foundation/Localization.hpp"

namespace ferrywise {

class AppLanguage {
  public:
    enum Value : std::uint8_t { system, english, simplifiedChinese };

    constexpr AppLanguage(Value value) noexcept : value_(value) {}  // NOLINT: reads like the enumeration

    // Exact, case-sensitive lookup of "system", "en" or "zh-Hans".
    [[nodiscard]] static std::optional<AppLanguage> fromRawValue(std::string_view rawValue);
    // system, english, simplifiedChinese.
    [[nodiscard]] static const std::array<AppLanguage, 3>& allCases() noexcept;

    // The language a stored code names: the case whose code equals it or is followed in it by "-"
    // ("en-GB" is English), compared in exact letter case; system for none and any other code.
    [[nodiscard]] static AppLanguage fromLanguageCode(std::optional<std::string_view> code);

    [[nodiscard]] constexpr Value value() const noexcept { return value_; }
    [[nodiscard]] std::string_view rawValue() const noexcept;
    // The identifier a list of languages uses: the raw value.
    [[nodiscard]] std::string_view id() const noexcept { return rawValue(); }
    // The code to store: "en" or "zh-Hans"; none for system, which leaves the choice to the desktop.
    [[nodiscard]] std::optional<std::string_view> languageCode() const noexcept;
    // "Follow system", localised; the languages are named in themselves so a reader can find their own.
    [[nodiscard]] std::string displayName(const Localization& localization = Localization::current()) const;

    constexpr bool operator==(const AppLanguage&) const = default;

  private:
    Value value_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::AppLanguage> {
    std::size_t operator()(const ferrywise::AppLanguage& language) const noexcept {
        return std::hash<std::string_view>{}(language.rawValue());
    }
};
