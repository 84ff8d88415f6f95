#include "dsp/responses.h"

#include <algorithm>
#include <cmath>

namespace krm {
namespace {

// ln 2 as the device program writes it.
constexpr double kLn2 = 0.69314718;

// Shelf corner factors and slope: the device places its shelves a little off f0.
constexpr double kLowShelfFactor = 1.2727272727;
constexpr double kHighShelfFactor = 0.76923076923;
constexpr double kShelfSlope = 1.05;

// Damping d = 1/(2Q) per section, Q rounded to two decimals. Odd orders start with a
// first-order section (d = 1.0). A 0 marks an unused (flat) place.
struct SlopeDesign {
    bool firstOrderFirst;
    std::array<double, 4> d;
};

constexpr std::array<SlopeDesign, kSlopeCount> kLowPassDesign = {{
    {false, {0.70422535, 0, 0, 0}},
    {true, {1.0, 0.5, 0, 0}},
    {false, {0.92592593, 0.38167939, 0, 0}},
    {true, {1.0, 0.8064616129, 0.3086417953, 0}},
    {false, {0.96153846, 0.70422535211, 0.2590673575, 0}},
    {true, {1.0, 0.90909090909, 0.625, 0.2222222222}},
    {false, {0.98039216, 0.83333333, 0.55555556, 0.1953125}},
}};

// The high-pass table is the low-pass one except for the first -48 dB/Oct damping, which
// the device program carries with two digits swapped; the difference is below 1e-4 dB.
constexpr double kHighPass48FirstDamping = 0.98039126;

double gainFactor(double gainDb) {
    return std::pow(10.0, gainDb * 0.025);
}

double nonZero(double a0) {
    return a0 == 0.0 ? 1e-10 : a0;
}

enum class Pass { Low, High };

std::array<Biquad, 4> passSections(double f0, int slopeIndex, Pass pass) {
    const auto index = static_cast<std::size_t>(std::clamp(slopeIndex, 0, kSlopeCount - 1));
    SlopeDesign design = kLowPassDesign[index];
    if (pass == Pass::High && index == kSlopeCount - 1)
        design.d[0] = kHighPass48FirstDamping;

    const double w0 = f0 * kDesign;
    const double c0 = std::cos(w0);
    const double s0 = std::sin(w0);
    const double t = std::tan(w0 / 2.0);

    std::array<Biquad, 4> sections{};
    for (std::size_t k = 0; k < sections.size(); ++k) {
        const double d = design.d[k];
        if (d == 0.0)
            continue; // flat place
        Biquad& s = sections[k];
        if (k == 0 && design.firstOrderFirst) {
            if (pass == Pass::Low)
                s = {t, t, 0.0, nonZero(t + d), t - d, 0.0};
            else
                s = {1.0, -1.0, 0.0, nonZero(1.0 + t * d), t * d - 1.0, 0.0};
            continue;
        }
        const double h = d * s0;
        s.a0 = nonZero(1.0 + h);
        s.a1 = -2.0 * c0;
        s.a2 = 1.0 - h;
        if (pass == Pass::Low) {
            s.b0 = s.b2 = (1.0 - c0) / 2.0;
            s.b1 = 1.0 - c0;
        } else {
            s.b0 = s.b2 = (1.0 + c0) / 2.0;
            s.b1 = -(1.0 + c0);
        }
    }
    return sections;
}

bool isFlat(const Biquad& s) {
    return s.b0 == 1.0 && s.b1 == 0.0 && s.b2 == 0.0 && s.a0 == 1.0 && s.a1 == 0.0 && s.a2 == 0.0;
}

void cascadeResponse(const std::array<Biquad, 4>& sections, Curve& out) {
    out.fill(0.0);
    for (const Biquad& s : sections) {
        if (!isFlat(s)) // a flat place adds exactly 0 dB
            addBiquadResponse(s, out);
    }
}

} // namespace

Biquad peakingBiquad(double f0, double gainDb, double invQ) {
    const double snapped = FrequencyGrid[static_cast<std::size_t>(nearestGridIndex(f0))];
    const double w0 = snapped * kDesign;
    const double a = gainFactor(gainDb);
    const double q = std::isnan(invQ) ? 0.0 : std::clamp(invQ, 0.0, 10.0);
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(kLn2 * q * w0 / sinW0);
    const double c = -2.0 * std::cos(w0);
    return {1.0 + alpha * a, c, 1.0 - alpha * a, 1.0 + alpha / a, c, 1.0 - alpha / a};
}

void peakingResponse(double f0, double gainDb, double invQ, Curve& out) {
    out.fill(0.0);
    addBiquadResponse(peakingBiquad(f0, gainDb, invQ), out);
}

Biquad shelfBiquad(double f0, int shape, double gainDb) {
    if (gainDb == 0.0 || (shape != ShapeLowShelf && shape != ShapeHighShelf))
        return Biquad::flat();
    const double m = shape == ShapeLowShelf ? kLowShelfFactor : kHighShelfFactor;
    const double w0 = f0 * kDesign * m;
    const double a = gainFactor(gainDb);
    // Above about +-65 dB the root would turn negative; such gains never reach the device.
    const double root = std::sqrt(std::max(0.0, (a + 1.0 / a) * (1.0 / kShelfSlope - 1.0) + 2.0));
    const double alpha = std::sin(w0) / 2.0 * root;
    const double k = 2.0 * std::sqrt(a) * alpha;
    const double c0 = std::cos(w0);
    if (shape == ShapeLowShelf) {
        return {a * ((a + 1.0) - (a - 1.0) * c0 + k), 2.0 * a * ((a - 1.0) - (a + 1.0) * c0),
                a * ((a + 1.0) - (a - 1.0) * c0 - k), (a + 1.0) + (a - 1.0) * c0 + k,
                -2.0 * ((a - 1.0) + (a + 1.0) * c0),  (a + 1.0) + (a - 1.0) * c0 - k};
    }
    return {a * ((a + 1.0) + (a - 1.0) * c0 + k), -2.0 * a * ((a - 1.0) + (a + 1.0) * c0),
            a * ((a + 1.0) + (a - 1.0) * c0 - k), (a + 1.0) - (a - 1.0) * c0 + k,
            2.0 * ((a - 1.0) - (a + 1.0) * c0),   (a + 1.0) - (a - 1.0) * c0 - k};
}

void shelfResponse(double f0, int shape, double gainDb, Curve& out) {
    out.fill(0.0);
    addBiquadResponse(shelfBiquad(f0, shape, gainDb), out);
}

std::array<Biquad, 4> lowPassSections(double f0, int slopeIndex) {
    return passSections(f0, slopeIndex, Pass::Low);
}

std::array<Biquad, 4> highPassSections(double f0, int slopeIndex) {
    return passSections(f0, slopeIndex, Pass::High);
}

void lowPassResponse(double f0, int slopeIndex, Curve& out) {
    cascadeResponse(lowPassSections(f0, slopeIndex), out);
}

void highPassResponse(double f0, int slopeIndex, Curve& out) {
    cascadeResponse(highPassSections(f0, slopeIndex), out);
}

} // namespace krm
