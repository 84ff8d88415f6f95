#include "presets/setting_recall.h"

#include "model/frame_builders.h"

#include <string>

namespace krm {

namespace {

constexpr Millis kStep{20};
constexpr Millis kUnitPause{100};
constexpr Millis kNamePause{150};

class SequenceBuilder {
public:
    void add(char letter, int selector, std::string text, Millis pause, int band = 0) {
        std::string key(1, letter);
        if (selector > 0)
            key += std::to_string(selector);
        if (band > 0)
            key += "." + std::to_string(band);
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
    s.add('Q', 0, BuildQ(0), kStep);
    for (int unit = 1; unit <= 6; ++unit)
        s.add('X', unit, BuildX(image, unit), kUnitPause);
    for (int ch = 1; ch <= kFirstOutputWire + kOutputCount - 1; ++ch) {
        s.add('V', ch, BuildV(image, ch, glyphs), kNamePause);
        s.add('A', ch, BuildA(image, ch), kStep);
    }
    for (int ch = 1; ch <= kInputCount; ++ch) {
        s.add('B', ch, BuildB(image, ch), kStep);
        if (ch <= kMicInputCount) {
            s.add('C', ch, BuildC(image, ch), kStep);
            s.add('E', ch, BuildE(image, ch), kStep);
            s.add('F', ch, BuildF(image, ch), kStep);
            s.add('L', ch, BuildL(image, ch), kStep);
        }
        s.add('O', ch, BuildO(image, ch), kStep);
    }
    for (int bus = 1; bus <= kOutputCount; ++bus) {
        s.add('D', bus, BuildD(image, bus), kStep);
        s.add('H', bus, BuildH(image, bus), kStep);
        s.add('I', bus, BuildI(image, bus), kStep);
        s.add('J', bus, BuildJ(image, bus), kStep);
        s.add('K', bus, BuildK(image, bus), kStep);
        s.add('L', bus, BuildL(image, bus), kStep);
    }
    for (int ch = 1; ch <= kInputCount; ++ch) {
        for (int band = 1; band <= 4; ++band)
            s.add('G', ch, BuildG(image, ch, band), kStep, band);
        // An input's "%I," is its aux sends (CH1..CH18); none above: skipped with its pause.
        s.add('I', ch, BuildAuxSends(image, ch), kStep);
    }
    s.add('M', 0, BuildM(image), kStep);
    s.add('Q', 0, BuildQ(1), kStep);
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
    : m_settings(settings), m_edits(edits) {}

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

SettingRecall::Start SettingRecall::start(std::string_view rowText) {
    m_error = {};
    if (running() || (m_otherBusy && m_otherBusy()))
        return Start::Busy;
    // Loaded into a copy first: a file that cannot be read leaves everything as it was,
    // the control groups too.
    DeviceImage loaded = m_edits.image();
    if (!m_settings.load(rowText, loaded)) {
        m_error = m_settings.lastError();
        return Start::Failed;
    }
    for (int group = 1; group <= kGroupCount; ++group)
        m_edits.switchControlGroup(group, false);
    loaded.controlGroupActive = m_edits.image().controlGroupActive;
    m_edits.image() = loaded;
    m_progress.reset();
    if (m_edits.online())
        m_progress =
            m_edits.playTimed(SettingResendSequence(m_edits.image(), m_edits.glyphRenderer()));
    m_edits.imageReplaced();
    return m_progress ? Start::Sending : Start::Loaded;
}

} // namespace krm
