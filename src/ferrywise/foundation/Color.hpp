#pragma once

// A colour given by hue, saturation, brightness (value) and opacity, each from 0 to 1, as views and
// toolkits take it (Qt: QColor::fromHsvF).

namespace ferrywise {

struct Color {
    double hue = 0;
    double saturation = 0;
    double brightness = 0;
    double alpha = 1;

    bool operator==(const Color&) const = default;
};

}  // namespace ferrywise
