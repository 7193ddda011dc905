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
constexpr int none = -1, max = INT_MAX, min = INT_MIN;
constexpr Point center{200, 200};

Point around(double angle, double radius) {
    return {center.x + radius * std::sin(angle), center.y - radius * std::cos(angle)};
}

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Indices outside the count only go further round the circle; without candidates the icon is the centre.
TEST(RingPickerGeometry, IconsRunClockwiseFromStraightUpAndEightSitFurtherOut) {
    const std::tuple<int, int, Point> cases[] = {
        {0, 4, {200, 94}},  {1, 4, {306, 200}}, {2, 4, {200, 306}}, {3, 4, {94, 200}},
        {5, 4, {306, 200}}, {-1, 4, {94, 200}}, {0, 8, {200, 84}},  {2, 8, {316, 200}},
        {0, 1, {200, 94}},  {0, 0, center},     {max, -1, center},  {0, min, center},
    };
    for (const auto& [index, count, expected] : cases) {
        EXPECT_NEAR(distance(RingPickerGeometry::point(index, count, center), expected), 0, 1e-9)
            << index << " of " << count;
    }
    for (int index : {min, max}) {
        EXPECT_NEAR(distance(RingPickerGeometry::point(index, 1, center), center), 106, 1e-9) << index;
    }
}

// A canvas smaller than the dial puts the centre at the inset (156 for four, 162 for eight); coordinates
// that are not numbers land on the low inset; infinities are clamped like any value.
TEST(RingPickerGeometry, ClampedCenterKeepsTheDialOnTheCanvas) {
    const std::tuple<Point, int, Size, Point> cases[] = {
        {{10, 900}, 4, {1000, 800}, {156, 644}},   {{500, 400}, 4, {1000, 800}, {500, 400}},
        {{0, 0}, 8, {1000, 800}, {162, 162}},      {{2000, 2000}, 8, {1000, 800}, {838, 638}},
        {{0, 0}, min, {1000, 800}, {156, 156}},    {{150, 50}, 4, {200, 100}, {156, 156}},
        {{0, 0}, 4, {0, 0}, {156, 156}},           {{500, 400}, 4, {-50, -50}, {156, 156}},
        {{nan, nan}, 4, {1000, 800}, {156, 156}},  {{500, 400}, 4, {nan, nan}, {156, 156}},
        {{inf, -inf}, 4, {1000, 800}, {844, 156}}, {{5000, 5000}, 4, {inf, inf}, {5000, 5000}},
    };
    for (const auto& [preferred, count, canvas, expected] : cases) {
        EXPECT_EQ(RingPickerGeometry::clampedCenter(preferred, count, canvas), expected)
            << preferred.x << "," << preferred.y << " n=" << count;
    }
}

// Offset from the centre (y down), count, sector. Both the hub radius (76) and the dial radius (140, 142
// or 146 as the ring fills) belong to the ring. Rows either side of the 45 degree lines between the sectors
// 3 and 0 and between 0 and 1. Just anticlockwise of straight up is an angle just below a full turn, which
// is sector 0. Points that are not numbers are in no sector.
TEST(RingPickerGeometry, WedgeIndexFindsTheSectorBetweenHubAndDial) {
    const std::tuple<double, double, int, int> cases[] = {
        {0, -100, 4, 0},     {100, 0, 4, 1},       {0, 100, 4, 2},        {-100, 0, 4, 3},
        {100, 0, 8, 2},      {0, 100, 10, 5},      {0, 0, 4, none},       {0, -75.9, 4, none},
        {0, -76, 4, 0},      {0, -140, 4, 0},      {-140, 0, 4, 3},       {0, -140.1, 4, none},
        {0, -142, 6, 0},     {0, -142.1, 6, none}, {0, -146, 8, 0},       {0, -146.1, 8, none},
        {-69, -70, 4, 0},    {-71, -70, 4, 3},     {69, -70, 4, 0},       {70, -69, 4, 1},
        {-1e-9, -100, 4, 0}, {-1e-9, -100, 7, 0},  {-1e-8, -100, max, 0}, {0, -100, max, 0},
        {1, -100, 1, 0},     {0, 100, 1, 0},       {-100, 0, 1, 0},       {0, -100, 0, none},
        {0, -100, -1, none}, {0, -100, min, none}, {nan, -100, 4, none},  {0, nan, 4, none},
        {inf, 0, 4, none},   {0, -inf, 4, none},   {inf, inf, 4, none},
    };
    for (const auto& [dx, dy, count, expected] : cases) {
        SCOPED_TRACE(testing::Message() << "(" << dx << ", " << dy << ") n=" << count);
        Point point{center.x + dx, center.y + dy};
        EXPECT_EQ(RingPickerGeometry::wedgeIndex(point, center, count).value_or(none), expected);
        if (!std::isfinite(dx) || !std::isfinite(dy)) {  // as its own centre: an offset that is not a number
            EXPECT_EQ(RingPickerGeometry::wedgeIndex(point, point, 4), std::nullopt);
            EXPECT_FALSE(RingPickerGeometry::acceptsClick(point, point, 4, true));
        }
    }
    EXPECT_EQ(RingPickerGeometry::wedgeIndex({200, 100}, {nan, 200}, 4), std::nullopt);
}

