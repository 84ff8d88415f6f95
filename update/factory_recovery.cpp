#include "update/factory_recovery.h"

#include "presets/setting_recall.h"

#include <cstdio>

namespace krm {

namespace {

constexpr std::array<std::int32_t, 4> kFactoryPeqFreqs{200, 500, 1000, 5000};

void WriteFactoryInput(InputChannel& in, int index, bool chinese) {
    for (std::size_t b = 0; b < kPeqBands; ++b) {
        PeqBand& band = in.peq[b];
        if (b < kFactoryPeqFreqs.size())
            band.freq = kFactoryPeqFreqs[b];
        band.gain = 150;
        band.q = 20;
        band.spare1 = 0;
        band.spare2 = 0;
        band.type = 0;
    }
    in.peqEnable = 1;
    in.hpf = PassFilter{20, 2, 2, 0};
    in.lpf = PassFilter{20000, 2, 2, 0};
    in.mute = 0;
    const bool mic = IsMicInput(index);
    in.gain = mic ? 60 : 0;
    in.phantom = 1;
    in.autoMixPriority = 0;
    in.source = 0;
    in.inputGain = mic ? 2 : 0;
    in.autoMixLevel = 35;
    in.comp = Dynamics{0, 30, 100, 100, 0, 10};
    in.gate.enable = 0;
    in.matrix.fill(1);
    if (chinese) {
        char text[32];
        std::snprintf(text, sizeof text, "\xCD\xA8\xB5\xC0% d", index + 1); // "通道" in GBK
        in.name = Name16::fromGbk(text);
    } else {
        in.name = DefaultInputName(index);
    }
}

void WriteFactoryOutput(OutputChannel& out, int index) {
    for (GeqBand& band : out.geq)
        band = GeqBand{150, 0, 25, 0, 0, 0};
    out.geqEnable = 0;
    out.mute = 0;
    out.gain = 0;
    out.delay = 0;
    out.lineLevel = 1;
    out.outK = 0;
    out.limiter = Dynamics{0, 30, 100, 100, 0, 10};
    out.name = DefaultOutputName(index);
}

} // namespace

void WriteFactoryValues(DeviceImage& image, bool chinese) {
    for (MicUnit& unit : image.micUnits)
        unit.fill(0);
    image.muteGroups = {};
    image.controlGroups = {};
    image.controlGroupActive = {};
    image.activeMuteGroup = 0;
    for (int c = 0; c < kInputCount; ++c) {
        InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
        WriteFactoryInput(in, c, chinese);
        in.number = c;
    }
    for (int o = 0; o < kOutputCount; ++o) {
        OutputChannel& out = image.outputs[static_cast<std::size_t>(o)];
        WriteFactoryOutput(out, o);
        out.number = o;
    }
    image.autoMixMode = 0;
    image.maxOpenCh = 1;
    image.lastHold = 1;
    image.holdTime = 1;
    image.closedAttn = 0;
    image.nomAttn = 27;
    image.autoMixSync = 1;
}

FactoryRecovery::FactoryRecovery(EditService& edits, std::function<bool()> otherBusy)
    : m_edits(edits), m_otherBusy(std::move(otherBusy)) {}

bool FactoryRecovery::running() const {
    return m_progress && !m_progress->finished();
}

int FactoryRecovery::total() const {
    return m_progress ? m_progress->total : 0;
}

int FactoryRecovery::sent() const {
    return m_progress ? m_progress->sent.load() : 0;
}

int FactoryRecovery::dropped() const {
    return m_progress ? m_progress->dropped.load() : 0;
}

int FactoryRecovery::superseded() const {
    return m_progress ? m_progress->superseded.load() : 0;
}

int FactoryRecovery::done() const {
    return m_progress ? m_progress->done() : 0;
}

FactoryRecovery::Start FactoryRecovery::start(bool chinese) {
    if (running() || (m_otherBusy && m_otherBusy()))
        return Start::Busy;
    // Through the edit service, so the strips' linked-channel table forgets the groups too;
    // one step with the values written, which undo takes back whole.
    EditService::StepScope step(m_edits, {"RECOVERY", "恢复出厂"}, true);
    for (int group = 1; group <= kGroupCount; ++group)
        m_edits.switchControlGroup(group, false);
    WriteFactoryValues(m_edits.image(), chinese);
    m_progress.reset();
    // The device takes a factory reset in exactly the order of a setting's resend.
    if (m_edits.online())
        m_progress =
            m_edits.playTimed(SettingResendSequence(m_edits.image(), m_edits.glyphRenderer()));
    m_edits.imageReplaced();
    return m_progress ? Start::Sending : Start::Written;
}

} // namespace krm
