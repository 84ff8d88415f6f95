#include "dsp/frequency_grid.h"

#include <gtest/gtest.h>

#include <cmath>

namespace krm {
namespace {

TEST(FrequencyGrid, KeepsItsIrregularEntries) {
    ASSERT_EQ(FrequencyGrid.size(), 241u);
    EXPECT_DOUBLE_EQ(FrequencyGrid[0], 19.71);
    EXPECT_DOUBLE_EQ(FrequencyGrid[76], 179.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[77], 182.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[112], 500.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[136], 1000.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[160], 2000.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[192], 5000.0);
    EXPECT_DOUBLE_EQ(FrequencyGrid[240], 20000.0);
    double sum = 0.0;
    double logSum = 0.0;
    for (std::size_t i = 0; i < FrequencyGrid.size(); ++i) {
        sum += FrequencyGrid[i];
        logSum += std::log10(FrequencyGrid[i]);
        if (i > 0) {
            EXPECT_GT(FrequencyGrid[i], FrequencyGrid[i - 1]) << "index " << i;
        }
    }
    // Sums over the whole device table, taken in Python: one mistyped entry anywhere shows.
    EXPECT_NEAR(sum, 707255.59, 1e-6);
    EXPECT_NEAR(logSum, 674.638465671694, 1e-9);
    // The design constant is the evaluation constant cut to seven digits, not the same.
    EXPECT_NE(kDesign, kEval);
    EXPECT_NEAR(kDesign, kEval, 5e-12); // within half a unit of the seventh digit
}

TEST(NearestGridIndex, SnapsToNearestEntryAndSendsExactTiesUp) {
    EXPECT_EQ(nearestGridIndex(1000.0), 136);
    EXPECT_EQ(nearestGridIndex(1010.0), 136);
    EXPECT_EQ(nearestGridIndex(1014.9), 136);
    EXPECT_EQ(nearestGridIndex(1015.0), 137); // 1030 - 1015 == 1015 - 1000: tie goes up
    EXPECT_EQ(nearestGridIndex(1016.0), 137);
    EXPECT_EQ(nearestGridIndex(180.5), 77); // tie between 179 and 182
    EXPECT_EQ(nearestGridIndex(180.4), 76);
    for (int i = 0; i < kGridSize; ++i)
        EXPECT_EQ(nearestGridIndex(FrequencyGrid[static_cast<std::size_t>(i)]), i);
}

TEST(NearestGridIndex, HoldsFrequenciesOffTheGridToItsEnds) {
    EXPECT_EQ(nearestGridIndex(0.0), 0);
    EXPECT_EQ(nearestGridIndex(-5.0), 0);
    EXPECT_EQ(nearestGridIndex(19.0), 0);
    EXPECT_EQ(nearestGridIndex(19999.0), 240);
    EXPECT_EQ(nearestGridIndex(20001.0), 240);
    EXPECT_EQ(nearestGridIndex(96000.0), 240);
}

} // namespace
} // namespace krm
