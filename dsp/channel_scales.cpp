#include "dsp/channel_scales.h"

#include "dsp/text_format.h"

#include <array>

namespace krm {
namespace {

constexpr int kMicInputs = 16; // CH1..CH16

constexpr std::array<std::string_view, 4> kMicGainLabels = {"15 dB", "25 dB", "35 dB", "45 dB"};
constexpr std::array<std::string_view, 2> kLineGainLabels = {"0 dB", "10 dB"};

bool isMicChannel(int channelIndex) {
    return channelIndex < kMicInputs;
}

} // namespace

int faderDb(int code) {
    return kFaderCodes.clamp(code) - kFaderZeroCode;
}

std::string faderText(int code) {
    return integerText(faderDb(code)) + "dB";
}

int faderCodeFromPosition(int position) {
    return kFaderCodes.max - kFaderPositions.clamp(position);
}

int faderPositionFromCode(int code) {
    return kFaderPositions.max - kFaderCodes.clamp(code);
}

double delayMs(int code) {
    return kDelayCodes.clamp(code) * 0.5;
}

std::string delayText(int code) {
    return decimalText(delayMs(code), 1) + " ms";
}

std::vector<std::string> delayListLabels() {
    std::vector<std::string> labels;
    labels.reserve(static_cast<std::size_t>(kDelayCodes.count()));
    for (int code = kDelayCodes.min; code <= kDelayCodes.max; ++code)
        labels.push_back(delayText(code));
    return labels;
}

const std::array<std::string_view, 5>& sourceLabels() {
    static constexpr std::array<std::string_view, 5> labels = {"ANALOG", "D1", "D2", "D3", "D4"};
    return labels;
}

std::string sourceLabel(int code) {
    return std::string(sourceLabels()[static_cast<std::size_t>(kSourceCodes.clamp(code))]);
}

std::span<const std::string_view> inputGainLabels(int channelIndex) {
    if (isMicChannel(channelIndex))
        return kMicGainLabels;
    return kLineGainLabels;
}

CodeRange inputGainCodes(int channelIndex) {
    return {0, static_cast<int>(inputGainLabels(channelIndex).size()) - 1};
}

std::string inputGainText(int channelIndex, int code) {
    const int index = inputGainCodes(channelIndex).clamp(code);
    return std::string(inputGainLabels(channelIndex)[static_cast<std::size_t>(index)]);
}

std::string lineLevelText(int code) {
    return code != 0 ? "LINE" : "MIC";
}

} // namespace krm
