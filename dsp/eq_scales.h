#pragma once
// Scales of the equaliser and filter parameters: EQ band gain, frequency, Q, band shape and
// filter slope. Device code <-> value <-> display text, and control position <-> code.
// Codes outside their range (from a dump or a file) are held to the range first.
//
// Pure functions; callable from any thread.

#include "dsp/code_range.h"

#include <array>
#include <string>
#include <string_view>

namespace krm {

// EQ gain (PEQ bands and graphic-EQ bands): (code - 150) x 0.1 dB, -15.0..+15.0 dB. The
// PEQ gain knob runs over 0..300 and its position is the code.
inline constexpr CodeRange kEqGainCodes{0, 300};
inline constexpr int kEqGainZeroCode = 150;
double eqGainDb(int code);
std::string eqGainText(int code); // "%0.1fdB", e.g. "-15.0dB", "0.0dB"
// A gain set by dragging: trunc(gainDb x 10 + 150).
int eqGainCodeFromDb(double gainDb);
int eqGainCodeFromKnob(int position);
int eqGainKnobFromCode(int code);

// Frequencies are whole hertz. The frequency knobs run over 30..330, logarithmically:
// position p gives round(10^((p + 100) / 100)) Hz (30 -> 20 Hz, 330 -> 19953 Hz).
inline constexpr CodeRange kFrequencies{20, 20000};
inline constexpr CodeRange kFrequencyKnob{30, 330};
inline constexpr int kHighPassResetFrequency = 20;
inline constexpr int kLowPassResetFrequency = 20000;
std::string frequencyText(int hz); // "%dHz"
int frequencyFromKnob(int position);
// Position showing a stored frequency: trunc(100 log10 f - 100) (999 Hz -> 199), except
// that a frequency the knob itself produces returns to the position that produced it
// (1995 Hz -> 230, where plain truncation would give 229 and move the knob).
int knobFromFrequency(int hz);
// A frequency set by dragging a graph marker: the truncated integer, in 20..20000.
int frequencyFromGraph(double hz);

// Q: code x 0.1 (0.1..20.0). The Q knob runs over 0..199 and stores position + 1.
inline constexpr CodeRange kQCodes{1, 200};
inline constexpr CodeRange kQKnob{0, 199};
double qValue(int code);
double qInverse(int code);   // what the peaking response receives
std::string qText(int code); // "%0.2f", e.g. "2.00"
int qCodeFromKnob(int position);
int qKnobFromCode(int code);

// Band shape: 0 peaking, 1 low shelf, 2 high shelf (see EqShape in responses.h).
inline constexpr CodeRange kEqShapeCodes{0, 2};

// Filter slope: the code is the filter order n = 2..8, the slope 6n dB/Oct. The slope lists
// show "-12dB/Oct" .. "-48dB/Oct"; list index i stores code i + 2.
inline constexpr CodeRange kSlopeCodes{2, 8};
inline constexpr CodeRange kSlopeListIndexes{0, 6};
int slopeOrder(int code);
int slopeDbPerOctave(int code); // 12..48
const std::array<std::string_view, 7>& slopeLabels();
std::string slopeLabel(int code);
int slopeCodeFromListIndex(int index);
// Also the slope index 0..6 of the response math.
int slopeListIndexFromCode(int code);

} // namespace krm
