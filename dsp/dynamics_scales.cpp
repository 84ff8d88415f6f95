#include "dsp/dynamics_scales.h"

#include "dsp/static_curve.h"
#include "dsp/text_format.h"

#include <algorithm>

namespace krm {
namespace {

constexpr int kThresholdZeroCode = 60;
constexpr double kMeterTop = 60.0;

} // namespace

int thresholdDb(int code) {
    return kThresholdCodes.clamp(code) - kThresholdZeroCode;
}

std::string thresholdText(int code) {
    return integerText(thresholdDb(code)) + " dB";
}

int thresholdCodeFromDb(double thresholdDb) {
    return truncToCode(thresholdDb + kThresholdZeroCode, kThresholdCodes);
}

double ratioValue(int code) {
    return kRatioCodes.clamp(code) * 0.1;
}

std::string ratioText(int code) {
    return "1:" + decimalText(ratioValue(code), 1) + " ";
}

int ratioCodeFromMarkers(double thresholdDb, double markerX, double markerY) {
    const double dx = markerX - thresholdDb;
    const double dy = markerY - thresholdDb;
    double r = 10.0;
    if (dy != 0.0) {
        r = dx / dy;
        if (r < 0.0 || r > 10.0)
            r = 10.0;
        else if (r < 1.0)
            r = 1.0; // includes 0 (marker straight above or below the threshold)
    }
    return truncToCode(r * 10.0, kRatioCodes);
}

double makeupGainDb(int code) {
    return kMakeupGainCodes.clamp(code) * 0.1;
}

std::string makeupGainText(int code) {
    return decimalText(makeupGainDb(code), 1) + " dB";
}

int makeupGainCodeFromDb(double gainDb) {
    return truncToCode(gainDb * 10.0, kMakeupGainCodes);
}

std::string timeText(int ms, CodeRange range) {
    return integerText(range.clamp(ms)) + " ms";
}

DynamicsMeters dynamicsMeters(int level, int thresholdCode, int ratioCode, int gainCode) {
    const double in = std::clamp(level, 0, static_cast<int>(kMeterTop));
    const double out = staticGainCurve(in - kMeterTop, thresholdDb(thresholdCode),
                                       ratioValue(ratioCode), makeupGainDb(gainCode)) +
                       kMeterTop;
    // The reduction is what the curve takes from the input (60 - GR of the 0..60 scale,
    // where GR = OUT - IN + 60): at 1:1 the curve is the input itself and nothing is taken.
    return {in, std::clamp(in - out, 0.0, kMeterTop), std::clamp(out, 0.0, kMeterTop)};
}

} // namespace krm
