#pragma once

// RingPickerGeometry holds the measurements of the ring picker: candidates as icons on a circle around the
// pointer, a round hub in the middle and one wedge-shaped sector per candidate. It places the icons, finds
// the sector under the pointer and decides which clicks count. Positions are in the ring view's own
// coordinates (origin top-left, y down); index 0 sits straight above the centre and indices run clockwise.
//
//   RingPickerGeometry::point(1, 4, Point{200, 200});             // (306, 200)
//   RingPickerGeometry::wedgeIndex(Point{200, 100}, Point{200, 200}, 4);  // 0
//
// RingPointerSelection turns a press and release pair into a choice, and RingDismissalState decides when
// the floating ring panel closes. All of it is plain arithmetic on values; drawing and events belong to the
// embedding application.

#include <cstdint>
#include <optional>

#include "ferrywise/foundation/Geometry.hpp"

namespace ferrywise {

struct RingPickerGeometry {
    // Icon size and the radius of the icon centres for one candidate count.
    struct Layout {
        double iconSize = 0;
        double radius = 0;

        bool operator==(const Layout&) const = default;
    };

    // Radius of the central hub, which is also the inner radius of every sector.
    static constexpr double hubRadius = 76.0;
    static constexpr double hubDiameter = 152.0;
    // Width available to the text inside the hub.
    static constexpr double hubContentWidth = 118.0;
    // Space between an icon's outer edge and its sector's outer edge.
    static constexpr double sectorOuterPadding = 11.0;
    // Space kept between the dial and the edge of the canvas.
    static constexpr double edgeMargin = 16.0;

    RingPickerGeometry() = delete;

    // Returns the icon size and icon radius for `candidateCount` candidates; zero for a count below one.
    [[nodiscard]] static Layout layout(int candidateCount);
    // Returns the edge length of each icon: 46, 42 or 38 points as the ring fills up, 0 below one.
    [[nodiscard]] static double iconSize(int candidateCount);
    // Returns the distance of the icon centres from the ring centre.
    [[nodiscard]] static double radius(int candidateCount);
    // Returns the outer radius of the dial, which is also the outer radius of every sector.
    [[nodiscard]] static double dialRadius(int candidateCount);
    // Returns the same value as dialRadius.
    [[nodiscard]] static double sectorOuterRadius(int candidateCount);
    // Returns twice dialRadius.
    [[nodiscard]] static double dialDiameter(int candidateCount);
    // Returns how far the ring centre must stay from each canvas edge: dialRadius plus edgeMargin.
    [[nodiscard]] static double edgeInset(int candidateCount);

    // Returns the centre of icon `index` among `candidateCount` around `center`, or `center` itself when
    // the count is below one.
    [[nodiscard]] static Point point(int index, int candidateCount, Point center);
    // Converts a screen point (origin bottom-left, y up) into the coordinates of a view whose screen frame
    // is `frame` (origin top-left, y down).
    [[nodiscard]] static Point localPoint(Point screenPoint, Rect frame);
    // Returns the ring centre nearest to `preferred` that keeps the dial and its margin on a canvas of
    // `canvasSize`; on a canvas too small for that, the coordinate is the edge inset. A coordinate that
    // is not a number counts as off the low edge.
    [[nodiscard]] static Point clampedCenter(Point preferred, int candidateCount, Size canvasSize);
    // Returns the sector under `point`, or none in the hub, beyond the dial, without candidates or when
    // the distance is not a number. Both the hub radius and the dial radius belong to the ring.
    [[nodiscard]] static std::optional<int> wedgeIndex(Point point, Point center, int itemCount);
    // Returns whether a click at `point` does something: always in a sector, in the hub only when some
    // candidates did not fit on the ring (`hasOverflow`), never beyond the dial.
    [[nodiscard]] static bool acceptsClick(Point point, Point center, int itemCount, bool hasOverflow);
};

// The sector in which the mouse button went down, waiting for the release. A choice needs the press and
// the release in the same sector.
struct RingPointerSelection {
    std::optional<int> pressedIndex;

    // Records the sector of a mouse-down, replacing any pending one.
    void press(int index) { pressedIndex = index; }
    // Returns the chosen sector: the pending press when `index` is the same sector, otherwise none. Clears
    // the pending press in every case.
    std::optional<int> release(std::optional<int> index);
    // Forgets the pending press.
    void cancel() { pressedIndex.reset(); }

    bool operator==(const RingPointerSelection&) const = default;
};

// What the ring panel has seen since it appeared, and the rules for closing it on each kind of event.
// Before the panel becomes key window it cannot see focus changes directly, so it falls back to watching
// which application is frontmost. The flags only ever turn on.
struct RingDismissalState {
    // The application that was frontmost when the ring appeared.
    std::optional<std::int32_t> initialFrontmostProcessIdentifier;
    // The user has done something that moves focus away.
    bool userInitiatedFocusChange = false;
    // The ring panel has become the key window.
    bool hasBecomeKey = false;

    explicit RingDismissalState(std::optional<std::int32_t> frontmostProcessIdentifier)
        : initialFrontmostProcessIdentifier(frontmostProcessIdentifier) {}

    // Records that the panel became the key window.
    void panelDidBecomeKey() { hasBecomeKey = true; }
    // Records that the user moved focus away.
    void userInitiatedFocusChangeDidOccur() { userInitiatedFocusChange = true; }

    // Returns whether the panel still relies on frontmost-application changes (it has not become key).
    [[nodiscard]] bool usesFallbackDismissal() const { return !hasBecomeKey; }
    // Returns whether the ring closes when the application resigns active.
    [[nodiscard]] bool shouldDismissForApplicationResignation() const;
    // Returns whether the ring closes when another window becomes key; the same rule as resignation.
    [[nodiscard]] bool shouldDismissForOtherWindowBecomingKey() const;
    // Returns whether a mouse-down outside the panel at `eventTime` closes a ring presented at
    // `presentationTime` (seconds): only when it came strictly later, so the summoning click never does.
    [[nodiscard]] static bool shouldDismissForOutsideMouseDown(double eventTime, double presentationTime);
    // Returns whether the ring closes when `newFrontmost` becomes the frontmost application; our own
    // process (`ownProcessIdentifier`) or an unknown one never closes it.
    [[nodiscard]] bool shouldDismissForFrontmostChange(std::optional<std::int32_t> newFrontmost,
                                                       std::int32_t ownProcessIdentifier) const;
};

}  // namespace ferrywise
