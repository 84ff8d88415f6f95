#include "dsp/automix_scales.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

TEST(AutoMixLists, HoldTimeInFiftyMillisecondSteps) {
    const auto list = holdTimeLabels();
    ASSERT_EQ(list.size(), 100u);
    EXPECT_EQ(list.front(), "50 ms");
    EXPECT_EQ(list[1], "100 ms");
    EXPECT_EQ(list.back(), "5000 ms");
    EXPECT_EQ(holdTimeCodeFromListIndex(99), 100); // 5000 ms stores 100
    EXPECT_EQ(holdTimeCodeFromListIndex(0), 1);
    EXPECT_EQ(holdTimeMs(100), 5000);
    EXPECT_EQ(holdTimeListIndexFromCode(100), 99);
    EXPECT_EQ(holdTimeListIndexFromCode(1), 0);
    // A hold time of 0 was never set: the list keeps what it shows.
    EXPECT_FALSE(holdTimeListIndexFromCode(0).has_value());
    EXPECT_EQ(holdTimeText(3), "150 ms");
}

TEST(AutoMixLists, MaxOpenAndNom) {
    const auto open = maxOpenLabels();
    ASSERT_EQ(open.size(), 16u);
    EXPECT_EQ(open.front(), "1");
    EXPECT_EQ(open.back(), "16");
    EXPECT_EQ(maxOpenCodeFromListIndex(15), 16);
    EXPECT_EQ(maxOpenListIndexFromCode(1), 0);

    const auto nom = nomAttnLabels();
    ASSERT_EQ(nom.size(), 11u);
    EXPECT_EQ(nom.front(), "-10 dB");
    EXPECT_EQ(nom[7], "-3 dB");
    EXPECT_EQ(nom.back(), "0 dB");
    EXPECT_EQ(nomAttnCodeFromListIndex(7), 27); // -3 dB, sent as 1B
    EXPECT_EQ(nomAttnDb(27), -3);
    EXPECT_EQ(nomAttnListIndexFromCode(27), 7);
    // A dump may hold 0..19 (only 0..30 is enforced); the list index stays inside the list.
    EXPECT_EQ(nomAttnListIndexFromCode(5), 0);
    EXPECT_EQ(nomAttnListIndexFromCode(31), 10);
}

TEST(AutoMixLists, ClosedAttenuationAndChannelLevels) {
    const auto closed = closedAttnLabels();
    ASSERT_EQ(closed.size(), 61u);
    EXPECT_EQ(closed.front(), "-60 dB");
    EXPECT_EQ(closed.back(), "0 dB");
    EXPECT_EQ(closedAttnCodeFromListIndex(0), 0);
    EXPECT_EQ(closedAttnDb(0), -60);
    EXPECT_EQ(closedAttnListIndexFromCode(45), 45);

    const auto levels = autoMixLevelLabels();
    ASSERT_EQ(levels.size(), 81u);
    EXPECT_EQ(levels.front(), "-80 dB");
    EXPECT_EQ(levels[60], "-20 dB");
    EXPECT_EQ(levels.back(), "0 dB");
    EXPECT_EQ(autoMixLevelCodeFromListIndex(60), 60);
    EXPECT_EQ(autoMixLevelText(60), "-20 dB");
    EXPECT_EQ(autoMixLevelListIndexFromCode(200), 80);
    EXPECT_EQ(thresholdCompText(12), "12 dB");
    for (int i = 0; i <= 80; ++i)
        EXPECT_EQ(autoMixLevelListIndexFromCode(autoMixLevelCodeFromListIndex(i)), i);
}

} // namespace
} // namespace krm
