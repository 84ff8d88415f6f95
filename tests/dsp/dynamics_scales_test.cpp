#include "dsp/dynamics_scales.h"
#include "dsp/static_curve.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

TEST(DynamicsScales, ThresholdRatioAndGainTexts) {
    EXPECT_EQ(thresholdText(0), "-60 dB");
    EXPECT_EQ(thresholdText(30), "-30 dB");
    EXPECT_EQ(thresholdText(60), "0 dB");
    EXPECT_EQ(thresholdText(75), "0 dB");
    EXPECT_EQ(thresholdDb(45), -15);
    EXPECT_EQ(ratioText(10), "1:1.0 "); // with its trailing blank
    EXPECT_EQ(ratioText(25), "1:2.5 ");
    EXPECT_EQ(ratioText(100), "1:10.0 ");
    EXPECT_EQ(ratioText(0), "1:1.0 ");
    EXPECT_DOUBLE_EQ(ratioValue(20), 2.0);
    EXPECT_EQ(makeupGainText(0), "0.0 dB");
    EXPECT_EQ(makeupGainText(155), "15.5 dB");
    EXPECT_EQ(makeupGainText(200), "20.0 dB");
    EXPECT_EQ(makeupGainText(-5), "0.0 dB");
}

TEST(DynamicsScales, TimesKeepTheirOwnRanges) {
    EXPECT_EQ(timeText(100, kCompAttackTimes), "100 ms");
    EXPECT_EQ(timeText(1, kCompReleaseTimes), "20 ms");   // the compressor stops at 20 ms
    EXPECT_EQ(timeText(1, kLimiterReleaseTimes), "1 ms"); // the limiter goes down to 1 ms
    EXPECT_EQ(timeText(300, kGateAttackTimes), "250 ms");
    EXPECT_EQ(timeText(0, kGateReleaseTimes), "20 ms");
}

TEST(DynamicsScales, DraggedThresholdAndGainAreTruncated) {
    EXPECT_EQ(thresholdCodeFromDb(-30.0), 30);
    EXPECT_EQ(thresholdCodeFromDb(-30.5), 29);
    EXPECT_EQ(thresholdCodeFromDb(-70.0), 0);
    EXPECT_EQ(thresholdCodeFromDb(4.0), 60);
    EXPECT_EQ(makeupGainCodeFromDb(15.04), 150);
    EXPECT_EQ(makeupGainCodeFromDb(-0.5), 0);
    EXPECT_EQ(makeupGainCodeFromDb(25.0), 200);
    EXPECT_EQ(makeupGainCodeFromDb(0.7), 7);
}

TEST(DynamicsScales, RatioFromTheDraggedMarker) {
    // Threshold at -30 dB; the ratio marker at 0 dB input.
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, 0.0), 10);     // 1:1.0
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, -15.0), 20);   // halfway: 1:2.0
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, -20.0), 30);   // 1:3.0
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, -30.0), 100);  // no height: 1:10
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, -33.0), 100);  // negative: 1:10
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, 0.0, -29.0), 100);  // 30 > 10: 1:10
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, -20.0, 0.0), 10);   // below 1: 1:1
    EXPECT_EQ(ratioCodeFromMarkers(-30.0, -30.0, -10.0), 10); // R = 0 is not a code
    EXPECT_EQ(ratioCodeFromMarkers(0.0, 0.0, 0.0), 100);
}

TEST(DynamicsScales, MetersShowTheStaticCurve) {
    // Full level, threshold -30 dB, 1:2, no make-up: OUT -15 dB, 15 dB of reduction.
    DynamicsMeters m = dynamicsMeters(60, 30, 20, 0);
    EXPECT_DOUBLE_EQ(m.in, 60.0);
    EXPECT_DOUBLE_EQ(m.out, 45.0);
    EXPECT_DOUBLE_EQ(m.reduction, 15.0);
    // Levels above 60 are limited to 60.
    m = dynamicsMeters(200, 30, 20, 0);
    EXPECT_DOUBLE_EQ(m.in, 60.0);
    EXPECT_DOUBLE_EQ(m.out, 45.0);
    // A record never loaded (ratio code 0) counts as 1:1 and takes nothing.
    m = dynamicsMeters(50, 30, 0, 0);
    EXPECT_DOUBLE_EQ(m.out, 50.0);
    EXPECT_DOUBLE_EQ(m.reduction, 0.0);
    // +20 dB of make-up lifts OUT by 20 (the bar stops at 60) and reduces nothing.
    m = dynamicsMeters(30, 60, 10, 200);
    EXPECT_DOUBLE_EQ(m.in, 30.0);
    EXPECT_DOUBLE_EQ(m.out, 50.0);
    EXPECT_DOUBLE_EQ(m.reduction, 0.0);
    m = dynamicsMeters(55, 60, 10, 200);
    EXPECT_DOUBLE_EQ(m.out, 60.0);
}

TEST(DynamicsScales, GainReductionFollowsTheRatioAboveTheThreshold) {
    // No make-up: above the threshold the curve keeps 1/R of the excess, so the reduction
    // is (in - T)(1 - 1/R); at or below the threshold, and at 1:1 everywhere, it is 0.
    struct Row {
        int level, thresholdCode, ratioCode;
        double reduction;
    };
    const Row rows[] = {
        {60, 30, 10, 0.0},  {45, 30, 10, 0.0}, {30, 30, 10, 0.0},   {0, 30, 10, 0.0},
        {60, 0, 10, 0.0},   {60, 60, 10, 0.0}, {60, 30, 20, 15.0},  {50, 30, 20, 10.0},
        {40, 30, 20, 5.0},  {30, 30, 20, 0.0}, {20, 30, 20, 0.0},   {60, 30, 40, 22.5},
        {46, 30, 40, 12.0}, {60, 50, 50, 8.0}, {60, 30, 100, 27.0}, {35, 30, 100, 4.5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "level " << r.level << " threshold code "
                                        << r.thresholdCode << " ratio code " << r.ratioCode);
        const DynamicsMeters m = dynamicsMeters(r.level, r.thresholdCode, r.ratioCode, 0);
        EXPECT_NEAR(m.reduction, r.reduction, 1e-9);
        // The bars agree with the curve the editor draws.
        const double curve = staticGainCurve(r.level - 60.0, thresholdDb(r.thresholdCode),
                                             ratioValue(r.ratioCode), 0.0);
        EXPECT_NEAR(m.out, curve + 60.0, 1e-9);
        EXPECT_NEAR(m.in - m.out, m.reduction, 1e-9);
    }
    // 1:1 with any make-up gain and threshold never shows a reduction.
    for (int level = 0; level <= 60; level += 5)
        for (int threshold = 0; threshold <= 60; threshold += 15)
            for (int gain : {0, 50, 200})
                EXPECT_EQ(dynamicsMeters(level, threshold, 10, gain).reduction, 0.0)
                    << level << " " << threshold << " " << gain;
}

} // namespace
} // namespace krm
