#include "editors/pages/group_rules.h"

#include "model/name16.h"

namespace krm {

namespace {

bool validGroup(int group) {
    return group >= 1 && group <= kGroupCount;
}

std::size_t slot(int group) {
    return static_cast<std::size_t>(group - 1);
}

bool isMember(const ControlGroup& g, Channel c) {
    return (c.isInput() ? g.input(c.index) : g.output(c.index)) != 0;
}

} // namespace

MemberKind MemberKindOf(Channel channel) {
    if (!channel.valid() || channel.side == Side::Device)
        return MemberKind::None;
    if (channel.isOutput())
        return MemberKind::Output;
    return channel.isMic() ? MemberKind::Mic : MemberKind::Line;
}

MemberKind ControlGroupKind(const ControlGroup& group) {
    // The refusal rules keep a group to one kind, so the first member found tells it.
    for (int ch = 0; ch < kInputCount; ++ch)
        if (group.input(ch) != 0)
            return MemberKindOf(Channel::input(ch));
    for (int bus = 0; bus < kOutputCount; ++bus)
        if (group.output(bus) != 0)
            return MemberKind::Output;
    return MemberKind::None;
}

MemberRefusal CheckControlMember(const DeviceImage& image, int group, Channel channel) {
    const MemberKind kind = MemberKindOf(channel);
    if (!validGroup(group) || kind == MemberKind::None)
        return MemberRefusal::Invalid;
    const ControlGroup& g = image.controlGroups[slot(group)];
    bool anyInput = false;
    bool anyOutput = false;
    bool anyMic = false;
    bool anyLine = false;
    for (int ch = 0; ch < kInputCount; ++ch) {
        if (g.input(ch) == 0)
            continue;
        anyInput = true;
        (IsMicInput(ch) ? anyMic : anyLine) = true;
    }
    for (int bus = 0; bus < kOutputCount; ++bus)
        anyOutput = anyOutput || g.output(bus) != 0;

    if ((channel.isInput() && anyOutput) || (channel.isOutput() && anyInput))
        return MemberRefusal::OtherSide;
    if ((kind == MemberKind::Mic && anyLine) || (kind == MemberKind::Line && anyMic))
        return MemberRefusal::MicLineMix;
    for (int other = 1; other <= kGroupCount; ++other)
        if (other != group && isMember(image.controlGroups[slot(other)], channel))
            return MemberRefusal::InOtherGroup;
    return MemberRefusal::None;
}

const std::array<LinkToggle, kLinkToggleCount> kLinkToggles{{
    {LinkEq, "EQ", "均衡", true, true, true},
    {LinkComp, "COMP", "压缩器", true, false, false},
    {LinkLimit, "LIMIT", "限幅器", false, false, true},
    {LinkVol, "VOL", "音量", true, true, true},
    {LinkGain, "GAIN", "增益", true, true, false},
    {LinkPriority, "PRIORITY", "优先", true, false, false},
    // SOURCE is kept in the block but offered for no kind of member.
    {LinkSource, "SOURCE", "输入源", false, false, false},
    {LinkPhantom, "48V", "48V", true, false, false},
    {LinkLine, "LINE", "LINE", false, false, true},
    {LinkFbk, "FBK", "FBK", false, false, true},
    {LinkDelay, "Delay", "Delay", false, false, true},
}};

bool LinkOffered(const LinkToggle& toggle, MemberKind kind) {
    switch (kind) {
    case MemberKind::Mic:
        return toggle.mic;
    case MemberKind::Line:
        return toggle.line;
    case MemberKind::Output:
        return toggle.output;
    case MemberKind::None:
        break;
    }
    return false;
}

bool FlipControlMember(DeviceImage& image, int group, Channel channel) {
    if (!validGroup(group) || MemberKindOf(channel) == MemberKind::None)
        return false;
    ControlGroup& g = image.controlGroups[slot(group)];
    std::int32_t& flag = channel.isInput() ? g.input(channel.index) : g.output(channel.index);
    flag = flag != 0 ? 0 : 1;
    // Counted from the flags rather than stepped, so a count loaded out of step with them
    // (an edited setting file) is put right by the next change instead of carried along.
    std::int32_t count = 0;
    for (int ch = 0; ch < kInputCount; ++ch)
        count += g.input(ch) != 0 ? 1 : 0;
    for (int bus = 0; bus < kOutputCount; ++bus)
        count += g.output(bus) != 0 ? 1 : 0;
    g.v[ControlGroup::kMemberCount] = count;
    return flag != 0;
}

bool FlipControlLink(DeviceImage& image, int group, ControlLink entry) {
    if (!validGroup(group))
        return false;
    std::int32_t& flag = image.controlGroups[slot(group)].link(entry);
    flag = flag != 0 ? 0 : 1;
    return flag != 0;
}

bool FlipMuteMember(DeviceImage& image, int group, Channel channel) {
    if (!validGroup(group) || MemberKindOf(channel) == MemberKind::None)
        return false;
    MuteGroup& g = image.muteGroups[slot(group)];
    std::int32_t& flag = channel.isInput() ? g.input(channel.index) : g.output(channel.index);
    flag = flag != 0 ? 0 : 1;
    return flag != 0;
}

Name16 SetControlGroupName(DeviceImage& image, int group, std::u16string_view text) {
    if (!validGroup(group))
        return {};
    const Name16 name = Name16::fromUtf16(text);
    image.controlGroups[slot(group)].setName(name);
    return name;
}

} // namespace krm
