#pragma once
// StripGroup: what a channel strip holds of the control group it belongs to while that
// group is switched on: the group number (its marker colour), the member list of the
// same side and a copy of the group's link block. The main window sets it when a control
// group is switched on or off; the strip and the editors it opens propagate along it.
// Plain data; UI thread only.

#include "model/device_image.h"

#include <QColor>

#include <array>
#include <cstdint>
#include <vector>

namespace krm {

struct StripGroup {
    int group = 0;            // 0 = none (grey marker), 1..4
    std::vector<int> members; // zero-based indices of the same side (inputs 0..19 or
                              // outputs 0..7), ascending; empty while no group is on
    std::array<std::int32_t, ControlGroup::kLinkEntries> link{};

    // True when the group is on and shares this parameter kind among its members.
    bool links(ControlLink entry) const {
        return group != 0 && !members.empty() && link[static_cast<std::size_t>(entry)] != 0;
    }
};

// The group state of every channel, kept per channel rather than per strip widget, so the
// large strip beside the editors shows the group of whichever channel it is opened for.
struct StripGroupTable {
    std::array<StripGroup, kInputCount> inputs{};
    std::array<StripGroup, kOutputCount> outputs{};

    const StripGroup& of(bool output, int index) const {
        return output ? outputs[static_cast<std::size_t>(index)]
                      : inputs[static_cast<std::size_t>(index)];
    }
    StripGroup& of(bool output, int index) {
        return output ? outputs[static_cast<std::size_t>(index)]
                      : inputs[static_cast<std::size_t>(index)];
    }
};

// Marker colour of a control group 1..4; grey for none.
inline QColor groupMarkerColour(int group) {
    switch (group) {
    case 1:
        return {173, 67, 67};
    case 2:
        return {40, 210, 112};
    case 3:
        return {226, 209, 68};
    case 4:
        return {85, 117, 218};
    default:
        return {128, 128, 128};
    }
}

} // namespace krm
