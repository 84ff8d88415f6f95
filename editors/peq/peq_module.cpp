#include "editors/peq/peq_module.h"

#include "dsp/eq_scales.h"
#include "model/parameter_frames.h"
#include "model/parameters.h"

namespace krm {

namespace {

constexpr std::array<int, kPeqLiveBands> kResetFrequencies{200, 500, 1000, 5000};
constexpr int kResetQCode = 20; // Q 2.0
constexpr int kResetSlope = 2;  // -12 dB/Oct

InputChannel& record(DeviceImage& image, Channel c) {
    return image.inputs[static_cast<std::size_t>(c.index)];
}

void addFrame(std::vector<std::string>& frames, const DeviceImage& image, const Parameter& p,
              Channel c) {
    std::string frame = BuildParameterFrame(image, p, c);
    if (!frame.empty())
        frames.push_back(std::move(frame));
}

void addBands(std::vector<std::string>& frames, const DeviceImage& image, Channel c) {
    for (int b = 0; b < kPeqLiveBands; ++b)
        addFrame(frames, image, Param(ParamKind::PeqGain, b), c);
}

void addFilters(std::vector<std::string>& frames, const DeviceImage& image, Channel c) {
    addFrame(frames, image, Param(ParamKind::LpfFreq), c);
    addFrame(frames, image, Param(ParamKind::HpfFreq), c);
}

} // namespace

void ResetPeqModule(InputChannel& channel) {
    for (int b = 0; b < kPeqLiveBands; ++b) {
        PeqBand& band = channel.peq[static_cast<std::size_t>(b)];
        band.freq = kResetFrequencies[static_cast<std::size_t>(b)];
        band.gain = kEqGainZeroCode;
        band.q = kResetQCode;
        band.type = 0;
    }
    channel.hpf.freq = kHighPassResetFrequency;
    channel.hpf.slope = kResetSlope;
    channel.hpf.enable = 0;
    channel.lpf.freq = kLowPassResetFrequency;
    channel.lpf.slope = kResetSlope;
    channel.lpf.enable = 0;
}

void CopyPeqModule(DeviceImage& image, Channel from, Channel to) {
    const InputChannel& src = record(image, from);
    InputChannel& dst = record(image, to);
    dst.peq = src.peq;
    dst.hpf = src.hpf;
    dst.lpf = src.lpf;
}

std::vector<std::string> PeqResetFrames(const DeviceImage& image, Channel channel) {
    std::vector<std::string> frames;
    addBands(frames, image, channel);
    addFilters(frames, image, channel);
    return frames;
}

std::vector<std::string> PeqBypassFrames(const DeviceImage& image, Channel channel) {
    std::vector<std::string> frames;
    addFilters(frames, image, channel);
    addBands(frames, image, channel);
    return frames;
}

void PeqBypassStore::toggle(InputChannel& channel, int input) {
    std::optional<Saved>& saved = m_saved.at(static_cast<std::size_t>(input));
    if (saved) {
        for (int b = 0; b < kPeqLiveBands; ++b)
            channel.peq[static_cast<std::size_t>(b)] = saved->bands[static_cast<std::size_t>(b)];
        channel.hpf = saved->hpf;
        channel.lpf = saved->lpf;
        saved.reset();
        return;
    }
    Saved s;
    for (int b = 0; b < kPeqLiveBands; ++b)
        s.bands[static_cast<std::size_t>(b)] = channel.peq[static_cast<std::size_t>(b)];
    s.hpf = channel.hpf;
    s.lpf = channel.lpf;
    saved = s;
    channel.hpf.enable = 0;
    channel.lpf.enable = 0;
    channel.hpf.freq = kHighPassResetFrequency;
    channel.lpf.freq = kLowPassResetFrequency;
    for (int b = 0; b < kPeqLiveBands; ++b)
        channel.peq[static_cast<std::size_t>(b)].gain = kEqGainZeroCode;
}

} // namespace krm
