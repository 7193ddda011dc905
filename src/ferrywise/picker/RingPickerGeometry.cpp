#include "ferrywise/picker/RingPickerGeometry.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ferrywise {

namespace {

struct Measurements {
    double iconSize;
    double radius;
    double dialRadius;
};

// Fixed per row rather than derived, although for one candidate or more dialRadius = radius + iconSize / 2
// + sectorOuterPadding holds.
Measurements measurements(int candidateCount) {
    if (candidateCount <= 0) {
        return {0.0, 0.0, 140.0};
    }
    if (candidateCount <= 5) {
        return {46.0, 106.0, 140.0};
    }
    if (candidateCount <= 7) {
        return {42.0, 110.0, 142.0};
    }
    return {38.0, 116.0, 146.0};
}

}  // namespace

RingPickerGeometry::Layout RingPickerGeometry::layout(int candidateCount) {
    auto row = measurements(candidateCount);
    return {row.iconSize, row.radius};
}

double RingPickerGeometry::iconSize(int candidateCount) {
    return measurements(candidateCount).iconSize;
}

double RingPickerGeometry::radius(int candidateCount) {
    return measurements(candidateCount).radius;
}

double RingPickerGeometry::dialRadius(int candidateCount) {
    return measurements(candidateCount).dialRadius;
}

double RingPickerGeometry::sectorOuterRadius(int candidateCount) {
    return dialRadius(candidateCount);
}

double RingPickerGeometry::dialDiameter(int candidateCount) {
    return 2 * dialRadius(candidateCount);
}

double RingPickerGeometry::edgeInset(int candidateCount) {
    return dialRadius(candidateCount) + edgeMargin;
}

Point RingPickerGeometry::point(int index, int candidateCount, Point center) {
    if (candidateCount < 1) {
        return center;
    }
    // Division in floating point: any index is fine, it only turns into an angle.
    double angle = static_cast<double>(index) / candidateCount * 2 * std::numbers::pi;
    double r = radius(candidateCount);
    return {center.x + r * std::sin(angle), center.y - r * std::cos(angle)};
}

Point RingPickerGeometry::localPoint(Point screenPoint, Rect frame) {
    return {screenPoint.x - frame.minX(), frame.maxY() - screenPoint.y};
}

Point RingPickerGeometry::clampedCenter(Point preferred, int candidateCount, Size canvasSize) {
    double inset = edgeInset(candidateCount);
    // fmax/fmin drop a NaN operand, so a NaN coordinate or canvas side lands on the inset rather than
    // spreading into the centre.
    auto clamp = [inset](double value, double side) {
        return std::fmin(std::fmax(value, inset), std::fmax(side - inset, inset));
    };
    return {clamp(preferred.x, canvasSize.width), clamp(preferred.y, canvasSize.height)};
}

std::optional<int> RingPickerGeometry::wedgeIndex(Point point, Point center, int itemCount) {
    if (itemCount < 1) {
        return std::nullopt;
    }
    double dx = point.x - center.x;
    double dy = point.y - center.y;
    double distance = std::hypot(dx, dy);
    // Written as "inside the ring" so that a NaN distance falls out too.
    if (!(distance >= hubRadius && distance <= dialRadius(itemCount))) {
        return std::nullopt;
    }
    constexpr double fullTurn = 2 * std::numbers::pi;
    double angle = std::atan2(dx, -dy);
    if (angle < 0) {
        angle += fullTurn;
    }
    double width = fullTurn / itemCount;
    // The sector stays a double until it is wrapped into [0, itemCount); an angle just below a full turn
    // gives itemCount itself, which is sector 0. Rounding cannot leave that range, the clamp only keeps the
    // conversion to int defined whatever happens.
    double sector = std::floor((angle + width / 2) / width);
    if (sector >= itemCount) {
        sector -= itemCount;
    }
    return static_cast<int>(std::clamp(sector, 0.0, static_cast<double>(itemCount - 1)));
}

bool RingPickerGeometry::acceptsClick(Point point, Point center, int itemCount, bool hasOverflow) {
    if (wedgeIndex(point, center, itemCount)) {
        return true;
    }
    return hasOverflow && std::hypot(point.x - center.x, point.y - center.y) <= hubRadius;
}

std::optional<int> RingPointerSelection::release(std::optional<int> index) {
    auto pressed = pressedIndex;
    pressedIndex.reset();
    if (pressed && index == pressed) {
        return pressed;
    }
    return std::nullopt;
}

bool RingDismissalState::shouldDismissForApplicationResignation() const {
    return userInitiatedFocusChange && hasBecomeKey;
}

bool RingDismissalState::shouldDismissForOtherWindowBecomingKey() const {
    return shouldDismissForApplicationResignation();
}

bool RingDismissalState::shouldDismissForOutsideMouseDown(double eventTime, double presentationTime) {
    return presentationTime < eventTime;
}

bool RingDismissalState::shouldDismissForFrontmostChange(std::optional<std::int32_t> newFrontmost,
                                                         std::int32_t ownProcessIdentifier) const {
    if (!newFrontmost || *newFrontmost == ownProcessIdentifier) {
        return false;
    }
    if (hasBecomeKey) {
        return userInitiatedFocusChange;
    }
    // Fallback: any application other than the one frontmost at presentation means the user went elsewhere.
    return initialFrontmostProcessIdentifier != newFrontmost;
}

}  // namespace ferrywise
