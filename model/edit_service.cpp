#include "model/edit_service.h"

#include "model/automix_sync.h"
#include "model/frame_builders.h"
#include "model/group_switching.h"
#include "model/parameter_frames.h"

#include <algorithm>
#include <utility>

namespace krm {

namespace {
// Levels in dB, one code a step, shared by a control group on their own: moving them by a
// difference keeps a balanced group balanced. Whole-frame fields (a PEQ band's gain) and
// the EQ link's curve are shared as a shape and keep being copied.
bool takesOffset(const Parameter& p) {
    return p.link && *p.link != LinkEq && !p.linksWholeFrame &&
           (p.rule == Rule::Level || p.rule == Rule::MakeUp);
}
} // namespace

EditService::EditService(DeviceImage& image, FrameSink& sink, PacedSender& linked,
                         PacedSender& bulk, const GlyphRenderer* glyphs)
    : m_image(image), m_sink(sink), m_linked(linked), m_bulk(bulk), m_glyphs(glyphs),
      m_history(image) {}

void EditService::addListener(EditListener* listener) {
    if (listener &&
        std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void EditService::removeListener(EditListener* listener) {
    std::erase(m_listeners, listener);
}

int EditService::danteSourceHolder(Channel channel, int source) const {
    if (source == 0 || !channel.isInput())
        return -1;
    for (int other = 0; other < kInputCount; ++other)
        if (other != channel.index &&
            m_image.inputs[static_cast<std::size_t>(other)].source == source)
            return other;
    return -1;
}

bool EditService::refusedSource(const Parameter& p, Channel channel, int code, int& holder) const {
    if (p.kind != ParamKind::Source)
        return false;
    holder = danteSourceHolder(channel, p.rangeFor(channel).clamp(code));
    return holder >= 0;
}

bool EditService::store(const Parameter& p, Channel channel, int code) {
    if (!p.existsOn(channel))
        return false;
    int holder = -1;
    if (refusedSource(p, channel, code, holder))
        return false;
    noteOrigin(p, channel);
    const bool changed = p.set(m_image, channel, code);
    if (p.linksWholeFrame)
        copyToMembers(p, channel);
    return changed;
}

EditResult EditService::commit(const Parameter& p, Channel channel) {
    EditResult result;
    if (!p.existsOn(channel))
        return result;
    result.status = EditResult::Status::Changed;
    if (online() && p.framedOn(channel)) {
        const std::string frame = BuildParameterFrame(m_image, p, channel);
        if (!frame.empty()) {
            // A member's copy of this group still queued from an earlier linked edit, or
            // a setting's resend, is older than what goes out now: the device gets the
            // group in its newest form when this frame goes out.
            Superseded older = discardQueued(FrameKey(p, channel));
            older.settle(m_sink.SendFrame(frame));
        }
    }
    result.linked = spread(p, channel);
    std::vector<Channel> changed{channel};
    for (int m : result.linked)
        changed.push_back(Channel{channel.side, m});
    closeStep();
    notify(&p, std::move(changed));
    return result;
}

void EditService::setAutoMixLevel(int channel, int code) {
    const Parameter& level = Param(ParamKind::AutoMixLevel);
    if (channel < 0 || channel >= kAutoMixChannels)
        return;
    if (m_image.autoMixSync == 0) {
        set(level, Channel::input(channel), code);
        return;
    }
    std::vector<Channel> changed{Channel::input(channel)};
    for (int ch = 0; ch < kAutoMixChannels; ++ch) {
        store(level, Channel::input(ch), code);
        if (ch != channel)
            changed.push_back(Channel::input(ch));
    }
    if (online())
        playTimed(AutoMixSyncSequence(m_image, channel));
    commitModule({}, std::move(changed));
}

EditResult EditService::set(const Parameter& p, Channel channel, int code) {
    EditResult result;
    if (!p.existsOn(channel))
        return result;
    if (refusedSource(p, channel, code, result.holder)) {
        result.status = EditResult::Status::Refused;
        return result;
    }
    noteOrigin(p, channel);
    p.set(m_image, channel, code);
    return commit(p, channel);
}

EditResult EditService::toggle(const Parameter& p, Channel channel) {
    if (!p.existsOn(channel))
        return {};
    return set(p, channel, p.get(m_image, channel) != 0 ? 0 : 1);
}

std::vector<int> EditService::copyToMembers(const Parameter& p, Channel channel) {
    std::vector<int> changed;
    if (!p.link || channel.side == Side::Device)
        return changed;
    const LinkedChannels& group = m_links.of(channel);
    if (!group.links(*p.link))
        return changed;
    const std::vector<const Parameter*> fields = FrameGroup(p);
    for (int member : group.members) {
        const Channel m{channel.side, member};
        if (member == channel.index || !p.existsOn(m))
            continue;
        for (const Parameter* f : fields)
            f->set(m_image, m, f->get(m_image, channel)); // held to the member's own range
        changed.push_back(member);
    }
    return changed;
}

void EditService::noteOrigin(const Parameter& p, Channel channel) {
    if (!takesOffset(p))
        return;
    for (const Origin& o : m_origins)
        if (o.parameter == &p && o.channel == channel)
            return;
    m_origins.push_back({&p, channel, p.get(m_image, channel)});
}

std::int32_t EditService::takeOrigin(const Parameter& p, Channel channel) {
    for (auto it = m_origins.begin(); it != m_origins.end(); ++it)
        if (it->parameter == &p && it->channel == channel) {
            const std::int32_t code = it->code;
            m_origins.erase(it);
            return code;
        }
    // Written to the image by its caller (the readout's typed entry): the value the last
    // step left.
    return p.get(m_history.baseline(), channel);
}

std::vector<int> EditService::offsetMembers(const Parameter& p, Channel channel) {
    std::vector<int> changed;
    const std::int32_t move = p.get(m_image, channel) - takeOrigin(p, channel);
    if (channel.side == Side::Device)
        return changed;
    const LinkedChannels& group = m_links.of(channel);
    if (!group.links(*p.link))
        return changed;
    for (int member : group.members) {
        const Channel m{channel.side, member};
        if (member == channel.index || !p.existsOn(m))
            continue;
        // A member at the end of its range stays there; the others keep their offsets.
        p.set(m_image, m, p.get(m_image, m) + move);
        changed.push_back(member);
    }
    return changed;
}

std::vector<int> EditService::spread(const Parameter& p, Channel channel) {
    const std::vector<int> changed =
        m_keepOffsets && takesOffset(p) ? offsetMembers(p, channel) : copyToMembers(p, channel);
    if (!m_keepOffsets && takesOffset(p))
        takeOrigin(p, channel); // copied: the next move starts from here
    // Frames are built once every member holds the change: a frame that carries more than
    // its own channel (the phantom mask of "%O,") then reads the final state.
    if (online()) {
        std::vector<PacedSender::KeyedFrame> frames;
        Superseded older;
        for (int member : changed) {
            const Channel m{channel.side, member};
            frames.push_back({FrameKey(p, m), BuildParameterFrame(m_image, p, m)});
            older.add(m_bulk.discard(frames.back().key));
        }
        // The bulk sender's older copies are delivered when the member's frame goes out.
        m_linked.enqueueKeyed(std::move(frames), PausePlacement::BeforeEachFrame, kLinkedPause,
                              std::move(older));
    }
    return changed;
}

EditResult EditService::commitEffect(const Parameter& p, Channel channel) {
    EditResult result;
    if (!p.existsOn(channel))
        return result;
    result.status = EditResult::Status::Changed;
    sendNow(EffectFrameKey(p, channel), BuildEffectFrame(m_image, p, channel));
    closeStep();
    notify(&p, {channel});
    return result;
}

void EditService::resetEffect(const std::vector<FieldValue>& values, StepName name) {
    std::vector<std::pair<std::string, std::string>> frames; // key, frame; each group once
    std::vector<Channel> changed;
    for (const FieldValue& v : values) {
        if (!v.parameter || !v.parameter->existsOn(v.channel))
            continue;
        v.parameter->set(m_image, v.channel, v.code);
        if (std::find(changed.begin(), changed.end(), v.channel) == changed.end())
            changed.push_back(v.channel);
    }
    // Built once every field holds its value.
    for (const FieldValue& v : values) {
        if (!v.parameter || !v.parameter->effectFramedOn(v.channel))
            continue;
        std::string key = EffectFrameKey(*v.parameter, v.channel);
        if (std::none_of(frames.begin(), frames.end(),
                         [&](const auto& f) { return f.first == key; }))
            frames.emplace_back(std::move(key), BuildEffectFrame(m_image, *v.parameter, v.channel));
    }
    for (const auto& [key, frame] : frames)
        sendNow(key, frame);
    closeStep(std::move(name));
    notify(nullptr, std::move(changed));
}

void EditService::setName(Channel channel, const Name16& name) {
    if (!channel.valid() || channel.side == Side::Device)
        return;
    Name16& field = channel.isInput()
                        ? m_image.inputs[static_cast<std::size_t>(channel.index)].name
                        : m_image.outputs[static_cast<std::size_t>(channel.index)].name;
    field = name;
    if (online())
        m_bulk.enqueue({BuildV(m_image, WireSelector('V', channel), m_glyphs)},
                       PausePlacement::AfterEachFrame, kNamePause);
    closeStep();
    notify(nullptr, {channel});
}

namespace {
std::vector<std::string> levelFrames(const DeviceImage& image, const std::vector<int>& wire) {
    std::vector<std::string> frames;
    frames.reserve(wire.size());
    for (int ch : wire)
        frames.push_back(BuildA(image, ch));
    return frames;
}

std::vector<Channel> channelsOfWire(const std::vector<int>& wire) {
    std::vector<Channel> channels;
    for (int w : wire)
        channels.push_back(w >= kFirstOutputWire ? Channel::output(w - kFirstOutputWire)
                                                 : Channel::input(w - 1));
    return channels;
}
} // namespace

void EditService::switchMuteGroup(int group, bool on) {
    const std::vector<int> wire = SwitchMuteGroup(m_image, group, on);
    play(levelFrames(m_image, wire), PausePlacement::AfterEachFrame, kMuteGroupPause);
    if (group >= 1 && group <= kGroupCount)
        m_pendingMuteSwitch = {group, on};
    closeStep();
    notify(&Param(ParamKind::InMute), channelsOfWire(wire));
}

void EditService::clearAllMutes() {
    const std::vector<int> wire = ClearAllMutes(m_image);
    play(levelFrames(m_image, wire), PausePlacement::AfterEachFrame, kMuteGroupPause);
    closeStep();
    notify(&Param(ParamKind::InMute), channelsOfWire(wire));
}

void EditService::clearAllSolos() {
    ClearAllSolos(m_image);
    std::vector<Channel> channels;
    for (int ch = 0; ch < kInputCount; ++ch)
        channels.push_back(Channel::input(ch));
    closeStep();
    notify(&Param(ParamKind::InSolo), channels);
}

void EditService::switchControlGroup(int group, bool on) {
    const std::vector<StripGroupAssignment> assignments = SwitchControlGroup(m_image, group, on);
    ApplyGroupAssignments(m_links, assignments);
    std::vector<Channel> channels;
    for (const StripGroupAssignment& a : assignments)
        channels.push_back(a.output ? Channel::output(a.index) : Channel::input(a.index));
    closeStep();
    notify(nullptr, channels);
}

void EditService::play(std::vector<std::string> frames, PausePlacement placement, Millis pause) {
    if (!online())
        return;
    std::erase_if(frames, [](const std::string& f) { return f.empty(); });
    if (!frames.empty())
        m_bulk.enqueue(std::move(frames), placement, pause);
}

std::shared_ptr<const SequenceProgress>
EditService::playTimed(std::vector<PacedSender::TimedFrame> frames) {
    if (!online())
        return std::make_shared<const SequenceProgress>();
    return m_bulk.enqueueTimed(std::move(frames));
}

void EditService::commitModule(const std::vector<std::string>& frames, std::vector<Channel> changed,
                               StepName name) {
    if (online())
        for (const std::string& f : frames)
            if (!f.empty())
                m_sink.SendFrame(f);
    closeStep(std::move(name));
    notify(nullptr, std::move(changed));
}

std::vector<PacedSender::TimedFrame> EditService::moduleFrames(const ModuleReplay& module) const {
    std::vector<PacedSender::TimedFrame> frames;
    if (!module.frames)
        return frames;
    auto add = [&](Channel c, Millis before, Millis after) {
        std::vector<std::string> own = module.frames(m_image, c);
        std::erase_if(own, [](const std::string& f) { return f.empty(); });
        if (own.empty())
            return;
        // The pause before a member's first frame lengthens the one after the previous
        // frame.
        if (!frames.empty())
            frames.back().pauseAfter += before;
        for (std::string& f : own)
            frames.push_back({std::string(), std::move(f), after});
    };
    add(module.channel, Millis{0}, module.pause);
    for (int m : module.members)
        add(Channel{module.channel.side, m}, module.memberPause, module.memberFramePause);
    return frames;
}

std::vector<int> EditService::commitModuleEdit(Channel channel, const ModuleEdit& edit) {
    std::vector<int> members;
    if (!channel.valid() || channel.side == Side::Device)
        return members;
    const LinkedChannels& group = m_links.of(channel);
    if (edit.link && edit.copy && group.links(*edit.link))
        for (int m : group.members)
            if (m != channel.index) {
                edit.copy(m_image, channel, Channel{channel.side, m});
                members.push_back(m);
            }
    auto module = std::make_shared<ModuleReplay>();
    module->channel = channel;
    module->members = members;
    module->frames = edit.frames;
    module->pause = edit.pause;
    module->memberPause = edit.memberPause;
    module->memberFramePause = edit.memberFramePause.value_or(edit.pause);
    if (online() && edit.frames)
        m_bulk.enqueueTimed(moduleFrames(*module));
    std::vector<Channel> changed{channel};
    for (int m : members)
        changed.push_back(Channel{channel.side, m});
    // Inside a longer step (a DRAW stroke) the step holds more than the module: its undo
    // sends each changed field's frame instead.
    closeStep(edit.name, false, m_scopeDepth == 0 ? std::move(module) : nullptr);
    notify(nullptr, std::move(changed));
    return members;
}

void EditService::imageReplaced(StepName name) {
    m_origins.clear(); // no move spans a replaced image
    closeStep(std::move(name), true);
    notifyAll();
}

void EditService::notifyAll() {
    std::vector<Channel> all;
    for (int ch = 0; ch < kInputCount; ++ch)
        all.push_back(Channel::input(ch));
    for (int bus = 0; bus < kOutputCount; ++bus)
        all.push_back(Channel::output(bus));
    all.push_back(Channel::device());
    notify(nullptr, std::move(all));
}

bool EditService::sendNow(const std::string& key, const std::string& frame) {
    if (!online() || frame.empty())
        return false;
    Superseded older = discardQueued(key);
    const bool sent = m_sink.SendFrame(frame);
    older.settle(sent);
    return sent;
}

void EditService::deviceChanged() {
    closeStep();
    notify(nullptr, {Channel::device()});
}

Superseded EditService::discardQueued(const std::string& key) {
    Superseded older = m_linked.discard(key);
    older.add(m_bulk.discard(key));
    return older;
}

void EditService::notify(const Parameter* parameter, std::vector<Channel> channels) {
    // A copy: a listener may add or remove listeners.
    const std::vector<EditListener*> listeners = m_listeners;
    for (EditListener* l : listeners)
        l->edited(parameter, channels);
}

EditService::StepScope::StepScope(EditService& edits, StepName name, bool whole)
    : m_edits(edits), m_name(std::move(name)), m_whole(whole) {
    // What changed before the scope began is a step of its own.
    if (m_edits.m_scopeDepth++ == 0)
        m_edits.m_history.close(m_edits.m_image);
}

EditService::StepScope::~StepScope() {
    --m_edits.m_scopeDepth;
    if (!m_name.empty())
        m_edits.m_pendingName = std::move(m_name);
    m_edits.closeStep({}, m_whole);
}

void EditService::closeStep(StepName name, bool whole, std::shared_ptr<const ModuleReplay> module) {
    m_pendingWhole = m_pendingWhole || whole;
    if (m_pendingName.empty())
        m_pendingName = std::move(name);
    if (m_scopeDepth > 0)
        return;
    m_history.close(m_image, std::exchange(m_pendingName, {}), std::exchange(m_pendingWhole, false),
                    std::move(module), std::exchange(m_pendingMuteSwitch, {}));
}

void EditService::record(StepName name) {
    closeStep(std::move(name));
}

void EditService::deviceReported() {
    m_history.resync(m_image);
}

bool EditService::deviceReplaced() {
    m_pendingName = {};
    m_pendingWhole = false;
    m_pendingMuteSwitch = {};
    m_origins.clear();
    return m_history.clear(m_image);
}

EditService::UndoResult EditService::undo() {
    return replay(false);
}

EditService::UndoResult EditService::redo() {
    return replay(true);
}

EditService::UndoResult EditService::replay(bool redo) {
    UndoResult result;
    // An edit stored but not yet committed (a control still held) is a step of its own
    // first, so that undo takes back exactly what the operator sees last.
    closeStep();
    m_origins.clear();
    const EditStep* next = redo ? m_history.nextRedo() : m_history.nextUndo();
    if (!next)
        return result;
    // Groups the step switches off go off while the image still holds their members;
    // groups it switches on, once it holds the members they take.
    switchGroups(*next, redo, false);
    result.step = redo ? m_history.redo(m_image) : m_history.undo(m_image);
    switchGroups(*result.step, redo, true);
    result.muteGroup = result.step->muteSwitch.group;
    result.muteGroupOn = result.step->muteSwitch.on == redo;
    sendStep(*result.step, result);
    notifyAll();
    return result;
}

void EditService::switchGroups(const EditStep& step, bool redo, bool on) {
    for (const RecordChange& r : step.records)
        if (r.kind == RecordChange::Kind::ControlGroupActive &&
            ((redo ? r.after : r.before) != 0) == on)
            ApplyGroupAssignments(m_links, SwitchControlGroup(m_image, r.group + 1, on));
}

void EditService::sendStep(const EditStep& step, UndoResult& result) {
    if (!online())
        return;
    if (step.whole && m_wholeResend) {
        result.progress = m_bulk.enqueueTimed(m_wholeResend(m_image));
        m_lastWholeResend = result.progress;
        return;
    }
    if (step.module) {
        std::vector<PacedSender::TimedFrame> frames = moduleFrames(*step.module);
        if (!frames.empty())
            m_bulk.enqueueTimed(std::move(frames));
        return;
    }
    // Each frame the changed fields travel in, once, built now that the image holds every
    // field of the step (a band's four fields, a module's members).
    std::vector<PacedSender::KeyedFrame> frames;
    auto add = [&](std::string key, std::string text) {
        if (text.empty())
            return;
        for (const PacedSender::KeyedFrame& f : frames)
            if (!key.empty() && f.key == key)
                return;
        frames.push_back({std::move(key), std::move(text)});
    };
    for (const FieldChange& f : step.fields) {
        if (f.parameter->framedOn(f.channel))
            add(FrameKey(*f.parameter, f.channel),
                BuildParameterFrame(m_image, *f.parameter, f.channel));
        else if (f.parameter->effectFramedOn(f.channel))
            // A field only the effects page sends (an effect knob, a second level).
            add(EffectFrameKey(*f.parameter, f.channel),
                BuildEffectFrame(m_image, *f.parameter, f.channel));
    }
    for (const RecordChange& r : step.records)
        if (r.kind == RecordChange::Kind::MicUnit)
            add(UnitFrameKey(r.group + 1), BuildX(m_image, r.group + 1));
    if (!frames.empty()) {
        // The first at once, as a forward edit sends its own channel's frame; the rest
        // paced as a linked edit's members.
        Superseded first = discardQueued(frames.front().key);
        first.settle(m_sink.SendFrame(frames.front().text));
        frames.erase(frames.begin());
        if (!frames.empty()) {
            Superseded older;
            for (const PacedSender::KeyedFrame& f : frames)
                if (!f.key.empty())
                    older.add(m_bulk.discard(f.key));
            m_linked.enqueueKeyed(std::move(frames), PausePlacement::BeforeEachFrame, kLinkedPause,
                                  std::move(older));
        }
    }
    std::vector<std::string> names;
    for (const NameChange& n : step.names)
        if (!n.label)
            names.push_back(BuildV(m_image, WireSelector('V', n.channel), m_glyphs));
    if (!names.empty())
        m_bulk.enqueue(std::move(names), PausePlacement::AfterEachFrame, kNamePause);
}

} // namespace krm
