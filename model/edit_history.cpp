#include "model/edit_history.h"

#include <utility>

namespace krm {

namespace {

int channelCount(Side side) {
    switch (side) {
    case Side::Input:
        return kInputCount;
    case Side::Output:
        return kOutputCount;
    case Side::Device:
        return 1;
    }
    return 0;
}

Name16& nameField(DeviceImage& image, Channel c, bool label) {
    if (c.isInput()) {
        InputChannel& ch = image.inputs[static_cast<std::size_t>(c.index)];
        return label ? ch.label : ch.name;
    }
    OutputChannel& bus = image.outputs[static_cast<std::size_t>(c.index)];
    return label ? bus.label : bus.name;
}

const Name16& nameField(const DeviceImage& image, Channel c, bool label) {
    return nameField(const_cast<DeviceImage&>(image), c, label);
}

std::int32_t& recordField(DeviceImage& image, RecordChange::Kind kind, int group, int index) {
    const auto g = static_cast<std::size_t>(group);
    const auto i = static_cast<std::size_t>(index);
    switch (kind) {
    case RecordChange::Kind::MuteGroup:
        return image.muteGroups[g].v[i];
    case RecordChange::Kind::ControlGroup:
        return image.controlGroups[g].v[i];
    case RecordChange::Kind::ControlGroupActive:
        return image.controlGroupActive[g];
    case RecordChange::Kind::ActiveMuteGroup:
        break;
    case RecordChange::Kind::MicUnit:
        break; // bytes: handled by the callers
    }
    return image.activeMuteGroup;
}

void diffNames(const DeviceImage& a, const DeviceImage& b, Channel c, EditStep& step) {
    for (bool label : {false, true}) {
        const Name16& before = nameField(a, c, label);
        const Name16& after = nameField(b, c, label);
        if (!(before == after))
            step.names.push_back({c, label, before, after});
    }
}

void diffRecords(const DeviceImage& a, const DeviceImage& b, EditStep& step) {
    using Kind = RecordChange::Kind;
    auto add = [&](Kind kind, int group, int index, std::int32_t before, std::int32_t after) {
        if (before != after)
            step.records.push_back({kind, static_cast<std::uint8_t>(group),
                                    static_cast<std::uint8_t>(index), before, after});
    };
    for (int g = 0; g < kGroupCount; ++g) {
        const auto gi = static_cast<std::size_t>(g);
        for (std::size_t i = 0; i < a.muteGroups[gi].v.size(); ++i)
            add(Kind::MuteGroup, g, static_cast<int>(i), a.muteGroups[gi].v[i],
                b.muteGroups[gi].v[i]);
        for (std::size_t i = 0; i < a.controlGroups[gi].v.size(); ++i)
            add(Kind::ControlGroup, g, static_cast<int>(i), a.controlGroups[gi].v[i],
                b.controlGroups[gi].v[i]);
        add(Kind::ControlGroupActive, g, 0, a.controlGroupActive[gi], b.controlGroupActive[gi]);
    }
    add(Kind::ActiveMuteGroup, 0, 0, a.activeMuteGroup, b.activeMuteGroup);
    for (int u = 0; u < kMicUnitSlots; ++u)
        for (std::size_t i = 0; i < a.micUnits[0].size(); ++i)
            add(Kind::MicUnit, u, static_cast<int>(i), a.micUnits[static_cast<std::size_t>(u)][i],
                b.micUnits[static_cast<std::size_t>(u)][i]);
}

} // namespace

EditStep DiffSettings(const DeviceImage& from, const DeviceImage& image) {
    EditStep step;
    for (const Parameter& p : Parameters()) {
        const int count = channelCount(p.side);
        for (int index = 0; index < count; ++index) {
            const Channel c{p.side, index};
            if (!p.existsOn(c))
                continue;
            const std::int32_t before = p.get(from, c);
            const std::int32_t after = p.get(image, c);
            if (before != after)
                step.fields.push_back({&p, c, before, after});
        }
    }
    for (int ch = 0; ch < kInputCount; ++ch)
        diffNames(from, image, Channel::input(ch), step);
    for (int bus = 0; bus < kOutputCount; ++bus)
        diffNames(from, image, Channel::output(bus), step);
    diffRecords(from, image, step);
    return step;
}

const EditStep* EditHistory::close(const DeviceImage& image, StepName name, bool whole,
                                   std::shared_ptr<const ModuleReplay> module,
                                   MuteGroupSwitch muteSwitch) {
    EditStep step = DiffSettings(m_baseline, image);
    step.whole = whole;
    step.module = std::move(module);
    step.muteSwitch = muteSwitch;
    if (step.size() == 0)
        return nullptr;
    step.fields.shrink_to_fit();
    step.names.shrink_to_fit();
    step.records.shrink_to_fit();
    step.name = name.empty() ? DescribeStep(step, m_baseline) : std::move(name);
    m_baseline = image;
    m_redo.clear();
    m_undo.push_back(std::move(step));
    while (m_undo.size() > kMaxSteps)
        m_undo.pop_front();
    return &m_undo.back();
}

bool EditHistory::clear(const DeviceImage& image) {
    // A dump that holds exactly what the program held (the link healed and nothing changed
    // on the device meanwhile) leaves every step valid.
    if (DiffSettings(m_baseline, image).size() == 0)
        return false;
    const bool held = canUndo() || canRedo();
    m_undo.clear();
    m_redo.clear();
    m_baseline = image;
    return held;
}

const EditStep* EditHistory::undo(DeviceImage& image) {
    if (m_undo.empty())
        return nullptr;
    ApplyStep(m_undo.back(), image, false);
    m_baseline = image;
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
    return &m_redo.back();
}

const EditStep* EditHistory::redo(DeviceImage& image) {
    if (m_redo.empty())
        return nullptr;
    ApplyStep(m_redo.back(), image, true);
    m_baseline = image;
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
    return &m_undo.back();
}

std::size_t EditHistory::memoryBytes() const {
    auto of = [](const EditStep& s) {
        return sizeof(EditStep) + s.fields.capacity() * sizeof(FieldChange) +
               s.names.capacity() * sizeof(NameChange) +
               s.records.capacity() * sizeof(RecordChange) + s.name.en.capacity() +
               s.name.zh.capacity();
    };
    std::size_t total = 0;
    for (const EditStep& s : m_undo)
        total += of(s);
    for (const EditStep& s : m_redo)
        total += of(s);
    return total;
}

void ApplyStep(const EditStep& step, DeviceImage& image, bool after) {
    for (const FieldChange& f : step.fields)
        f.parameter->set(image, f.channel, after ? f.after : f.before);
    for (const NameChange& n : step.names)
        nameField(image, n.channel, n.label) = after ? n.after : n.before;
    for (const RecordChange& r : step.records) {
        const std::int32_t value = after ? r.after : r.before;
        if (r.kind == RecordChange::Kind::MicUnit)
            image.micUnits[r.group][r.index] = static_cast<std::uint8_t>(value);
        else
            recordField(image, r.kind, r.group, r.index) = value;
    }
}

std::string ChannelTitle(const DeviceImage& image, Channel channel) {
    if (channel.side == Side::Device || !channel.valid())
        return {};
    const Name16& name = nameField(image, channel, false);
    if (!name.empty())
        return name.toUtf8();
    return (channel.isInput() ? "CH" : "OUT") + std::to_string(channel.index + 1);
}

StepName CommandStepName(TextPair command, TextPair module, const DeviceImage& image,
                         Channel channel) {
    const std::string title = ChannelTitle(image, channel);
    const std::string tail = title.empty() ? std::string() : " " + title;
    return {std::string(command.en) + " " + module.en + tail,
            std::string(command.zh) + " " + module.zh + tail};
}

StepName DescribeStep(const EditStep& step, const DeviceImage& image) {
    auto prefixed = [&](Channel c, const char* text) {
        const std::string title = ChannelTitle(image, c);
        return title.empty() ? std::string(text) : title + " " + text;
    };
    if (step.size() == 1 && step.fields.size() == 1) {
        const FieldChange& f = step.fields.front();
        const std::string values = " " + ValueText(*f.parameter, f.channel, f.before) + " → " +
                                   ValueText(*f.parameter, f.channel, f.after);
        const std::string valuesZh = " " + ValueTextZh(*f.parameter, f.channel, f.before) + " → " +
                                     ValueTextZh(*f.parameter, f.channel, f.after);
        return {prefixed(f.channel, f.parameter->label.en) + values,
                prefixed(f.channel, f.parameter->label.zh) + valuesZh};
    }
    if (step.size() == 1 && step.names.size() == 1) {
        const NameChange& n = step.names.front();
        const std::string values = " " + n.before.toUtf8() + " → " + n.after.toUtf8();
        return {prefixed(n.channel, n.label ? "LABEL" : "NAME") + values,
                prefixed(n.channel, n.label ? "标签" : "名称") + values};
    }
    const std::string count = std::to_string(step.size());
    return {count + " parameters", count + " 个参数"};
}

} // namespace krm
