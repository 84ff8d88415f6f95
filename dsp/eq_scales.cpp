#include "dsp/eq_scales.h"

#include "dsp/text_format.h"

#include <cmath>

namespace krm {

double eqGainDb(int code) {
    return (kEqGainCodes.clamp(code) - kEqGainZeroCode) * 0.1;
}

std::string eqGainText(int code) {
    return decimalText(eqGainDb(code), 1) + "dB";
}

int eqGainCodeFromDb(double gainDb) {
    return truncToCode(gainDb * 10.0 + kEqGainZeroCode, kEqGainCodes);
}

int eqGainCodeFromKnob(int position) {
    return kEqGainCodes.clamp(position);
}

int eqGainKnobFromCode(int code) {
    return kEqGainCodes.clamp(code);
}

std::string frequencyText(int hz) {
    return integerText(kFrequencies.clamp(hz)) + "Hz";
}

int frequencyFromKnob(int position) {
    const int p = kFrequencyKnob.clamp(position);
    return static_cast<int>(std::lround(std::pow(10.0, (p + 100) / 100.0)));
}

int knobFromFrequency(int hz) {
    const int f = kFrequencies.clamp(hz);
    const int p = kFrequencyKnob.clamp(static_cast<int>(std::trunc(100.0 * std::log10(f) - 100.0)));
    // The knob rounds to whole hertz, so its own frequencies may sit just below the
    // logarithm of their position; give them their position back.
    if (frequencyFromKnob(p) != f && p < kFrequencyKnob.max && frequencyFromKnob(p + 1) == f)
        return p + 1;
    return p;
}

int frequencyFromGraph(double hz) {
    return truncToCode(hz, kFrequencies);
}

double qValue(int code) {
    return kQCodes.clamp(code) * 0.1;
}

double qInverse(int code) {
    return 1.0 / qValue(code);
}

std::string qText(int code) {
    return decimalText(qValue(code), 2);
}

int qCodeFromKnob(int position) {
    return kQKnob.clamp(position) + 1;
}

int qKnobFromCode(int code) {
    return kQCodes.clamp(code) - 1;
}

int slopeOrder(int code) {
    return kSlopeCodes.clamp(code);
}

int slopeDbPerOctave(int code) {
    return 6 * slopeOrder(code);
}

const std::array<std::string_view, 7>& slopeLabels() {
    static constexpr std::array<std::string_view, 7> labels = {
        "-12dB/Oct", "-18dB/Oct", "-24dB/Oct", "-30dB/Oct", "-36dB/Oct", "-42dB/Oct", "-48dB/Oct"};
    return labels;
}

std::string slopeLabel(int code) {
    return std::string(slopeLabels()[static_cast<std::size_t>(slopeListIndexFromCode(code))]);
}

int slopeCodeFromListIndex(int index) {
    return kSlopeListIndexes.clamp(index) + kSlopeCodes.min;
}

int slopeListIndexFromCode(int code) {
    return kSlopeCodes.clamp(code) - kSlopeCodes.min;
}

} // namespace krm
