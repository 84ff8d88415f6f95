#include "dsp/response_graph.h"

#include "dsp/responses.h"

#include <gtest/gtest.h>

#include <cmath>

namespace krm {
namespace {

constexpr int k1000 = 136;

// The PEQ editor's layout: bands 1..4 in slots 0..3, high-pass in 4, low-pass in 5.
void fillPeq(ResponseGraph& g) {
    g.setSlotCount(6);
    g.setEqBand(0, 200, 180, 20, ShapeLowShelf);   // +3 dB low shelf
    g.setEqBand(1, 500, 120, 10, ShapePeaking);    // -3 dB, Q 1
    g.setEqBand(2, 1000, 270, 10, ShapePeaking);   // +12 dB, Q 1
    g.setEqBand(3, 5000, 100, 40, ShapeHighShelf); // -5 dB high shelf
    g.setPassFilter(4, kSlotHighPass, 1, 80, 4);   // -24 dB/Oct
    g.setPassFilter(5, kSlotLowPass, 1, 12000, 3); // -18 dB/Oct
}

TEST(ResponseGraph, StartsWithTheDefaults) {
    const ResponseGraph g;
    EXPECT_EQ(g.slotCount(), 4);
    EXPECT_DOUBLE_EQ(g.axes().xMin, 20.0);
    EXPECT_DOUBLE_EQ(g.axes().xMax, 20000.0);
    EXPECT_DOUBLE_EQ(g.axes().yMin, 0.0);
    EXPECT_DOUBLE_EQ(g.axes().yMax, 100.0);
    EXPECT_EQ(g.plotMode(), kPlotFrequencyResponse);
    EXPECT_TRUE(g.framed());
    EXPECT_DOUBLE_EQ(g.grid()[136], 1000.0);
}

TEST(ResponseGraph, SetsSlotsFromDeviceCodes) {
    ResponseGraph g;
    fillPeq(g);
    EXPECT_EQ(g.slot(2).kind, kSlotEqBand);
    EXPECT_DOUBLE_EQ(g.slot(2).gainDb, 12.0);
    EXPECT_DOUBLE_EQ(g.slot(2).param, 1.0);
    EXPECT_EQ(g.slot(0).eqShape, ShapeLowShelf);
    EXPECT_EQ(g.slot(4).kind, kSlotHighPass);
    EXPECT_EQ(g.slot(4).enabled, 1);
    EXPECT_DOUBLE_EQ(g.slot(4).param, 2.0); // slope code 4 -> -24 dB/Oct, index 2
    EXPECT_DOUBLE_EQ(g.slot(5).param, 1.0);
    g.setPassFilter(5, kSlotLowPass, 1, 30000, 9); // out-of-range codes are held
    EXPECT_DOUBLE_EQ(g.slot(5).freq, 20000.0);
    EXPECT_DOUBLE_EQ(g.slot(5).param, 6.0);
    EXPECT_THROW(g.slot(ResponseGraph::kMaxSlots), std::out_of_range);
}

TEST(ResponseGraph, SummedCurveIsTheSumOfTheSectionResponses) {
    ResponseGraph g;
    fillPeq(g);
    g.recompute();

    Curve shelfLow{}, cut{}, boost{}, shelfHigh{}, hp{}, lp{};
    shelfResponse(200.0, ShapeLowShelf, 3.0, shelfLow);
    peakingResponse(500.0, -3.0, 1.0, cut);
    peakingResponse(1000.0, 12.0, 1.0, boost);
    shelfResponse(5000.0, ShapeHighShelf, -5.0, shelfHigh);
    highPassResponse(80.0, 2, hp);
    lowPassResponse(12000.0, 1, lp);
    for (std::size_t i = 0; i < kGridSize; ++i) {
        EXPECT_NEAR(g.slot(2).curve[i], boost[i], 1e-12);
        EXPECT_NEAR(g.slot(4).curve[i], hp[i], 1e-12);
        const double sum = shelfLow[i] + cut[i] + boost[i] + shelfHigh[i] + hp[i] + lp[i];
        EXPECT_NEAR(g.summed()[i], sum, 1e-9) << "index " << i;
    }
}

TEST(ResponseGraph, OnlyTheFirstSlotCountSlotsMakeTheCurve) {
    ResponseGraph g;
    fillPeq(g);
    g.setSlotCount(4); // a line input: no filters
    g.recompute();
    Curve bands{};
    for (int s = 0; s < 4; ++s)
        for (std::size_t i = 0; i < kGridSize; ++i)
            bands[i] += g.slot(s).curve[i];
    for (std::size_t i = 0; i < kGridSize; ++i)
        EXPECT_NEAR(g.summed()[i], bands[i], 1e-12);
    EXPECT_NEAR(g.summed()[k1000],
                g.slot(2).curve[k1000] + g.slot(1).curve[k1000] + g.slot(0).curve[k1000] +
                    g.slot(3).curve[k1000],
                1e-12);
    g.setSlotCount(99);
    EXPECT_EQ(g.slotCount(), ResponseGraph::kMaxSlots);
    g.setSlotCount(-1);
    EXPECT_EQ(g.slotCount(), 0);
    g.recompute();
    for (double v : g.summed())
        EXPECT_EQ(v, 0.0);
}

TEST(ResponseGraph, DisabledFiltersAreExactlyFlat) {
    ResponseGraph g;
    g.setSlotCount(2);
    g.setPassFilter(0, kSlotHighPass, 0, 2000, 8);
    g.setPassFilter(1, kSlotLowPass, 0, 100, 8);
    g.recompute();
    for (std::size_t i = 0; i < kGridSize; ++i) {
        EXPECT_EQ(g.slot(0).curve[i], 0.0);
        EXPECT_EQ(g.slot(1).curve[i], 0.0);
        EXPECT_EQ(g.summed()[i], 0.0);
    }
}

TEST(ResponseGraph, SlotParametersAreReadSafely) {
    ResponseGraph g;
    g.setSlotCount(3);
    // A slot nobody filled with a Q: 0 would divide by zero.
    g.slot(0) = GraphSlot{kSlotEqBand, ShapePeaking, 0, 1000.0, 6.0, 0.0, {}};
    // A filter slope given as 2.9 is truncated to index 2.
    g.slot(1) = GraphSlot{kSlotLowPass, 0, 1, 1000.0, 0.0, 2.9, {}};
    // An unknown kind contributes nothing.
    g.slot(2) = GraphSlot{7, 0, 1, 1000.0, 12.0, 1.0, {}};
    g.recompute();
    Curve lp24{};
    lowPassResponse(1000.0, 2, lp24);
    for (std::size_t i = 0; i < kGridSize; ++i) {
        ASSERT_TRUE(std::isfinite(g.slot(0).curve[i]));
        EXPECT_DOUBLE_EQ(g.slot(1).curve[i], lp24[i]);
        EXPECT_EQ(g.slot(2).curve[i], 0.0);
    }
    EXPECT_NEAR(g.slot(0).curve[k1000], 6.0, 1e-6);
}

TEST(ResponseGraph, PlotRectFollowsTheFramedFlag) {
    ResponseGraph g;
    const PlotRect framed = g.plotRect(500, 300);
    EXPECT_EQ(framed.left, 25);
    EXPECT_EQ(framed.bottom, 270);
    g.setFramed(false);
    const PlotRect bare = g.plotRect(500, 300);
    EXPECT_EQ(bare.left, 0);
    EXPECT_EQ(bare.bottom, 300);
}

} // namespace
} // namespace krm
