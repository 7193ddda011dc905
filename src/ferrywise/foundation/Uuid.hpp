#pragma once

// Uuid is a 128-bit universally unique identifier: parsed in any letter case, written in upper case
// (the form stored files use), generated as version 4.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ferrywise {

class Uuid {
  public:
    // The nil UUID (all zero).
    Uuid() = default;

    // Returns a new random (version 4) UUID.
    [[nodiscard]] static Uuid generate();

    // Parses the 36-character hyphenated form in any letter case; none for anything else.
    [[nodiscard]] static std::optional<Uuid> parse(std::string_view text);

    // The hyphenated form in upper case, e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    [[nodiscard]] std::string string() const;

    [[nodiscard]] const std::array<std::uint8_t, 16>& bytes() const noexcept { return bytes_; }

    auto operator<=>(const Uuid&) const = default;

  private:
    std::array<std::uint8_t, 16> bytes_{};
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::Uuid> {
    std::size_t operator()(const ferrywise::Uuid& uuid) const noexcept {
        std::size_t value = 0;
        for (auto byte : uuid.bytes()) {
            value = value * 131 + byte;
        }
        return value;
    }
};
