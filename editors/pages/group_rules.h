#pragma once
// The group page's rules as operations on the image's group records, with no widget: which
// channel may join a control group, which link toggles a group offers, the membership and
// link flips and the name. The page calls these and draws the result; the tests call them
// directly. Group records are never sent to the device, so nothing here sends a frame.
// UI thread only (the image belongs to it).

#include "model/channels.h"
#include "model/device_image.h"

#include <array>
#include <string_view>

namespace krm {

// The three kinds of control-group member: CH1..CH16, CH17..CH20, the output buses.
enum class MemberKind { None, Mic, Line, Output };

MemberKind MemberKindOf(Channel channel);

// Why a control group refuses a channel (None: the toggle may go ahead).
enum class MemberRefusal {
    None,
    OtherSide,    // inputs and outputs never share a group
    MicLineMix,   // microphone and line inputs never share a group
    InOtherGroup, // a channel belongs to one control group at most
    Invalid,      // no such group or channel
};

// Whether toggling `channel` in control group `group` (1..4) is refused. Removing a member
// is never refused by the first two rules (the member is already of the group's kind).
MemberRefusal CheckControlMember(const DeviceImage& image, int group, Channel channel);

// The kind of the group's members; None for an empty group.
MemberKind ControlGroupKind(const ControlGroup& group);

// One row of the link block as the page shows it, in the page's order.
struct LinkToggle {
    ControlLink entry;
    const char* en;
    const char* zh;
    bool mic;
    bool line;
    bool output;
};
inline constexpr int kLinkToggleCount = 11;
extern const std::array<LinkToggle, kLinkToggleCount> kLinkToggles;

// Whether a toggle is offered for members of `kind` (never for None).
bool LinkOffered(const LinkToggle& toggle, MemberKind kind);

// Flips `channel`'s flag in control group `group` and keeps the member count in step.
// Call only after CheckControlMember said None. Returns the new flag.
bool FlipControlMember(DeviceImage& image, int group, Channel channel);

// Flips link entry `entry` of control group `group`; returns its new state.
bool FlipControlLink(DeviceImage& image, int group, ControlLink entry);

// Flips `channel`'s flag in mute group `group` (no rule applies); returns the new flag.
bool FlipMuteMember(DeviceImage& image, int group, Channel channel);

// Stores a typed name in control group `group`: at most 15 GBK bytes, never splitting a
// double-byte character. Returns the name as stored.
Name16 SetControlGroupName(DeviceImage& image, int group, std::u16string_view text);

} // namespace krm
