#pragma once
// The main window's mute-group and control-group switches, as operations on the device
// image. Pure logic: the caller redraws the strips and sends the returned channels.
// UI thread only (the image belongs to it).

#include "model/device_image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace krm::ui {

// Wire channel of an input (zero-based 0..19 -> 1..20) and of an output bus in the
// level/mute frame (0..7 -> 21..28).
constexpr int InputWireChannel(int index) {
    return index + 1;
}
constexpr int OutputWireChannel(int index) {
    return index + 21;
}

// Switches mute group `group` (1..4) on (members muted) or off (members unmuted) and
// records `activeMuteGroup` (the group when on, 0 when off). Returns the wire channels
// whose level/mute frame is due, in sending order: member inputs ascending, then member
// outputs ascending. Members shared with another group are changed as well. An
// out-of-range group changes nothing and returns nothing.
std::vector<int> SwitchMuteGroup(DeviceImage& image, int group, bool on);

// What one strip takes from an active control group.
struct StripGroupAssignment {
    bool output = false; // false: input channel `index`; true: output bus `index`
    int index = 0;
    int group = 0;            // marker: 0 = none (grey), 1..4
    std::vector<int> members; // zero-based member indices of the same side, ascending
    std::array<std::int32_t, ControlGroup::kLinkEntries> links{};
};

// Switches control group `group` (1..4): sets `controlGroupActive` and returns, for every
// member strip, what it shows and propagates along (on: the group's marker, member list and
// link block; off: no marker, empty list). Nothing is sent to the device.
std::vector<StripGroupAssignment> SwitchControlGroup(DeviceImage& image, int group, bool on);

// The navigation panel's CLEAR MUTE: unmutes CH1..CH18 and the eight output buses (CH19
// and CH20 keep their mute) and returns the wire channels whose level/mute frame is due, in
// order: inputs 1..18, then buses 21..28.
std::vector<int> ClearAllMutes(DeviceImage& image);

// CLEAR SOLO: clears the solo flag of CH1..CH18. No frame carries an input's solo (the
// feedback-switch frame "%K," belongs to the output buses), so nothing is sent.
void ClearAllSolos(DeviceImage& image);

} // namespace krm::ui
