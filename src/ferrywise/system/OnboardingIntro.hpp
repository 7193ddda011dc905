#pragma once

// OnboardingIntro times the host's short introduction: a link appears, the router intercepts it,
// delivers it to a browser, and the scene settles. The host animates from the beat at each moment.
//
//   OnboardingIntro::beat(1.6);  // OnboardingIntro::Beat::delivered
//   OnboardingIntro::duration;   // 2.5 seconds for the whole introduction

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace ferrywise {

class OnboardingIntro {
  public:
    OnboardingIntro() = delete;

    class Beat {
      public:
        enum Value : std::uint8_t { link = 0, intercepted = 1, delivered = 2, settled = 3 };

        constexpr Beat(Value value) noexcept : value_(value) {}  // NOLINT: reads like the enumeration

        // The beat numbered 0 to 3; none for any other number.
        [[nodiscard]] static std::optional<Beat> fromRawValue(int rawValue) noexcept;
        // link, intercepted, delivered, settled.
        [[nodiscard]] static const std::array<Beat, 4>& allCases() noexcept;

        [[nodiscard]] constexpr Value value() const noexcept { return value_; }
        [[nodiscard]] constexpr int rawValue() const noexcept { return value_; }

        // Beats are ordered as they play.
        constexpr auto operator<=>(const Beat&) const = default;

      private:
        Value value_;
    };

    // The length of the whole introduction, in seconds.
    static constexpr double duration = 2.5;

    // When each beat starts, in seconds from the beginning: 0, 0.7, 1.5 and 2.2.
    [[nodiscard]] static const std::map<Beat, double>& starts();

    // The beat playing `seconds` into the introduction: the latest one started by then, allowing 1e-9 s
    // for rounding in the animation clock. Times before the start give link.
    [[nodiscard]] static Beat beat(double seconds);
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::OnboardingIntro::Beat> {
    std::size_t operator()(const ferrywise::OnboardingIntro::Beat& beat) const noexcept {
        return beat.value();
    }
};
