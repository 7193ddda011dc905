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
constexpr Point center{200, 200};

void expectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(RingPickerGeometry, MeasurementsFollowTheCountRows) {
    struct Row {
        int count;
        double iconSize, radius, dialRadius, dialDiameter, edgeInset;
    };
    const Row rows[] = {
        {INT_MIN, 0, 0, 140, 280, 156},    {-1, 0, 0, 140, 280, 156},   {0, 0, 0, 140, 280, 156},
        {1, 46, 106, 140, 280, 156},       {5, 46, 106, 140, 280, 156}, {6, 42, 110, 142, 284, 158},
        {7, 42, 110, 142, 284, 158},       {8, 38, 116, 146, 292, 162}, {10, 38, 116, 146, 292, 162},
        {INT_MAX, 38, 116, 146, 292, 162},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.count);
        EXPECT_EQ(RingPickerGeometry::iconSize(row.count), row.iconSize);
        EXPECT_EQ(RingPickerGeometry::radius(row.count), row.radius);
        EXPECT_EQ(RingPickerGeometry::layout(row.count),
                  (RingPickerGeometry::Layout{row.iconSize, row.radius}));
        EXPECT_EQ(RingPickerGeometry::dialRadius(row.count), row.dialRadius);
        EXPECT_EQ(RingPickerGeometry::sectorOuterRadius(row.count), row.dialRadius);
        EXPECT_EQ(RingPickerGeometry::dialDiameter(row.count), row.dialDiameter);
        EXPECT_EQ(RingPickerGeometry::edgeInset(row.count), row.edgeInset);
    }
    EXPECT_EQ(RingPickerGeometry::hubDiameter, 2 * RingPickerGeometry::hubRadius);
}

TEST(RingPickerGeometry, IconsRunClockwiseFromStraightUp) {
    expectNear(RingPickerGeometry::point(0, 4, center), {200, 94});
    expectNear(RingPickerGeometry::point(1, 4, center), {306, 200});
    expectNear(RingPickerGeometry::point(2, 4, center), {200, 306});
    expectNear(RingPickerGeometry::point(3, 4, center), {94, 200});
    // Eight candidates sit further out.
    expectNear(RingPickerGeometry::point(0, 8, center), {200, 84});
    expectNear(RingPickerGeometry::point(2, 8, center), {316, 200});
    expectNear(RingPickerGeometry::point(0, 1, center), {200, 94});

    // Indices outside the count only go further round the circle.
    expectNear(RingPickerGeometry::point(5, 4, center), {306, 200});
    expectNear(RingPickerGeometry::point(-1, 4, center), {94, 200});
    for (int index : {INT_MIN, INT_MAX}) {
        Point far = RingPickerGeometry::point(index, 1, center);
        EXPECT_NEAR(std::hypot(far.x - center.x, far.y - center.y), 106, 1e-9) << index;
    }

    for (int count : {0, -1, INT_MIN}) {
        EXPECT_EQ(RingPickerGeometry::point(0, count, center), center) << count;
        EXPECT_EQ(RingPickerGeometry::point(INT_MAX, count, center), center) << count;
    }
}

TEST(RingPickerGeometry, LocalPointFlipsToTopLeftOrigin) {
    Rect frame(100, 200, 400, 300);
    EXPECT_EQ(RingPickerGeometry::localPoint({150, 450}, frame), (Point{50, 50}));
    EXPECT_EQ(RingPickerGeometry::localPoint({100, 500}, frame), (Point{0, 0}));
    EXPECT_EQ(RingPickerGeometry::localPoint({500, 200}, frame), (Point{400, 300}));
    EXPECT_EQ(RingPickerGeometry::localPoint({-20, -700}, Rect(-100, -800, 200, 200)), (Point{80, 100}));
}