// Sampled around the ring, never on a boundary. With the largest count the sectors are so narrow that the
// index is the fraction of the turn times the count, and it stays in range all round.
TEST(RingPickerGeometry, SectorIsThatOfTheNearestIconForAnyCount) {
    for (int count = 1; count <= 10; ++count) {
        for (int step = 0; step < 3600; ++step) {
            Point point = around((step + 0.5) / 3600 * 2 * std::numbers::pi, 120);
            int nearest = 0;
            for (int index = 1; index < count; ++index) {
                if (distance(RingPickerGeometry::point(index, count, center), point) <
                    distance(RingPickerGeometry::point(nearest, count, center), point)) {
                    nearest = index;
                }
            }
            ASSERT_EQ(RingPickerGeometry::wedgeIndex(point, center, count), nearest) << count << " " << step;
        }
    }
    for (int step = 0; step < 360; ++step) {
        auto sector = RingPickerGeometry::wedgeIndex(around(step * std::numbers::pi / 180, 100), center, max);
        EXPECT_NEAR(sector.value_or(none), step / 360.0 * max, 1) << step;
    }
}

// Without candidates on the ring only the hub can take a click, and only with overflow.
TEST(RingPickerGeometry, ClicksCountInSectorsAndInTheHubOnlyWithOverflow) {
    const std::tuple<Point, int, bool, bool> cases[] = {
        {{200, 100}, 4, false, true}, {{200, 100}, 4, true, true},     {{200, 200}, 4, false, false},
        {{200, 200}, 4, true, true},  {{200, 124.1}, 4, false, false}, {{200, 124.1}, 4, true, true},
        {{200, 60}, 4, false, true},  {{200, 59.9}, 4, false, false},  {{200, 59.9}, 4, true, false},
        {{900, 900}, 4, true, false}, {{nan, 100}, 4, true, false},    {{inf, 200}, 4, true, false},
        {{200, 200}, 0, true, true},  {{200, 200}, 0, false, false},   {{200, 100}, 0, true, false},
    };
    for (const auto& [point, count, hasOverflow, expected] : cases) {
        EXPECT_EQ(RingPickerGeometry::acceptsClick(point, center, count, hasOverflow), expected)
            << point.x << "," << point.y << " n=" << count << " overflow=" << hasOverflow;
    }
}

// Presses (the last one counts), whether cancelled, the sector of the release, the choice (none = -1).
TEST(RingPointerSelection, ChoosesOnlyWhenTheLastPressAndTheReleaseShareASector) {
    const std::tuple<std::vector<int>, bool, std::optional<int>, int> cases[] = {
        {{}, false, 3, none},  {{3}, false, 3, 3},
        {{2}, false, 3, none}, {{1}, false, std::nullopt, none},
        {{1, 2}, false, 2, 2}, {{1, 2}, false, 1, none},
        {{0}, true, 0, none},
    };
    for (const auto& [presses, cancelled, released, expected] : cases) {
        RingPointerSelection selection;
        for (int index : presses) {
            selection.press(index);
        }
        if (cancelled) {
            selection.cancel();
        }
        EXPECT_EQ(selection.release(released).value_or(none), expected) << presses.size() << cancelled;
        EXPECT_EQ(selection.release(released), std::nullopt);  // every release clears the press
    }
}

// The application frontmost at presentation (0 = unknown), whether the panel became key, whether the user
// moved focus, the new frontmost application (0 = unknown); whether that change dismisses, and whether
// resigning active does. In fallback mode (not yet key) a user action does not matter.
TEST(RingDismissalState, BeforeBecomingKeyAnyOtherApplicationDismissesAfterwardsOnlyAUserAction) {
    constexpr std::int32_t own = 100, initial = 200, third = 300;
    const std::tuple<std::int32_t, bool, bool, std::int32_t, bool, bool> cases[] = {
        {initial, false, false, 0, false, false},      {initial, false, false, own, false, false},
        {initial, false, false, third, true, false},   {initial, false, false, initial, false, false},
        {initial, false, true, initial, false, false}, {initial, false, true, INT32_MIN, true, false},
        {0, false, false, initial, true, false},       {0, false, false, own, false, false},
        {0, true, false, third, false, false},         {initial, true, false, third, false, false},
        {initial, true, false, initial, false, false}, {initial, true, true, third, true, true},
        {initial, true, true, initial, true, true},    {initial, true, true, own, false, true},
        {initial, true, true, 0, false, true},
    };
    auto known = [](std::int32_t pid) { return pid == 0 ? std::nullopt : std::optional(pid); };
    for (const auto& [atStart, becameKey, userAction, frontmost, dismisses, resigns] : cases) {
        SCOPED_TRACE(testing::Message() << atStart << " " << becameKey << userAction << " " << frontmost);
        RingDismissalState state(known(atStart));
        if (becameKey) {
            state.panelDidBecomeKey();
        }
        if (userAction) {
            state.userInitiatedFocusChangeDidOccur();
        }
        EXPECT_EQ(state.shouldDismissForFrontmostChange(known(frontmost), own), dismisses);
        EXPECT_EQ(state.shouldDismissForApplicationResignation(), resigns);
    }
}

TEST(RingDismissalState, OnlyMouseDownsStrictlyAfterThePresentationDismiss) {
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(10.0, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(9.5, 10.0));
    EXPECT_TRUE(RingDismissalState::shouldDismissForOutsideMouseDown(10.001, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(nan, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(10.0, nan));
}

}  // namespace
}  // namespace ferrywise
