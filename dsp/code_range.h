#pragma once
// CodeRange: the legal range of one parameter's device code or control position, and the
// rounding rule by which a dragged or typed value becomes a code.
//
// Pure; callable from any thread.

#include <cmath>

namespace krm {

struct CodeRange {
    int min;
    int max;

    constexpr int clamp(int code) const { return code < min ? min : (code > max ? max : code); }
    constexpr bool contains(int code) const { return code >= min && code <= max; }
    constexpr int count() const { return max - min + 1; }
};

// trunc(value), toward zero, kept in range. Values a hair below a whole number through
// binary rounding (-0.7 * 10 + 150 = 142.99999999999997) count as that whole number, so a
// value the operator sees as -0.7 dB does not land one step low. NaN gives range.min.
inline int truncToCode(double value, CodeRange range) {
    if (std::isnan(value))
        return range.min;
    constexpr double kSlack = 1e-6;
    const double t = std::trunc(value + (value >= 0.0 ? kSlack : -kSlack));
    if (t <= range.min)
        return range.min;
    if (t >= range.max)
        return range.max;
    return static_cast<int>(t);
}

} // namespace krm
