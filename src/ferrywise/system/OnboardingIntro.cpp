#include "ferrywise/system/OnboardingIntro.hpp"


namespace ferrywise {

std::optional<OnboardingIntro::Beat> OnboardingIntro::Beat::fromRawValue(int rawValue) noexcept {
    for (auto beat : allCases()) {
        if (beat.rawValue() == rawValue) {
            return beat;
        }
    }
    return std::nullopt;
}

const std::array<OnboardingIntro::Beat, 4>& OnboardingIntro::Beat::allCases() noexcept {
    static constexpr std::array<Beat, 4> cases{Beat::link, Beat::intercepted, Beat::delivered, Beat::settled};
    return cases;
}

const std::map<OnboardingIntro::Beat, double>& OnboardingIntro::starts() {
    static const std::map<Beat, double> starts{
        {Beat::link, 0.0}, {Beat::intercepted, 0.7}, {Beat::delivered, 1.5}, {Beat::settled, 2.2}};
    return starts;
}

OnboardingIntro::Beat OnboardingIntro::beat(double seconds) {
    // The animation clock adds up frame times, so 0.7 may arrive as 0.69999999995; the beat must still
    // change on that frame.
    constexpr double tolerance = 1e-9;
    const auto& beats = Beat::allCases();
    // Reverse iterators rather than views::reverse, which clang cannot use with this standard library.
    for (auto at = beats.rbegin(); at != beats.rend(); ++at) {
        auto candidate = *at;
        auto start = starts().find(candidate);
        if ((start == starts().end() ? 0.0 : start->second) <= seconds + tolerance) {
            return candidate;
        }
    }
    return Beat::link;
}

}  // namespace ferrywise
