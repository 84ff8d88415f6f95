#include "editors/pages/effects_levels.h"

#include <algorithm>
#include <cmath>

namespace krm {

namespace {

constexpr int kTopCode = 70;
constexpr int kPowerCeiling = kTopCode + 1;

} // namespace

int effectLevelCode(int position) {
    const double power = std::pow(10.0, std::max(0, position) * 0.01);
    const int v = std::clamp(static_cast<int>(std::trunc(power)), 1, kPowerCeiling);
    return kPowerCeiling - v;
}

int effectLevelPosition(int code) {
    const int c = std::clamp(code, 0, kTopCode);
    // The smallest position whose power reaches 71 - c; the rule only ever lowers the code
    // as the position grows, so the first position at or below the code is the answer.
    int p = static_cast<int>(std::ceil(100.0 * std::log10(kPowerCeiling - c) - 1e-9));
    p = std::clamp(p, 0, kLevelPositions);
    while (p > 0 && effectLevelCode(p - 1) <= c)
        --p;
    while (p < kLevelPositions && effectLevelCode(p) > c)
        ++p;
    return p;
}

double effectMeterLevel(int raw) {
    if (raw <= 0)
        return 0.0;
    const double level = 20.0 * std::log10(raw * 0.021568627450980392) + 60.0;
    return std::clamp(level, 0.0, static_cast<double>(kTopCode));
}

double effectMeterBar(double level) {
    const double l = std::clamp(level, 0.0, static_cast<double>(kTopCode));
    return kLevelPositions - 100.0 * std::log10(kTopCode - l + 1.0);
}

} // namespace krm
