#include "model/group_switching.h"

#include "model/channels.h"

namespace krm {

namespace {
bool validGroup(int group) {
    return group >= 1 && group <= kGroupCount;
}
} // namespace

std::vector<int> SwitchMuteGroup(DeviceImage& image, int group, bool on) {
    std::vector<int> wire;
    if (!validGroup(group))
        return wire;
    const MuteGroup& members = image.muteGroups[static_cast<std::size_t>(group - 1)];
    const std::int32_t mute = on ? 1 : 0;
    for (int ch = 0; ch < kInputCount; ++ch) {
        if (members.input(ch) == 0)
            continue;
        image.inputs[static_cast<std::size_t>(ch)].mute = mute;
        wire.push_back(InputWire(ch));
    }
    for (int bus = 0; bus < kOutputCount; ++bus) {
        if (members.output(bus) == 0)
            continue;
        image.outputs[static_cast<std::size_t>(bus)].mute = mute;
        wire.push_back(OutputWire(bus));
    }
    image.activeMuteGroup = on ? group : 0;
    return wire;
}

std::vector<StripGroupAssignment> SwitchControlGroup(DeviceImage& image, int group, bool on) {
    std::vector<StripGroupAssignment> result;
    if (!validGroup(group))
        return result;
    const auto g = static_cast<std::size_t>(group - 1);
    image.controlGroupActive[g] = on ? 1 : 0;
    const ControlGroup& record = image.controlGroups[g];

    std::array<std::int32_t, ControlGroup::kLinkEntries> links{};
    for (int e = 0; e < ControlGroup::kLinkEntries; ++e)
        links[static_cast<std::size_t>(e)] = record.link(e);

    std::vector<int> inputs;
    std::vector<int> outputs;
    for (int ch = 0; ch < kInputCount; ++ch)
        if (record.input(ch) != 0)
            inputs.push_back(ch);
    for (int bus = 0; bus < kOutputCount; ++bus)
        if (record.output(bus) != 0)
            outputs.push_back(bus);

    auto assign = [&](bool output, const std::vector<int>& side) {
        for (int index : side) {
            StripGroupAssignment a;
            a.output = output;
            a.index = index;
            if (on) {
                a.group = group;
                a.members = side;
                a.links = links;
            }
            result.push_back(std::move(a));
        }
    };
    assign(false, inputs);
    assign(true, outputs);
    return result;
}

namespace {
constexpr int kClearedInputs = 18; // CH1..CH18; the last two line inputs are left alone
} // namespace

std::vector<int> ClearAllMutes(DeviceImage& image) {
    std::vector<int> wire;
    for (int ch = 0; ch < kClearedInputs; ++ch) {
        image.inputs[static_cast<std::size_t>(ch)].mute = 0;
        wire.push_back(InputWire(ch));
    }
    for (int bus = 0; bus < kOutputCount; ++bus) {
        image.outputs[static_cast<std::size_t>(bus)].mute = 0;
        wire.push_back(OutputWire(bus));
    }
    return wire;
}

void ClearAllSolos(DeviceImage& image) {
    for (int ch = 0; ch < kClearedInputs; ++ch)
        image.inputs[static_cast<std::size_t>(ch)].solo = 0;
}

void ApplyGroupAssignments(LinkedChannelTable& table,
                           const std::vector<StripGroupAssignment>& assignments) {
    for (const StripGroupAssignment& a : assignments)
        table.of(a.output ? Channel::output(a.index) : Channel::input(a.index)) =
            LinkedChannels{a.group, a.members, a.links};
}

} // namespace krm
