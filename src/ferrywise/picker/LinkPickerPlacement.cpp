#include "ferrywise/picker/LinkPickerPlacement.hpp"

#include <cmath>

namespace ferrywise {

namespace {

// The visible frame of the first display whose frame contains `point`, else of the first display, else
// the zero rectangle.
Rect visibleFrame(Point point, const std::vector<DisplayGeometry>& displays) {
    for (const auto& display : displays) {
        if (display.frame.contains(point)) {
            return display.visibleFrame;
        }
    }
    return displays.empty() ? Rect() : displays.front().visibleFrame;
}

// Keeps `origin` of a panel of `length` within [low, high - length], preferring the low edge when the
// panel does not fit. fmax/fmin drop a NaN operand, so a pointer that is not a number ends up at the low
// edge instead of giving a NaN frame.
double clampedOrigin(double origin, double length, double low, double high) {
    return std::fmin(std::fmax(origin, low), std::fmax(high - length, low));
}

}  // namespace

Rect LinkPickerPlacement::frame(Size panelSize, Point pointer, const std::vector<DisplayGeometry>& displays) {
    Rect visible = visibleFrame(pointer, displays);
    double width = panelSize.width;
    double height = panelSize.height;

    double x = visible.maxX() - margin < pointer.x + width ? pointer.x - width : pointer.x;
    double y = pointer.y - height < visible.minY() + margin ? pointer.y : pointer.y - height;

    x = clampedOrigin(x, width, visible.minX() + margin, visible.maxX() - margin);
    y = clampedOrigin(y, height, visible.minY() + margin, visible.maxY() - margin);
    return {x, y, width, height};
}

LinkPickerPlacement::Corner LinkPickerPlacement::growthCorner(Rect panelFrame, Point pointer) {
    bool top = panelFrame.midY() <= pointer.y;
    bool leading = pointer.x <= panelFrame.midX();
    if (top) {
        return leading ? Corner::topLeading : Corner::topTrailing;
    }
    return leading ? Corner::bottomLeading : Corner::bottomTrailing;
}

}  // namespace ferrywise
