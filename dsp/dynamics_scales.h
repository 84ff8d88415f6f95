#pragma once
// Scales of the compressor, limiter and noise-gate parameters: threshold, ratio, make-up
// gain and times; the ratio set by dragging the compressor graph; the IN / GR / OUT meters.
// Codes outside their range are held to the range first. The knobs store their position as
// the code.
//
// Pure functions; callable from any thread.

#include "dsp/code_range.h"

#include <string>

namespace krm {

// Threshold (compressor, limiter, noise gate): code - 60 dB, -60..0 dB.
inline constexpr CodeRange kThresholdCodes{0, 60};
int thresholdDb(int code);
std::string thresholdText(int code); // "%d dB", e.g. "-60 dB"
// A threshold set by dragging its marker to input level x dB: trunc(x + 60).
int thresholdCodeFromDb(double thresholdDb);

// Ratio 1 : (code x 0.1), 1:1.0 .. 1:10.0.
inline constexpr CodeRange kRatioCodes{10, 100};
double ratioValue(int code);
std::string ratioText(int code); // "1:%0.1f " with its trailing blank, e.g. "1:1.0 "
// The ratio set by dragging the ratio marker to (markerX, markerY) dB while the threshold
// marker sits at (thresholdDb, thresholdDb): R = (markerX - T) / (markerY - T). R between 0
// and 1 counts as 1, R above 10 or below 0 and a segment without height as 10.
int ratioCodeFromMarkers(double thresholdDb, double markerX, double markerY);

// Make-up gain: code x 0.1 dB, 0.0..20.0 dB.
inline constexpr CodeRange kMakeupGainCodes{0, 200};
double makeupGainDb(int code);
std::string makeupGainText(int code); // "%0.1f dB"
// A make-up gain set by dragging: trunc(gainDb x 10).
int makeupGainCodeFromDb(double gainDb);

// Times in milliseconds.
inline constexpr CodeRange kCompAttackTimes{1, 250};
inline constexpr CodeRange kCompReleaseTimes{20, 250};
inline constexpr CodeRange kLimiterAttackTimes{1, 250};
inline constexpr CodeRange kLimiterReleaseTimes{1, 250};
inline constexpr CodeRange kGateAttackTimes{1, 250};
inline constexpr CodeRange kGateReleaseTimes{20, 250};
std::string timeText(int ms, CodeRange range); // "%d ms", ms held to range

// Meter bars of the dynamics and limiter editors. IN and OUT on the 0..60 scale of the
// thresholds (60 = 0 dB); the gain reduction in dB, 0 where the static curve takes nothing
// away (a make-up gain that lifts OUT above IN counts as none), drawn down from the top.
struct DynamicsMeters {
    double in = 0.0;
    double reduction = 0.0;
    double out = 0.0;
};
// level is the reported meter value (0..255, limited to 60); the codes are those of the
// compressor or limiter. A make-up gain can push OUT past 60: the bar stops at 60.
DynamicsMeters dynamicsMeters(int level, int thresholdCode, int ratioCode, int gainCode);

} // namespace krm
