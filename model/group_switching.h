#pragma once
// The mute-group and control-group switches and the clear operations, as operations on
// the device image. Pure logic: the edit service plays the returned channels' frames on the
// paced sender and the window redraws. UI thread only (the image belongs to it).

#include "model/device_image.h"
#include "model/linked_channels.h"

#include <array>
#include <cstdint>
#include <vector>

namespace krm {

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

// Applies a SwitchControlGroup result to the per-channel table the edits spread along.
void ApplyGroupAssignments(LinkedChannelTable& table,
                           const std::vector<StripGroupAssignment>& assignments);

} // namespace krm
