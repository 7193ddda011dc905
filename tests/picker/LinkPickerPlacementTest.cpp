#include "ferrywise/picker/LinkPickerPlacement.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

using Corner = LinkPickerPlacement::Corner;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr Size panel{300, 400};

// The main display with the menu bar along its top.
const DisplayGeometry mainDisplay{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)};
// A second display left of and below the main one, with the dock along its bottom.
const DisplayGeometry lowerLeftDisplay{Rect(-1920, -300, 1920, 1080), Rect(-1920, -250, 1920, 1030)};
// A display right of the main one, sharing its edge at x = 1440.
const DisplayGeometry rightDisplay{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080)};

TEST(LinkPickerPlacement, OpensBelowRightAndFlipsAtTheEdges) {
    struct Case {
        Point pointer;
        Rect expected;
    };
    const Case cases[] = {
        {{100, 800}, Rect(100, 400, 300, 400)},
        {{1300, 800}, Rect(1000, 400, 300, 400)},
        // Above the pointer, already inside the upper limit of 875 - 8 - 400 = 467.
        {{100, 200}, Rect(100, 200, 300, 400)},
        // Inside the bottom margin.
        {{100, 5}, Rect(100, 8, 300, 400)},
        // Exactly reaching the right margin still opens to the right; any further flips.
        {{1132, 800}, Rect(1132, 400, 300, 400)},
        {{1132.5, 800}, Rect(832.5, 400, 300, 400)},
        // Exactly reaching the bottom margin still hangs below; any lower sits above.
        {{100, 408}, Rect(100, 8, 300, 400)},
        {{100, 407}, Rect(100, 407, 300, 400)},
        // Near the top the panel hangs below the pointer yet is kept under the menu bar.
        {{100, 899}, Rect(100, 467, 300, 400)},
        // Inside the left margin the panel is pushed back to it.
        {{2, 800}, Rect(8, 400, 300, 400)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pointer.x << "," << c.pointer.y);
        EXPECT_EQ(LinkPickerPlacement::frame(panel, c.pointer, {mainDisplay}), c.expected);
    }
}

TEST(LinkPickerPlacement, UsesTheDisplayUnderThePointer) {
    const std::vector<DisplayGeometry> displays{mainDisplay, lowerLeftDisplay, rightDisplay};
    struct Case {
        std::vector<DisplayGeometry> displays;
        Point pointer;
        Rect expected;
    };
    const Case cases[] = {
        {displays, {-50, -200}, Rect(-350, -200, 300, 400)},
        {displays, {-1900, 700}, Rect(-1900, 300, 300, 400)},
        // The shared edge belongs to the display on the right.
        {displays, {1440, 500}, Rect(1448, 100, 300, 400)},
        {displays, {1439.5, 500}, Rect(1132, 100, 300, 400)},
        // Outside every display: the first display's visible frame.
        {displays, {5000, 5000}, Rect(1132, 467, 300, 400)},
        {{lowerLeftDisplay, mainDisplay}, {5000, 5000}, Rect(-308, 372, 300, 400)},
        // Overlapping displays: the first one in the list wins.
        {{mainDisplay, DisplayGeometry{Rect(0, 0, 1920, 1080), Rect(0, 25, 1920, 1055)}},
         {100, 20},
         Rect(100, 20, 300, 400)},
        {{DisplayGeometry{Rect(0, 0, 1920, 1080), Rect(0, 25, 1920, 1055)}, mainDisplay},
         {100, 20},
         Rect(100, 33, 300, 400)},
        // No displays at all: the zero rectangle, so the panel lands at the margin.
        {{}, {100, 800}, Rect(8, 8, 300, 400)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pointer.x << "," << c.pointer.y << " of " << c.displays.size());
        EXPECT_EQ(LinkPickerPlacement::frame(panel, c.pointer, c.displays), c.expected);
    }
}

TEST(LinkPickerPlacement, OversizedPanelsStartAtTheLowMargins) {
    EXPECT_EQ(LinkPickerPlacement::frame({2000, 1000}, {700, 400}, {mainDisplay}), Rect(8, 8, 2000, 1000));
    EXPECT_EQ(LinkPickerPlacement::frame({2000, 1000}, {1439, 874}, {mainDisplay}), Rect(8, 8, 2000, 1000));
    // Exactly the visible area minus both margins fits.
    EXPECT_EQ(LinkPickerPlacement::frame({1424, 859}, {700, 400}, {mainDisplay}), Rect(8, 8, 1424, 859));
    // Only the dimension that does not fit is pinned.
    EXPECT_EQ(LinkPickerPlacement::frame({300, 1000}, {100, 800}, {mainDisplay}), Rect(100, 8, 300, 1000));
}

TEST(LinkPickerPlacement, OddInputStaysInsideTheVisibleFrame) {
    // A pointer that is not a number belongs to no display and lands on the low margins of the first.
    EXPECT_EQ(LinkPickerPlacement::frame(panel, {nan, nan}, {lowerLeftDisplay, mainDisplay}),
              Rect(-1912, -242, 300, 400));
    EXPECT_EQ(LinkPickerPlacement::frame(panel, {inf, -inf}, {mainDisplay}), Rect(1132, 8, 300, 400));
    EXPECT_EQ(LinkPickerPlacement::frame(panel, {-inf, inf}, {mainDisplay}), Rect(8, 467, 300, 400));
    Rect unsized = LinkPickerPlacement::frame({nan, nan}, {100, 800}, {mainDisplay});
    EXPECT_TRUE(mainDisplay.visibleFrame.contains(unsized.origin));
}

TEST(LinkPickerPlacement, GrowthCornerFacesThePointer) {
    struct Case {
        Rect frame;
        Point pointer;
        Corner expected;
    };
    const Case cases[] = {
        {Rect(100, 400, 300, 400), {100, 800}, Corner::topLeading},
        {Rect(1000, 200, 300, 400), {1300, 200}, Corner::bottomTrailing},
        {Rect(1000, 400, 300, 400), {1300, 800}, Corner::topTrailing},
        {Rect(100, 200, 300, 400), {100, 200}, Corner::bottomLeading},
        // The pointer on a middle line counts as top and as leading.
        {Rect(100, 400, 300, 400), {250, 600}, Corner::topLeading},
        {Rect(100, 400, 300, 400), {250.001, 600}, Corner::topTrailing},
        {Rect(100, 400, 300, 400), {250, 599.999}, Corner::bottomLeading},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pointer.x << "," << c.pointer.y);
        EXPECT_EQ(LinkPickerPlacement::growthCorner(c.frame, c.pointer), c.expected);
    }
}

}  // namespace
}  // namespace ferrywise
