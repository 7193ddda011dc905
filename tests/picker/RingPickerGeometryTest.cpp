#include "ferrywise/picker/RingPickerGeometry.hpp"

#include <climits>
#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr int none = -1, max = INT_MAX;
constexpr Point center{200, 200};

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A canvas smaller than the dial puts the centre at the inset (156 for four, 162 for eight); coordinates
// that are not numbers land on the low inset; infinities are clamped like any value.
TEST(RingPickerGeometry, ClampedCenterKeepsTheDialOnTheCanvas) {
    const std::tuple<Point, int, Size, Point> cases[] = {
        {{10, 900}, 4, {1000, 800}, {156, 644}},    {{500, 400}, 4, {1000, 800}, {500, 400}},
        {{2000, 2000}, 8, {1000, 800}, {838, 638}}, {{150, 50}, 4, {200, 100}, {156, 156}},
        {{nan, nan}, 4, {1000, 800}, {156, 156}},   {{500, 400}, 4, {nan, nan}, {156, 156}},
        {{inf, -inf}, 4, {1000, 800}, {844, 156}},
    };
    for (const auto& [preferred, count, canvas, expected] : cases) {
        EXPECT_EQ(RingPickerGeometry::clampedCenter(preferred, count, canvas), expected)
            << preferred.x << "," << preferred.y << " n=" << count;
    }
}

// Offset from the centre (y down), count, sector: clockwise from straight up. Both the hub radius (76) and
// the dial radius (140, or 142 for six or seven) belong to the ring. Just anticlockwise of straight up is an
// angle just below a full turn, which is sector 0. Points that are not numbers are in no sector.
TEST(RingPickerGeometry, WedgeIndexFindsTheSectorBetweenHubAndDial) {
    const std::tuple<double, double, int, int> cases[] = {
        {100, 0, 4, 1},        {0, -75.9, 4, none}, {0, -76, 4, 0},       {0, -140, 4, 0},
        {0, -140.1, 4, none},  {0, -142, 6, 0},     {0, -142.1, 6, none}, {-1e-9, -100, 4, 0},
        {-1e-8, -100, max, 0}, {0, -100, 0, none},  {nan, -100, 4, none}, {inf, 0, 4, none},
    };
    for (const auto& [dx, dy, count, expected] : cases) {
        Point point{center.x + dx, center.y + dy};
        EXPECT_EQ(RingPickerGeometry::wedgeIndex(point, center, count).value_or(none), expected)
            << "(" << dx << ", " << dy << ") n=" << count;
    }
}

// Sampled around the ring, never on a boundary. The icons sit at the middles of the sectors.
TEST(RingPickerGeometry, SectorIsThatOfTheNearestIconForAnyCount) {
    for (int count = 1; count <= 10; ++count) {
        for (int step = 0; step < 3600; ++step) {
            double angle = (step + 0.5) / 3600 * 2 * std::numbers::pi;
            Point point{center.x + 120 * std::sin(angle), center.y - 120 * std::cos(angle)};
            auto away = [&](int i) { return distance(RingPickerGeometry::point(i, count, center), point); };
            int nearest = 0;
            for (int index = 1; index < count; ++index) {
                nearest = away(index) < away(nearest) ? index : nearest;
            }
            ASSERT_EQ(RingPickerGeometry::wedgeIndex(point, center, count), nearest) << count << " " << step;
        }
    }
}

// Just inside the hub (75.9 from the centre) a click counts only with overflow; without candidates on the
// ring only the hub can take one.
TEST(RingPickerGeometry, ClicksCountInSectorsAndInTheHubOnlyWithOverflow) {
    const std::tuple<Point, int, bool, bool> cases[] = {
        {{200, 100}, 4, false, true}, {{200, 124.1}, 4, false, false}, {{200, 124.1}, 4, true, true},
        {{nan, 100}, 4, true, false}, {{200, 200}, 0, true, true},     {{200, 100}, 0, true, false},
    };
    for (const auto& [point, count, hasOverflow, expected] : cases) {
        EXPECT_EQ(RingPickerGeometry::acceptsClick(point, center, count, hasOverflow), expected)
            << point.x << "," << point.y << " n=" << count << " overflow=" << hasOverflow;
    }
}

// The pending press, the sector of the release, the choice (none = -1).
TEST(RingPointerSelection, ChoosesOnlyWhenThePressAndTheReleaseShareASector) {
    const std::tuple<std::optional<int>, std::optional<int>, int> cases[] = {
        {std::nullopt, 3, none}, {3, 3, 3}, {2, 3, none}, {1, std::nullopt, none}};
    for (const auto& [pressed, released, expected] : cases) {
        RingPointerSelection selection{pressed};
        EXPECT_EQ(selection.release(released).value_or(none), expected) << pressed.value_or(none);
        EXPECT_EQ(selection.release(released), std::nullopt);  // every release clears the press
    }
}

// The application frontmost at presentation (0 = unknown), whether the panel became key, whether the user
// moved focus, the new frontmost application (0 = unknown); whether that change dismisses, and whether
// resigning active does. In fallback mode (not yet key) a user action does not matter.
TEST(RingDismissalState, BeforeKeyAnyOtherApplicationDismissesAfterwardsOnlyAUserActionOrALaterClick) {
    constexpr std::int32_t own = 100, initial = 200, third = 300;
    const std::tuple<std::int32_t, bool, bool, std::int32_t, bool, bool> cases[] = {
        {initial, false, false, 0, false, false},      {initial, false, false, own, false, false},
        {initial, false, false, third, true, false},   {initial, false, false, initial, false, false},
        {initial, false, true, initial, false, false}, {0, false, false, initial, true, false},
        {initial, true, false, third, false, false},   {initial, true, true, initial, true, true},
        {initial, true, true, own, false, true},
    };
    auto known = [](std::int32_t pid) { return pid == 0 ? std::nullopt : std::optional(pid); };
    for (const auto& [atStart, becameKey, userAction, frontmost, dismisses, resigns] : cases) {
        SCOPED_TRACE(testing::Message() << atStart << " " << becameKey << userAction << " " << frontmost);
        RingDismissalState state(known(atStart));
        state.hasBecomeKey = becameKey;
        state.userInitiatedFocusChange = userAction;
        EXPECT_EQ(state.shouldDismissForFrontmostChange(known(frontmost), own), dismisses);
        EXPECT_EQ(state.shouldDismissForApplicationResignation(), resigns);
    }
    // A mouse-down outside the panel dismisses only when it came strictly after the presentation.
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(10.0, 10.0));
    EXPECT_TRUE(RingDismissalState::shouldDismissForOutsideMouseDown(10.001, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(nan, 10.0));
}

}  // namespace
}  // namespace ferrywise
