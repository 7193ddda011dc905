#include "ferrywise/picker/LinkPickerPlacement.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace ferrywise {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

// The main display with the menu bar along its top; a display left of and below it with the dock along
// its bottom; one right of it, sharing the edge at x = 1440; one over it, its visible frame below a bar.
const DisplayGeometry mainDisplay{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)};
const DisplayGeometry lowerLeftDisplay{Rect(-1920, -300, 1920, 1080), Rect(-1920, -250, 1920, 1030)};
const DisplayGeometry rightDisplay{Rect(1440, 0, 1920, 1080), Rect(1440, 0, 1920, 1080)};
const DisplayGeometry overDisplay{Rect(0, 0, 1920, 1080), Rect(0, 25, 1920, 1055)};

// The panel opens below right of the pointer (y up), inside 8-point margins of the visible frame: exactly
// reaching the right or bottom margin still does, any further flips. The display under the pointer counts
// (the first of overlapping ones; a shared edge belongs to the right one); outside every display, or not a
// number, the first display's; without displays a zero frame. A panel too large in one dimension starts at
// the low margin in that dimension.
TEST(LinkPickerPlacement, OpensBelowRightFlipsAtTheEdgesAndStaysOnTheDisplayUnderThePointer) {
    const std::vector<DisplayGeometry> main{mainDisplay}, all{mainDisplay, lowerLeftDisplay, rightDisplay},
        left{lowerLeftDisplay, mainDisplay}, over{overDisplay, mainDisplay}, none;
    const Size panel{300, 400}, tall{300, 1000}, exact{1424, 859};
    const std::tuple<std::vector<DisplayGeometry>, Point, Point, Size> cases[] = {
        {main, {1132, 800}, {1132, 400}, panel},  {main, {1132.5, 800}, {832.5, 400}, panel},
        {main, {100, 408}, {100, 8}, panel},      {main, {100, 407}, {100, 407}, panel},
        {main, {100, 5}, {100, 8}, panel},        {all, {-50, -200}, {-350, -200}, panel},
        {all, {1440, 500}, {1448, 100}, panel},   {all, {1439.5, 500}, {1132, 100}, panel},
        {left, {5000, 5000}, {-308, 372}, panel}, {left, {nan, nan}, {-1912, -242}, panel},
        {main, {inf, -inf}, {1132, 8}, panel},    {over, {100, 20}, {100, 33}, panel},
        {none, {100, 800}, {8, 8}, panel},        {main, {700, 400}, {8, 8}, exact},
        {main, {100, 800}, {100, 8}, tall},
    };
    for (const auto& [displays, pointer, origin, size] : cases) {
        EXPECT_EQ(LinkPickerPlacement::frame(size, pointer, displays), Rect(origin, size))
            << pointer.x << "," << pointer.y << " of " << displays.size();
    }
    Rect unsized = LinkPickerPlacement::frame({nan, nan}, {100, 800}, main);
    EXPECT_TRUE(mainDisplay.visibleFrame.contains(unsized.origin));
}

// The panel's middle lines count as top and leading.
TEST(LinkPickerPlacement, GrowthCornerFacesThePointer) {
    using enum LinkPickerPlacement::Corner;
    const Rect frame(100, 400, 300, 400);
    EXPECT_EQ(LinkPickerPlacement::growthCorner(frame, {250, 600}), topLeading);
    EXPECT_EQ(LinkPickerPlacement::growthCorner(frame, {250.001, 600}), topTrailing);
    EXPECT_EQ(LinkPickerPlacement::growthCorner(frame, {250, 599.999}), bottomLeading);
    EXPECT_EQ(LinkPickerPlacement::growthCorner(frame, {250.001, 599.999}), bottomTrailing);
}

}  // namespace
}  // namespace ferrywise
