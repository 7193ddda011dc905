#pragma once

// Points, sizes and rectangles in points (floating point), for the picker's placement and the ring's
// arithmetic. Which way y grows depends on the coordinate space the caller works in; a rectangle's origin is
// its corner with the smallest coordinates. A rectangle with a negative width or height is read as the one
// it spans, so minX is always the smaller x.
//
//   Rect frame(100, 400, 300, 400);
//   frame.midY();                      // 600
//   frame.contains(Point{100, 400});   // true: the minimum edges belong to the rectangle, the maximum not

#include <algorithm>

namespace ferrywise {

struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;

    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point origin, Size size) : origin(origin), size(size) {}
    constexpr Rect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

    [[nodiscard]] constexpr double minX() const { return std::min(origin.x, origin.x + size.width); }
    [[nodiscard]] constexpr double maxX() const { return std::max(origin.x, origin.x + size.width); }
    [[nodiscard]] constexpr double midX() const { return origin.x + size.width / 2; }
    [[nodiscard]] constexpr double minY() const { return std::min(origin.y, origin.y + size.height); }
    [[nodiscard]] constexpr double maxY() const { return std::max(origin.y, origin.y + size.height); }
    [[nodiscard]] constexpr double midY() const { return origin.y + size.height / 2; }

    // Whether `point` lies inside: minX <= x < maxX and minY <= y < maxY, so neighbouring rectangles
    // never both contain a point on their shared edge.
    [[nodiscard]] constexpr bool contains(Point point) const {
        return minX() <= point.x && point.x < maxX() && minY() <= point.y && point.y < maxY();
    }

    bool operator==(const Rect&) const = default;
};

}  // namespace ferrywise
