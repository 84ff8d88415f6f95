#include "dsp/eq_scales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace krm {
namespace {

TEST(EqGainScale, CodesReadInTenthsOfADbAroundCode150) {
    EXPECT_EQ(eqGainText(150), "0.0dB");
    EXPECT_EQ(eqGainText(0), "-15.0dB");
    EXPECT_EQ(eqGainText(300), "15.0dB");
    EXPECT_EQ(eqGainText(149), "-0.1dB");
    EXPECT_EQ(eqGainText(180), "3.0dB");
    EXPECT_EQ(eqGainText(-20), "-15.0dB"); // held to the range before showing
    EXPECT_EQ(eqGainText(999), "15.0dB");
    EXPECT_DOUBLE_EQ(eqGainDb(270), 12.0);
    EXPECT_EQ(eqGainCodeFromKnob(0), 0);
    EXPECT_EQ(eqGainCodeFromKnob(300), 300);
    EXPECT_EQ(eqGainCodeFromKnob(301), 300);
    for (int c = 0; c <= 300; ++c)
        EXPECT_EQ(eqGainCodeFromKnob(eqGainKnobFromCode(c)), c);
}

TEST(EqGainScale, DraggedGainsAreTruncated) {
    EXPECT_EQ(eqGainCodeFromDb(3.04), 180);  // trunc(180.4)
    EXPECT_EQ(eqGainCodeFromDb(-0.05), 149); // trunc(149.5)
    EXPECT_EQ(eqGainCodeFromDb(0.0), 150);
    EXPECT_EQ(eqGainCodeFromDb(-0.7), 143); // not 142 through binary rounding
    EXPECT_EQ(eqGainCodeFromDb(20.0), 300);
    EXPECT_EQ(eqGainCodeFromDb(-20.0), 0);
    EXPECT_EQ(eqGainCodeFromDb(NAN), 0);
    // Every code's own value maps back to the code.
    for (int c = 0; c <= 300; ++c)
        EXPECT_EQ(eqGainCodeFromDb(eqGainDb(c)), c) << "code " << c;
}

TEST(FrequencyKnob, EndsAndDecadesOfTheLogarithmicKnob) {
    EXPECT_EQ(frequencyFromKnob(30), 20);
    EXPECT_EQ(frequencyFromKnob(130), 200);
    EXPECT_EQ(frequencyFromKnob(230), 1995);
    EXPECT_EQ(frequencyFromKnob(330), 19953);
    EXPECT_EQ(frequencyFromKnob(200), 1000);
    EXPECT_EQ(frequencyFromKnob(0), 20); // positions are held to 30..330
    EXPECT_EQ(frequencyFromKnob(400), 19953);

    EXPECT_EQ(knobFromFrequency(999), 199); // truncation toward zero
    EXPECT_EQ(knobFromFrequency(1000), 200);
    EXPECT_EQ(knobFromFrequency(20), 30);
    EXPECT_EQ(knobFromFrequency(19953), 330);
    EXPECT_EQ(knobFromFrequency(20000), 330);
    EXPECT_EQ(knobFromFrequency(5), 30);
    EXPECT_EQ(knobFromFrequency(1250), 209);
    // 100 log10(1995) - 100 = 229.99: plain truncation would move the knob off 230.
    EXPECT_EQ(knobFromFrequency(1995), 230);
}

TEST(FrequencyKnob, EveryKnobPositionSurvivesARoundTrip) {
    std::set<int> seen;
    int shared = 0;
    for (int p = 30; p <= 330; ++p) {
        const int f = frequencyFromKnob(p);
        EXPECT_EQ(frequencyFromKnob(knobFromFrequency(f)), f) << "position " << p;
        // Near 20 Hz two positions round to the same whole hertz; the lower one is shown.
        if (!seen.insert(f).second)
            ++shared;
        else
            EXPECT_EQ(knobFromFrequency(f), p) << "position " << p;
    }
    EXPECT_EQ(shared, 10);
}

TEST(FrequencyScale, TextAndGraphValues) {
    EXPECT_EQ(frequencyText(1000), "1000Hz");
    EXPECT_EQ(frequencyText(20), "20Hz");
    EXPECT_EQ(frequencyText(25000), "20000Hz");
    EXPECT_EQ(frequencyFromGraph(999.9), 999);
    EXPECT_EQ(frequencyFromGraph(19953.7), 19953);
    EXPECT_EQ(frequencyFromGraph(5.0), 20);
    EXPECT_EQ(frequencyFromGraph(30000.0), 20000);
    EXPECT_EQ(kHighPassResetFrequency, 20);
    EXPECT_EQ(kLowPassResetFrequency, 20000);
}

TEST(QScale, CodesAndKnob) {
    EXPECT_EQ(qText(20), "2.00");
    EXPECT_DOUBLE_EQ(qInverse(20), 1.0 / 2.0);
    EXPECT_EQ(qText(1), "0.10");
    EXPECT_EQ(qText(200), "20.00");
    EXPECT_EQ(qText(0), "0.10"); // 0 would be a Q of zero
    EXPECT_EQ(qText(15), "1.50");
    EXPECT_EQ(qCodeFromKnob(0), 1);
    EXPECT_EQ(qCodeFromKnob(199), 200);
    EXPECT_EQ(qKnobFromCode(1), 0);
    EXPECT_EQ(qKnobFromCode(200), 199);
    for (int p = 0; p <= 199; ++p)
        EXPECT_EQ(qKnobFromCode(qCodeFromKnob(p)), p);
}

TEST(SlopeScale, CodesAreFilterOrders) {
    EXPECT_EQ(slopeLabel(8), "-48dB/Oct");
    EXPECT_EQ(slopeLabel(2), "-12dB/Oct");
    EXPECT_EQ(slopeLabel(5), "-30dB/Oct");
    EXPECT_EQ(slopeLabel(9), "-48dB/Oct");
    EXPECT_EQ(slopeLabel(0), "-12dB/Oct");
    EXPECT_EQ(slopeDbPerOctave(2), 12);
    EXPECT_EQ(slopeDbPerOctave(8), 48);
    EXPECT_EQ(slopeOrder(7), 7);
    EXPECT_EQ(slopeCodeFromListIndex(0), 2);
    EXPECT_EQ(slopeCodeFromListIndex(6), 8);
    for (int i = 0; i <= 6; ++i) {
        const int code = slopeCodeFromListIndex(i);
        EXPECT_EQ(slopeListIndexFromCode(code), i);
        EXPECT_EQ(slopeLabel(code), slopeLabels()[static_cast<std::size_t>(i)]);
        EXPECT_EQ(std::to_string(-slopeDbPerOctave(code)) + "dB/Oct", slopeLabel(code));
    }
}

} // namespace
} // namespace krm