TEST(RingPickerGeometry, ClampedCenterKeepsTheDialOnTheCanvas) {
    struct Case {
        Point preferred;
        int count;
        Size canvas;
        Point expected;
    };
    const Case cases[] = {
        {{10, 900}, 4, {1000, 800}, {156, 644}},
        {{500, 400}, 4, {1000, 800}, {500, 400}},
        {{0, 0}, 8, {1000, 800}, {162, 162}},
        {{2000, 2000}, 8, {1000, 800}, {838, 638}},
        {{0, 0}, INT_MIN, {1000, 800}, {156, 156}},
        // A canvas smaller than the dial puts the centre at the inset.
        {{150, 50}, 4, {200, 100}, {156, 156}},
        {{0, 0}, 4, {0, 0}, {156, 156}},
        {{500, 400}, 4, {-50, -50}, {156, 156}},
        // Coordinates that are not numbers land on the low inset; infinities are clamped like any value.
        {{nan, nan}, 4, {1000, 800}, {156, 156}},
        {{500, 400}, 4, {nan, nan}, {156, 156}},
        {{inf, -inf}, 4, {1000, 800}, {844, 156}},
        {{5000, 5000}, 4, {inf, inf}, {5000, 5000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.preferred.x << "," << c.preferred.y << " n=" << c.count);
        EXPECT_EQ(RingPickerGeometry::clampedCenter(c.preferred, c.count, c.canvas), c.expected);
    }
}

TEST(RingPickerGeometry, WedgeIndexFindsTheSectorBetweenHubAndDial) {
    struct Case {
        double dx, dy;  // offset from the centre, y down
        int count;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {0, -100, 4, 0},
        {100, 0, 4, 1},
        {0, 100, 4, 2},
        {-100, 0, 4, 3},
        // The hub radius and the dial radius both belong to the ring.
        {0, -75.9, 4, std::nullopt},
        {0, -76, 4, 0},
        {0, 0, 4, std::nullopt},
        {0, -140, 4, 0},
        {0, -140.1, 4, std::nullopt},
        {-140, 0, 4, 3},
        // Either side of the 45 degree line between sectors 3 and 0, and between 0 and 1.
        {-69, -70, 4, 0},
        {-71, -70, 4, 3},
        {69, -70, 4, 0},
        {70, -69, 4, 1},
        // Just anticlockwise of straight up is an angle just below a full turn, which is sector 0.
        {-1e-9, -100, 4, 0},
        {-1e-9, -100, 7, 0},
        {1, -100, 1, 0},
        {0, 100, 1, 0},
        {-100, 0, 1, 0},
        {0, -142, 6, 0},
        {0, -142.1, 6, std::nullopt},
        {0, -146, 8, 0},
        {0, -146.1, 8, std::nullopt},
        {100, 0, 8, 2},
        {0, 100, 10, 5},
        {0, -100, 0, std::nullopt},
        {0, -100, -1, std::nullopt},
        {0, -100, INT_MIN, std::nullopt},
        {0, -100, INT_MAX, 0},
        // Close enough to straight up that the sector reaches the count and wraps to 0.
        {-1e-8, -100, INT_MAX, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.dx << ", " << c.dy << ") n=" << c.count);
        EXPECT_EQ(RingPickerGeometry::wedgeIndex({center.x + c.dx, center.y + c.dy}, center, c.count),
                  c.expected);
    }
}

TEST(RingPickerGeometry, SectorIsThatOfTheNearestIcon) {
    for (int count = 1; count <= 10; ++count) {
        for (int step = 0; step < 3600; ++step) {
            // Offset by half a step so no sample lies exactly on a sector boundary.
            double angle = (step + 0.5) / 3600 * 2 * std::numbers::pi;
            Point point{center.x + 120 * std::sin(angle), center.y - 120 * std::cos(angle)};
            int nearest = 0;
            double nearestDistance = inf;
            for (int index = 0; index < count; ++index) {
                Point icon = RingPickerGeometry::point(index, count, center);
                double distance = std::hypot(icon.x - point.x, icon.y - point.y);
                if (distance < nearestDistance) {
                    nearest = index;
                    nearestDistance = distance;
                }
            }
            ASSERT_EQ(RingPickerGeometry::wedgeIndex(point, center, count), nearest)
                << "n=" << count << " step=" << step;
        }
    }
}

TEST(RingPickerGeometry, WedgeIndexOfTheLargestCountStaysInRange) {
    for (int step = 0; step < 360; ++step) {
        double angle = step * std::numbers::pi / 180;
        Point point{center.x + 100 * std::sin(angle), center.y - 100 * std::cos(angle)};
        auto sector = RingPickerGeometry::wedgeIndex(point, center, INT_MAX);
        ASSERT_TRUE(sector.has_value()) << step;
        // Sectors are so narrow that the index is the fraction of the turn times the count.
        EXPECT_NEAR(*sector, step / 360.0 * INT_MAX, 1) << step;
    }
}

TEST(RingPickerGeometry, PointsThatAreNotNumbersHaveNoSector) {
    const Point points[] = {{nan, 100}, {200, nan}, {nan, nan}, {inf, 200}, {200, -inf}, {inf, inf}};
    for (const auto& point : points) {
        SCOPED_TRACE(testing::Message() << point.x << "," << point.y);
        EXPECT_EQ(RingPickerGeometry::wedgeIndex(point, center, 4), std::nullopt);
        EXPECT_FALSE(RingPickerGeometry::acceptsClick(point, center, 4, true));
        // Used as its own centre, an infinite coordinate gives an offset that is not a number.
        EXPECT_EQ(RingPickerGeometry::wedgeIndex(point, point, 4), std::nullopt);
        EXPECT_FALSE(RingPickerGeometry::acceptsClick(point, point, 4, true));
    }
    EXPECT_EQ(RingPickerGeometry::wedgeIndex({200, 100}, {nan, 200}, 4), std::nullopt);
}

TEST(RingPickerGeometry, ClicksCountInSectorsAndInTheHubOnlyWithOverflow) {
    struct Case {
        Point point;
        int count;
        bool hasOverflow;
        bool expected;
    };
    const Case cases[] = {
        {{200, 100}, 4, false, true},
        {{200, 100}, 4, true, true},
        {{200, 200}, 4, false, false},
        {{200, 200}, 4, true, true},
        {{200, 124.1}, 4, false, false},
        {{200, 124.1}, 4, true, true},
        {{200, 60}, 4, false, true},
        {{200, 59.9}, 4, false, false},
        {{200, 59.9}, 4, true, false},
        {{900, 900}, 4, true, false},
        // Without candidates on the ring only the hub can take a click, and only with overflow.
        {{200, 200}, 0, true, true},
        {{200, 200}, 0, false, false},
        {{200, 100}, 0, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.point.x << "," << c.point.y << " n=" << c.count << " overflow=" << c.hasOverflow);
        EXPECT_EQ(RingPickerGeometry::acceptsClick(c.point, center, c.count, c.hasOverflow), c.expected);
    }
}

TEST(RingPointerSelection, ChoosesOnlyWhenPressAndReleaseShareASector) {
    RingPointerSelection selection;
    EXPECT_EQ(selection.pressedIndex, std::nullopt);
    EXPECT_EQ(selection.release(3), std::nullopt);

    selection.press(3);
    EXPECT_EQ(selection.pressedIndex, 3);
    EXPECT_EQ(selection.release(3), 3);
    EXPECT_EQ(selection, RingPointerSelection{});
    EXPECT_EQ(selection.release(3), std::nullopt);

    selection.press(2);
    EXPECT_EQ(selection.release(3), std::nullopt);
    EXPECT_EQ(selection.release(2), std::nullopt);

    selection.press(1);
    EXPECT_EQ(selection.release(std::nullopt), std::nullopt);
    EXPECT_EQ(selection.pressedIndex, std::nullopt);

    // A second press replaces the first.
    selection.press(1);
    selection.press(2);
    EXPECT_EQ(selection.release(2), 2);
    selection.press(1);
    selection.press(2);
    EXPECT_EQ(selection.release(1), std::nullopt);

    selection.press(0);
    selection.cancel();
    EXPECT_EQ(selection, RingPointerSelection{});
    EXPECT_EQ(selection.release(0), std::nullopt);
}

TEST(RingDismissalState, FocusRulesNeedKeyAndUserAction) {
    RingDismissalState state(42);
    EXPECT_EQ(state.initialFrontmostProcessIdentifier, 42);
    EXPECT_FALSE(state.userInitiatedFocusChange);
    EXPECT_FALSE(state.hasBecomeKey);
    EXPECT_TRUE(state.usesFallbackDismissal());
    EXPECT_FALSE(state.shouldDismissForApplicationResignation());
    EXPECT_FALSE(state.shouldDismissForOtherWindowBecomingKey());

    state.userInitiatedFocusChangeDidOccur();
    EXPECT_FALSE(state.shouldDismissForApplicationResignation());
    EXPECT_FALSE(state.shouldDismissForOtherWindowBecomingKey());

    RingDismissalState keyOnly(std::nullopt);
    keyOnly.panelDidBecomeKey();
    EXPECT_FALSE(keyOnly.usesFallbackDismissal());
    EXPECT_FALSE(keyOnly.shouldDismissForApplicationResignation());
    EXPECT_FALSE(keyOnly.shouldDismissForOtherWindowBecomingKey());

    state.panelDidBecomeKey();
    EXPECT_FALSE(state.usesFallbackDismissal());
    EXPECT_TRUE(state.shouldDismissForApplicationResignation());
    EXPECT_TRUE(state.shouldDismissForOtherWindowBecomingKey());
}

TEST(RingDismissalState, OnlyLaterMouseDownsDismiss) {
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(10.0, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(9.5, 10.0));
    EXPECT_TRUE(RingDismissalState::shouldDismissForOutsideMouseDown(10.001, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(nan, 10.0));
    EXPECT_FALSE(RingDismissalState::shouldDismissForOutsideMouseDown(10.0, nan));
}

TEST(RingDismissalState, FrontmostChangesDependOnMode) {
    constexpr std::int32_t own = 100;
    constexpr std::int32_t initial = 200;
    constexpr std::int32_t third = 300;

    RingDismissalState fallback(initial);
    EXPECT_FALSE(fallback.shouldDismissForFrontmostChange(std::nullopt, own));
    EXPECT_FALSE(fallback.shouldDismissForFrontmostChange(own, own));
    EXPECT_TRUE(fallback.shouldDismissForFrontmostChange(third, own));
    EXPECT_FALSE(fallback.shouldDismissForFrontmostChange(initial, own));
    // In fallback mode the flag of a user action does not matter.
    fallback.userInitiatedFocusChangeDidOccur();
    EXPECT_FALSE(fallback.shouldDismissForFrontmostChange(initial, own));
    EXPECT_TRUE(fallback.shouldDismissForFrontmostChange(INT32_MIN, own));

    RingDismissalState unknownInitial(std::nullopt);
    EXPECT_TRUE(unknownInitial.shouldDismissForFrontmostChange(initial, own));
    EXPECT_FALSE(unknownInitial.shouldDismissForFrontmostChange(own, own));

    RingDismissalState key(initial);
    key.panelDidBecomeKey();
    EXPECT_FALSE(key.shouldDismissForFrontmostChange(third, own));
    EXPECT_FALSE(key.shouldDismissForFrontmostChange(initial, own));
    key.userInitiatedFocusChangeDidOccur();
    EXPECT_TRUE(key.shouldDismissForFrontmostChange(third, own));
    EXPECT_TRUE(key.shouldDismissForFrontmostChange(initial, own));
    EXPECT_FALSE(key.shouldDismissForFrontmostChange(own, own));
    EXPECT_FALSE(key.shouldDismissForFrontmostChange(std::nullopt, own));
}

}  // namespace
}  // namespace ferrywise
