#pragma once
// What a channel strip shows of the control group its channel belongs to: the table itself
// lives with the edit service (model/linked_channels.h), which spreads linked edits along
// it; the strips only paint the group's marker colour. UI thread only.

#include "model/linked_channels.h"

#include <QColor>

namespace krm {

using StripGroup = LinkedChannels;
using StripGroupTable = LinkedChannelTable;

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
