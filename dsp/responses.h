#pragma once
// Magnitude responses of the device's processing sections on the frequency grid: peaking
// band, low and high shelf, and Butterworth high- and low-pass filters of seven slopes.
// Bilinear-transform biquads at 96 kHz with the device program's own constants.
//
// Pure functions; callable from any thread.

#include "dsp/biquad.h"

#include <array>
#include <string_view>

namespace krm {

// Shapes of an EQ band (the code stored in peq[b].type).
enum EqShape : int { ShapePeaking = 0, ShapeLowShelf = 1, ShapeHighShelf = 2 };

// Slope indexes 0..6 stand for -12..-48 dB/Oct (filter order slopeIndex + 2).
inline constexpr int kSlopeCount = 7;

// Peaking band at f0 (snapped to the nearest grid entry first), gain in dB, invQ = 1/Q.
// With Q = 1 the band reaches half its dB gain one octave either side of f0. invQ is held
// to 0..10 (Q of at least 0.1, the smallest the device stores), so Q = 0 cannot blow up.
Biquad peakingBiquad(double f0, double gainDb, double invQ);
void peakingResponse(double f0, double gainDb, double invQ, Curve& out);

// Shelf at f0 (not snapped), shape ShapeLowShelf or ShapeHighShelf; 0 dB gives the flat
// section. Any other shape gives the flat section too.
Biquad shelfBiquad(double f0, int shape, double gainDb);
void shelfResponse(double f0, int shape, double gainDb, Curve& out);

// The four cascaded sections of a Butterworth filter; places the order does not need are
// flat. slopeIndex outside 0..6 is held to the nearest end.
std::array<Biquad, 4> lowPassSections(double f0, int slopeIndex);
std::array<Biquad, 4> highPassSections(double f0, int slopeIndex);
void lowPassResponse(double f0, int slopeIndex, Curve& out);
void highPassResponse(double f0, int slopeIndex, Curve& out);

} // namespace krm
