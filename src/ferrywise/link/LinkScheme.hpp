#pragma once

// LinkScheme is one of the three schemes the router handles (http, https, mailto), and LinkScheme::Kind
// the family of applications that handles it (web browsers or mail clients).
//
//   auto scheme = LinkScheme::fromUrl(*Url::parse("HTTPS://example.com"));  // LinkScheme::https
//   scheme->kind() == LinkScheme::Kind::web;

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {

class LinkScheme {
  public:
    enum Value : std::uint8_t { http, https, mailto };

    class Kind {
      public:
        enum Value : std::uint8_t { web, mail };

        constexpr Kind(Value value) noexcept : value_(value) {}  // NOLINT: reads like the enumeration

        // Exact, case-sensitive lookup of "web" or "mail".
        [[nodiscard]] static std::optional<Kind> fromRawValue(std::string_view rawValue);
        // web, mail.
        [[nodiscard]] static const std::array<Kind, 2>& allCases() noexcept;

        [[nodiscard]] constexpr Value value() const noexcept { return value_; }
        [[nodiscard]] std::string_view rawValue() const noexcept;
        // The schemes of the family: web has http and https, mail has mailto.
        [[nodiscard]] std::vector<LinkScheme> schemes() const;
        // "Web links" / "Email links" and "Web" / "Email", localised.
        [[nodiscard]] std::string displayName(
            const Localization& localization = Localization::current()) const;
        [[nodiscard]] std::string shortName(const Localization& localization = Localization::current()) const;
        // The symbol image's name ("globe", "envelope"); not localised.
        [[nodiscard]] std::string_view symbolName() const noexcept;

        // Ordered as allCases() lists them, so that families can key sets and maps.
        constexpr auto operator<=>(const Kind&) const = default;

      private:
        Value value_;
    };

    constexpr LinkScheme(Value value) noexcept : value_(value) {}  // NOLINT: reads like the enumeration

    // The URL's scheme, lower-cased, among the raw values; none for a relative URL or another scheme.
    [[nodiscard]] static std::optional<LinkScheme> fromUrl(const Url& url);
    // Exact, case-sensitive lookup of "http", "https" or "mailto".
    [[nodiscard]] static std::optional<LinkScheme> fromRawValue(std::string_view rawValue);
    // http, https, mailto.
    [[nodiscard]] static const std::array<LinkScheme, 3>& allCases() noexcept;

    [[nodiscard]] constexpr Value value() const noexcept { return value_; }
    [[nodiscard]] std::string_view rawValue() const noexcept;
    [[nodiscard]] Kind kind() const noexcept;
    // A fixed sample URL of the scheme at the reserved documentation domain; only its scheme matters.
    [[nodiscard]] const Url& probeUrl() const;

    constexpr bool operator==(const LinkScheme&) const = default;

  private:
    Value value_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::LinkScheme> {
    std::size_t operator()(const ferrywise::LinkScheme& scheme) const noexcept { return scheme.value(); }
};

template <>
struct std::hash<ferrywise::LinkScheme::Kind> {
    std::size_t operator()(const ferrywise::LinkScheme::Kind& kind) const noexcept { return kind.value(); }
};

namespace nlohmann {
// Kind is stored as its raw value; reading anything else throws DecodingError.
template <>
struct adl_serializer<ferrywise::LinkScheme::Kind> {
    static ferrywise::LinkScheme::Kind from_json(const json& value);
    static void to_json(json& value, const ferrywise::LinkScheme::Kind& kind);
};
}  // namespace nlohmann
