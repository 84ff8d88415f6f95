#pragma once
// LinkedChannels: what a channel takes from the control group it belongs to while that
// group is switched on: the group number (its marker colour), the member list of the same
// side and a copy of the group's link block. Set when a control group is switched on or
// off; the edit service spreads a linked edit along it. Kept per channel (not per strip
// widget), so the large strip beside the editors shows the group of whichever channel it
// is opened for.
//
// Plain data; owned by the user-interface thread with the image.

#include "model/channels.h"
#include "model/device_image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace krm {

struct LinkedChannels {
    int group = 0;            // 0 = none, 1..4
    std::vector<int> members; // zero-based indices of the same side, ascending; empty
                              // while no group is on
    std::array<std::int32_t, ControlGroup::kLinkEntries> link{};

    // True when the group is on and shares this parameter kind among its members.
    bool links(ControlLink entry) const {
        return group != 0 && !members.empty() && link[static_cast<std::size_t>(entry)] != 0;
    }
};

struct LinkedChannelTable {
    std::array<LinkedChannels, kInputCount> inputs{};
    std::array<LinkedChannels, kOutputCount> outputs{};

    const LinkedChannels& of(Channel c) const {
        static const LinkedChannels none{};
        if (c.isInput())
            return inputs[static_cast<std::size_t>(c.index)];
        if (c.isOutput())
            return outputs[static_cast<std::size_t>(c.index)];
        return none;
    }
    LinkedChannels& of(Channel c) {
        return c.isOutput() ? outputs[static_cast<std::size_t>(c.index)]
                            : inputs[static_cast<std::size_t>(c.index)];
    }
};

} // namespace krm
