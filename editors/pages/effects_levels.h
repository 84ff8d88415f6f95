#pragma once
// The arithmetic of the effects page's level knobs and meters. A level knob runs over
// positions 0 (top, +10 dB) to kLevelPositions (bottom, -60 dB) on a logarithmic rule; the
// meters show the device's raw meter value as a bar on the same 0..kLevelPositions scale.
// Pure functions, any thread.

namespace krm {

// From this position down every level knob stores code 0 (-60 dB).
inline constexpr int kLevelPositions = 186;

// The stored level code (0..70, c - 60 dB) of knob position p: 71 - trunc(10^(p / 100))
// with the power held to 1..71, so position 0 gives 70 and positions from 186 give 0.
int effectLevelCode(int position);
// The knob position that shows a stored code: the first position whose code is the code,
// or, for a code no position gives (near -60 dB the rule skips some), the first below it.
int effectLevelPosition(int code);
// The meter's level 0..70 for a raw meter value of the device:
// 20 log10(raw * 0.021568627450980392) + 60, limited to 0..70 (silence for raw <= 0).
double effectMeterLevel(int raw);
// The height of the meter bar for a level on the knob's scale: 186 - 100 log10(70 - level + 1).
double effectMeterBar(double level);

} // namespace krm
