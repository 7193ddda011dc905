#pragma once

// LinkPickerPlacement decides where the classic picker's floating panel goes: it starts at the pointer,
// flips to the other side when it would run off the display, always stays inside the usable area of the
// display under the pointer, and knows at which corner it stays anchored while its content changes size.
// Coordinates are screen coordinates with the origin at the bottom-left of the main display and y up; a
// panel's origin is its bottom-left corner.
//
//   std::vector<DisplayGeometry> displays{{Rect(0, 0, 1440, 900), Rect(0, 0, 1440, 875)}};
//   LinkPickerPlacement::frame(Size{300, 400}, Point{100, 800}, displays);   // (100, 400, 300, 400)

#include <vector>

#include "ferrywise/foundation/Geometry.hpp"

namespace ferrywise {

// One display as the placement needs it.
struct DisplayGeometry {
    // The whole display.
    Rect frame;
    // The part not covered by the menu bar and the dock.
    Rect visibleFrame;

    bool operator==(const DisplayGeometry&) const = default;
};

struct LinkPickerPlacement {
    // The corner of the panel that stays put when the panel grows or shrinks. std::hash works on it as on
    // any enumeration.
    enum class Corner { topLeading, topTrailing, bottomLeading, bottomTrailing };

    // Minimum distance between the panel and the edges of the visible area.
    static constexpr double margin = 8.0;

    LinkPickerPlacement() = delete;

    // Returns the frame of a panel of `panelSize` shown at `pointer`: right of and below the pointer where
    // it fits, flipped left or up where it does not, then kept `margin` inside the visible frame of the
    // display under the pointer (the first display when none is under it, the zero rectangle without
    // displays). A panel larger than that area sits at its left or bottom margin and overhangs the other.
    [[nodiscard]] static Rect frame(Size panelSize, Point pointer,
                                    const std::vector<DisplayGeometry>& displays);
    // Returns the corner at which `panelFrame` stays anchored: a top corner when the panel's middle is at
    // or below the pointer, the leading (left) one when the pointer is at or left of the middle.
    [[nodiscard]] static Corner growthCorner(Rect panelFrame, Point pointer);
};

}  // namespace ferrywise
