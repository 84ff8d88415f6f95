#pragma once
// Scales of the channel strips: fader level, output delay, input source, input gain step
// and output line/microphone level. Codes outside their range are held to the range first.
//
// Pure functions; callable from any thread.

#include "dsp/code_range.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

// Fader level (inputs, outputs and sends): code - 60 dB, -60..+10 dB. The faders run over
// positions 0..70 with 70 at the bottom: code = 70 - position.
inline constexpr CodeRange kFaderCodes{0, 70};
inline constexpr CodeRange kFaderPositions{0, 70};
inline constexpr int kFaderZeroCode = 60; // 0 dB
int faderDb(int code);
std::string faderText(int code); // "%ddB", e.g. "10dB", "-60dB"
int faderCodeFromPosition(int position);
int faderPositionFromCode(int code);

// Output delay in half milliseconds: code x 0.5 ms, 0.0..100.0 ms.
inline constexpr CodeRange kDelayCodes{0, 200};
double delayMs(int code);
std::string delayText(int code); // "%0.1f ms", e.g. "0.5 ms"
// One entry per code 0..200; the list index is the code.
std::vector<std::string> delayListLabels();

// Input source: 0 analog, 1..4 Dante streams.
inline constexpr CodeRange kSourceCodes{0, 4};
const std::array<std::string_view, 5>& sourceLabels(); // "ANALOG", "D1" .. "D4"
std::string sourceLabel(int code);

// Input gain step: the code is an index into the list of the channel's kind (channel index
// 0..19: 0..15 are the microphone inputs CH1..CH16, 16..19 the line inputs CH17..CH20).
std::span<const std::string_view> inputGainLabels(int channelIndex);
CodeRange inputGainCodes(int channelIndex);
std::string inputGainText(int channelIndex, int code);

// Switches: 0 off, 1 on.
inline constexpr CodeRange kSwitchCodes{0, 1};

// Output level type: 1 = "LINE", 0 = "MIC" (the same in both languages).
std::string lineLevelText(int code);

} // namespace krm
