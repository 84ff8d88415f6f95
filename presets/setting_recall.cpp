#include "presets/setting_recall.h"

#include "model/frame_builders.h"
#include "model/parameter_frames.h"

#include <string>

namespace krm {

namespace {

constexpr Millis kStep{20};
constexpr Millis kUnitPause{100};
constexpr Millis kNamePause{150};

class SequenceBuilder {
public:
    // A frame of a channel's group, keyed as an edit of that group keys its own frame.
    void add(char letter, Channel channel, std::string text, Millis pause, int band = 0) {
        m_frames.push_back({FrameKey(letter, channel, band), std::move(text), pause});
    }
    // A frame outside the channels (units, the reports switch, the auto-mixer).
    void add(std::string key, std::string text, Millis pause) {
        m_frames.push_back({std::move(key), std::move(text), pause});
    }
    std::vector<PacedSender::TimedFrame> take() { return std::move(m_frames); }

private:
    std::vector<PacedSender::TimedFrame> m_frames;
};

} // namespace

std::vector<PacedSender::TimedFrame> SettingResendSequence(const DeviceImage& image,
                                                           const GlyphRenderer* glyphs) {
    SequenceBuilder s;
    // Link-control frames carry no group: nothing an edit sends replaces them.
    s.add(std::string(), BuildQ(0), kStep);
    for (int unit = 1; unit <= 6; ++unit)
        s.add(UnitFrameKey(unit), BuildX(image, unit), kUnitPause);
    for (int ch = 1; ch <= kFirstOutputWire + kOutputCount - 1; ++ch) {
        const Channel channel =
            ch < kFirstOutputWire ? Channel::input(ch - 1) : Channel::output(ch - kFirstOutputWire);
        s.add('V', channel, BuildV(image, ch, glyphs), kNamePause);
        s.add('A', channel, BuildA(image, ch), kStep);
    }
    for (int ch = 1; ch <= kInputCount; ++ch) {
        const Channel in = Channel::input(ch - 1);
        s.add('B', in, BuildB(image, ch), kStep);
        if (ch <= kMicInputCount) {
            s.add('C', in, BuildC(image, ch), kStep);
            s.add('E', in, BuildE(image, ch), kStep);
            s.add('F', in, BuildF(image, ch), kStep);
            s.add('L', in, BuildL(image, ch), kStep);
        }
        s.add('O', in, BuildO(image, ch), kStep);
    }
    for (int bus = 1; bus <= kOutputCount; ++bus) {
        const Channel out = Channel::output(bus - 1);
        s.add('D', out, BuildD(image, bus), kStep);
        s.add('H', out, BuildH(image, bus), kStep);
        s.add('I', out, BuildI(image, bus), kStep);
        s.add('J', out, BuildJ(image, bus), kStep);
        s.add('K', out, BuildK(image, bus), kStep);
        // A bus's "%L," is the auto-mixer frame of the input with the bus's number.
        s.add('L', Channel::input(bus - 1), BuildL(image, bus), kStep);
    }
    for (int ch = 1; ch <= kInputCount; ++ch) {
        const Channel in = Channel::input(ch - 1);
        for (int band = 1; band <= 4; ++band)
            s.add('G', in, BuildG(image, ch, band), kStep, band);
        // An input's "%I," is its aux sends (CH1..CH18); none above: skipped with its pause.
        s.add('I', in, BuildAuxSends(image, ch), kStep);
    }
    s.add(FrameKey('M', Channel::device()), BuildM(image), kStep);
    s.add(std::string(), BuildQ(1), kStep);
    return s.take();
}

Millis TotalPause(const std::vector<PacedSender::TimedFrame>& sequence) {
    Millis total{0};
    for (const PacedSender::TimedFrame& f : sequence)
        if (!f.text.empty())
            total += f.pauseAfter;
    return total;
}

SettingRecall::SettingRecall(DeviceSettings& settings, EditService& edits)
    : m_settings(&settings), m_edits(edits) {
    ProvideWholeResend(edits);
}

SettingRecall::SettingRecall(EditService& edits) : m_edits(edits) {
    ProvideWholeResend(edits);
}

void ProvideWholeResend(EditService& edits) {
    edits.setWholeResend([&edits](const DeviceImage& image) {
        return SettingResendSequence(image, edits.glyphRenderer());
    });
}

bool SettingRecall::running() const {
    return m_progress && !m_progress->finished();
}

int SettingRecall::total() const {
    return m_progress ? m_progress->total : 0;
}

int SettingRecall::sent() const {
    return m_progress ? m_progress->sent.load() : 0;
}

int SettingRecall::dropped() const {
    return m_progress ? m_progress->dropped.load() : 0;
}

int SettingRecall::superseded() const {
    return m_progress ? m_progress->superseded.load() : 0;
}

int SettingRecall::done() const {
    return m_progress ? m_progress->done() : 0;
}

SettingRecall::Start SettingRecall::start(std::string_view rowText) {
    m_error = {};
    if (running() || (m_otherBusy && m_otherBusy()))
        return Start::Busy;
    // Loaded into a copy first: a file that cannot be read leaves everything as it was,
    // the control groups too.
    DeviceImage loaded = m_edits.image();
    if (!m_settings) {
        m_error = {"No stored settings are available.", "没有可用的已存储设置。"};
        return Start::Failed;
    }
    if (!m_settings->load(rowText, loaded)) {
        m_error = m_settings->lastError();
        return Start::Failed;
    }
    const std::string row(rowText);
    return load(loaded, {"RECALL " + row, "调用 " + row}) ? Start::Sending : Start::Loaded;
}

SettingRecall::Start SettingRecall::send(const DeviceImage& settings, StepName name) {
    m_error = {};
    if (running() || (m_otherBusy && m_otherBusy()))
        return Start::Busy;
    return load(settings, std::move(name)) ? Start::Sending : Start::Loaded;
}

bool SettingRecall::load(DeviceImage loaded, StepName name) {
    // The groups switched off and the setting loaded are one step: undo brings back both.
    EditService::StepScope step(m_edits, std::move(name), true);
    for (int group = 1; group <= kGroupCount; ++group)
        m_edits.switchControlGroup(group, false);
    loaded.controlGroupActive = m_edits.image().controlGroupActive;
    m_edits.image() = loaded;
    m_progress.reset();
    if (m_edits.online())
        m_progress =
            m_edits.playTimed(SettingResendSequence(m_edits.image(), m_edits.glyphRenderer()));
    m_edits.imageReplaced();
    return m_progress != nullptr;
}

} // namespace krm
