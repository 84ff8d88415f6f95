#include "dsp/static_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace krm {
namespace {

TEST(StaticGainCurve, TwoToOneAtMinusThirty) {
    EXPECT_DOUBLE_EQ(staticGainCurve(-40.0, -30.0, 2.0, 0.0), -40.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-30.0, -30.0, 2.0, 0.0), -30.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-20.0, -30.0, 2.0, 0.0), -25.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(0.0, -30.0, 2.0, 0.0), -15.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(3.0, -30.0, 2.0, 0.0), 0.0);
}

TEST(StaticGainCurve, CompressedLineWithMakeupStopsAtZeroDb) {
    // T -30, 1:2, +20 dB: 5 + x/2 above the threshold, reaching 0 dB at -10 dB input.
    EXPECT_DOUBLE_EQ(staticGainCurve(-40.0, -30.0, 2.0, 20.0), -20.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-30.0, -30.0, 2.0, 20.0), -10.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-20.0, -30.0, 2.0, 20.0), -5.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-10.0, -30.0, 2.0, 20.0), 0.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-5.0, -30.0, 2.0, 20.0), 0.0);
}

TEST(StaticGainCurve, ThresholdPlusGainAboveZeroReadsZeroAboveThreshold) {
    // T -10, +15 dB: input + 15 up to -10 dB, then 0 dB.
    EXPECT_DOUBLE_EQ(staticGainCurve(-30.0, -10.0, 4.0, 15.0), -15.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-10.0, -10.0, 4.0, 15.0), 5.0);
    EXPECT_DOUBLE_EQ(staticGainCurve(-9.0, -10.0, 4.0, 15.0), 0.0);
}

TEST(StaticGainCurve, RatioOneIsStraightAndRatioZeroCountsAsOne) {
    for (double x = -60.0; x <= 0.0; x += 7.5) {
        EXPECT_DOUBLE_EQ(staticGainCurve(x, -30.0, 1.0, 0.0), x);
        // A record never loaded holds ratio code 0; that must not divide by zero.
        const double y = staticGainCurve(x, -30.0, 0.0, 0.0);
        EXPECT_TRUE(std::isfinite(y));
        EXPECT_DOUBLE_EQ(y, x);
    }
}

} // namespace
} // namespace krm
