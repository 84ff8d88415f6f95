#include "dsp/static_curve.h"

namespace krm {

double staticGainCurve(double inDb, double thresholdDb, double ratio, double makeupDb) {
    const double t = thresholdDb;
    const double g = makeupDb;
    const double r = ratio >= 1.0 ? ratio : 1.0; // also catches NaN
    if (inDb <= t)
        return inDb + g;
    if (t + g > 0.0)
        return 0.0;
    // The output at the threshold, continued with slope 1/r, meets 0 dB at input -k*r.
    const double k = t + g - t / r;
    if (k <= 0.0)
        return inDb <= 0.0 ? k + inDb / r : 0.0;
    return inDb <= -k * r ? k + inDb / r : 0.0;
}

} // namespace krm
