#include "dsp/biquad.h"

#include <cmath>

namespace krm {
namespace {

// cos w and sin w of every grid point, computed once: the grid never changes.
struct GridTrig {
    Curve cosW{};
    Curve sinW{};
};

const GridTrig& gridTrig() {
    static const GridTrig trig = [] {
        GridTrig t;
        for (std::size_t i = 0; i < FrequencyGrid.size(); ++i) {
            const double w = FrequencyGrid[i] * kEval;
            t.cosW[i] = std::cos(w);
            t.sinW[i] = std::sin(w);
        }
        return t;
    }();
    return trig;
}

double boundedDb(double numerator, double denominator) {
    if (numerator == 0.0 && denominator == 0.0)
        return 0.0;
    const double db = 10.0 * std::log10(numerator / denominator);
    if (std::isnan(db))
        return 0.0;
    if (db < kResponseFloorDb)
        return kResponseFloorDb;
    if (db > kResponseCeilingDb)
        return kResponseCeilingDb;
    return db;
}

struct Normalised {
    double b0, b1, b2, a1, a2;
};

Normalised normalise(const Biquad& s) {
    return {s.b0 / s.a0, s.b1 / s.a0, s.b2 / s.a0, s.a1 / s.a0, s.a2 / s.a0};
}

double dbAt(const Normalised& n, std::size_t i, const GridTrig& trig) {
    const double c = trig.cosW[i];
    const double s = trig.sinW[i];
    // H(e^jw) multiplied by e^jw: same magnitude, simpler real and imaginary parts.
    const double nRe = n.b1 + (n.b0 + n.b2) * c;
    const double nIm = (n.b0 - n.b2) * s;
    const double dRe = n.a1 + (1.0 + n.a2) * c;
    const double dIm = (1.0 - n.a2) * s;
    // 20 log10 sqrt(x) == 10 log10 x.
    return boundedDb(nRe * nRe + nIm * nIm, dRe * dRe + dIm * dIm);
}

} // namespace

double biquadDbAt(const Biquad& section, int i) {
    return dbAt(normalise(section), static_cast<std::size_t>(i), gridTrig());
}

void addBiquadResponse(const Biquad& section, Curve& out) {
    const Normalised n = normalise(section);
    const GridTrig& trig = gridTrig();
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] += dbAt(n, i, trig);
}

} // namespace krm
