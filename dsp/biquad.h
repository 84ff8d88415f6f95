#pragma once
// One second-order section (b0 b1 b2 / a0 a1 a2) and its magnitude on the frequency grid.
//
// Pure functions; callable from any thread.

#include "dsp/frequency_grid.h"

namespace krm {

struct Biquad {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a0 = 1.0;
    double a1 = 0.0;
    double a2 = 0.0;

    // The section that leaves the signal as it is (0 dB everywhere).
    static constexpr Biquad flat() { return Biquad{}; }
};

// Responses beyond these bounds (a zero of the numerator or denominator landing on a grid
// point) are reported at the bound, so sums of curves stay finite.
inline constexpr double kResponseFloorDb = -300.0;
inline constexpr double kResponseCeilingDb = 300.0;

// Magnitude in dB of the section at grid point i (0..240), evaluated at w = g[i] * kEval with
// the coefficients normalised by a0.
double biquadDbAt(const Biquad& section, int i);

// Adds the section's dB response at every grid point into out.
void addBiquadResponse(const Biquad& section, Curve& out);

} // namespace krm
