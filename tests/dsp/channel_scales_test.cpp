#include "dsp/channel_scales.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

TEST(FaderScale, PositionsRunFromPlusTenAtTheTopToMinusSixty) {
    EXPECT_EQ(faderCodeFromPosition(0), 70); // top
    EXPECT_EQ(faderCodeFromPosition(70), 0); // bottom
    EXPECT_EQ(faderCodeFromPosition(-4), 70);
    EXPECT_EQ(faderText(faderCodeFromPosition(0)), "10dB");
    EXPECT_EQ(faderText(faderCodeFromPosition(70)), "-60dB");
    EXPECT_EQ(faderText(60), "0dB");
    EXPECT_EQ(faderText(90), "10dB");
    EXPECT_EQ(faderDb(30), -30);
    for (int p = 0; p <= 70; ++p)
        EXPECT_EQ(faderPositionFromCode(faderCodeFromPosition(p)), p);
}

TEST(DelayScale, HalfMillisecondCodes) {
    EXPECT_EQ(delayText(0), "0.0 ms");
    EXPECT_EQ(delayText(1), "0.5 ms");
    EXPECT_EQ(delayText(7), "3.5 ms");
    EXPECT_EQ(delayText(199), "99.5 ms");
    EXPECT_EQ(delayText(200), "100.0 ms");
    EXPECT_EQ(delayText(250), "100.0 ms");
    EXPECT_DOUBLE_EQ(delayMs(3), 1.5);
    // Every code 0..200 has its entry, so a stored 200 can be selected.
    const auto list = delayListLabels();
    ASSERT_EQ(list.size(), 201u);
    EXPECT_EQ(list.front(), "0.0 ms");
    EXPECT_EQ(list[7], "3.5 ms");
    EXPECT_EQ(list.back(), "100.0 ms");
}

TEST(ChannelLists, SourceAndLineLevel) {
    ASSERT_EQ(sourceLabels().size(), 5u);
    EXPECT_EQ(sourceLabel(0), "ANALOG");
    EXPECT_EQ(sourceLabel(2), "D2");
    EXPECT_EQ(sourceLabel(4), "D4");
    EXPECT_EQ(sourceLabel(7), "D4");
    EXPECT_EQ(lineLevelText(1), "LINE");
    EXPECT_EQ(lineLevelText(0), "MIC");
}

TEST(ChannelLists, InputGainStepsDependOnTheChannelKind) {
    // CH1 and CH16 are microphone inputs.
    for (int ch : {0, 15}) {
        const auto labels = inputGainLabels(ch);
        ASSERT_EQ(labels.size(), 4u);
        EXPECT_EQ(labels[0], "15 dB");
        EXPECT_EQ(labels[3], "45 dB");
        EXPECT_EQ(inputGainCodes(ch).max, 3);
    }
    // CH17 and CH20 are line inputs with two steps only.
    for (int ch : {16, 19}) {
        const auto labels = inputGainLabels(ch);
        ASSERT_EQ(labels.size(), 2u);
        EXPECT_EQ(labels[0], "0 dB");
        EXPECT_EQ(labels[1], "10 dB");
        EXPECT_EQ(inputGainCodes(ch).max, 1);
    }
    EXPECT_EQ(inputGainText(17, 1), "10 dB"); // CH18
    EXPECT_EQ(inputGainText(0, 1), "25 dB");  // CH1
    EXPECT_EQ(inputGainText(17, 3), "10 dB"); // out of range on a line input
    EXPECT_EQ(inputGainText(2, 2), "35 dB");
}

} // namespace
} // namespace krm
