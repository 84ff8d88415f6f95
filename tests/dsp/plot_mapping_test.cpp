#include "dsp/plot_mapping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace krm {
namespace {

const AxisRanges kPeqAxes{20.0, 20000.0, -15.0, 15.0};

TEST(PlotRect, FramedGraphLeavesRoomForCaptions) {
    const PlotRect framed = plotRectFor(500, 300, true);
    EXPECT_EQ(framed.left, 25);
    EXPECT_EQ(framed.right, 475);
    EXPECT_EQ(framed.top, 15);
    EXPECT_EQ(framed.bottom, 270);
    EXPECT_DOUBLE_EQ(framed.middleY(), 142.5);
    const PlotRect odd = plotRectFor(519, 219, true); // integer divisions
    EXPECT_EQ(odd.left, 25);
    EXPECT_EQ(odd.right, 494);
    EXPECT_EQ(odd.top, 10);
    EXPECT_EQ(odd.bottom, 198);
    const PlotRect bare = plotRectFor(120, 60, false);
    EXPECT_EQ(bare.left, 0);
    EXPECT_EQ(bare.top, 0);
    EXPECT_EQ(bare.right, 120);
    EXPECT_EQ(bare.bottom, 60);
}

TEST(PlotMapping, LogarithmicFrequencyAxis) {
    const PlotRect r{25, 15, 475, 270};
    EXPECT_DOUBLE_EQ(logPixelX(20.0, r, kPeqAxes), 25.0);
    EXPECT_DOUBLE_EQ(logPixelX(20000.0, r, kPeqAxes), 475.0);
    EXPECT_NEAR(logPixelX(std::sqrt(20.0 * 20000.0), r, kPeqAxes), 250.0, 1e-9);
    EXPECT_NEAR(logPixelX(200.0, r, kPeqAxes), 25.0 + 450.0 / 3.0, 1e-9);
    for (double f : {20.0, 57.0, 1000.0, 12345.0, 20000.0})
        EXPECT_NEAR(logValueFromPixelX(logPixelX(f, r, kPeqAxes), r, kPeqAxes), f, f * 1e-12);
    // A degenerate axis maps to the left edge instead of producing NaN.
    const AxisRanges zeroStart{0.0, 32.0, -15.0, 15.0};
    EXPECT_DOUBLE_EQ(logPixelX(10.0, r, zeroStart), 25.0);
    EXPECT_DOUBLE_EQ(logPixelX(0.0, r, kPeqAxes), 25.0);
}

TEST(PlotMapping, CurveValuesOutsideTheRangeSitOnTheEdges) {
    const PlotRect r{25, 15, 475, 270};
    EXPECT_DOUBLE_EQ(curvePixelY(15.0, r, kPeqAxes), 15.0);
    EXPECT_DOUBLE_EQ(curvePixelY(-15.0, r, kPeqAxes), 270.0);
    EXPECT_DOUBLE_EQ(curvePixelY(0.0, r, kPeqAxes), 142.5);
    EXPECT_DOUBLE_EQ(curvePixelY(40.0, r, kPeqAxes), 15.0);
    EXPECT_DOUBLE_EQ(curvePixelY(-300.0, r, kPeqAxes), 270.0);
}

TEST(PlotMapping, PolygonClosesToTheMiddleAndSkipsPointsOutsideTheAxis) {
    const PlotRect r{25, 15, 475, 270};
    Curve flat{};
    const auto full = responsePolygon(flat, r, kPeqAxes);
    // 19.71 Hz lies below 20 Hz and is not drawn: 240 grid points plus the two ends.
    ASSERT_EQ(full.size(), 242u);
    EXPECT_DOUBLE_EQ(full.front().x, 25.0);
    EXPECT_DOUBLE_EQ(full.front().y, 142.5);
    EXPECT_DOUBLE_EQ(full.back().x, 475.0);
    EXPECT_DOUBLE_EQ(full.back().y, 142.5);
    EXPECT_NEAR(full[1].x, logPixelX(20.31, r, kPeqAxes), 1e-12);
    EXPECT_DOUBLE_EQ(full[240].x, 475.0); // 20000 Hz, the last grid point

    const AxisRanges narrow{100.0, 10000.0, -15.0, 15.0};
    const auto part = responsePolygon(flat, r, narrow);
    int inside = 0;
    for (double g : FrequencyGrid)
        inside += (g >= 100.0 && g <= 10000.0) ? 1 : 0;
    EXPECT_EQ(static_cast<int>(part.size()), inside + 2);
    for (std::size_t i = 1; i + 1 < part.size(); ++i) {
        EXPECT_GE(part[i].x, 25.0);
        EXPECT_LE(part[i].x, 475.0);
    }
}

TEST(PlotMapping, MarkersUseAFixedFifteenDbScaleAndRoundTrip) {
    const PlotRect r{25, 15, 475, 270};
    const PlotPoint zero = markerPoint(1000.0, 0.0, r, kPeqAxes);
    EXPECT_DOUBLE_EQ(zero.y, 142.5);
    EXPECT_DOUBLE_EQ(zero.y, curvePixelY(0.0, r, kPeqAxes)); // marker sits on the curve
    EXPECT_DOUBLE_EQ(markerPoint(1000.0, 15.0, r, kPeqAxes).y, 15.0);
    EXPECT_DOUBLE_EQ(markerPoint(1000.0, -15.0, r, kPeqAxes).y, 270.0);
    EXPECT_DOUBLE_EQ(markerPoint(1000.0, 0.0, r, kPeqAxes).x, logPixelX(1000.0, r, kPeqAxes));
    // Same marker height whatever the y axis of the curve says.
    const AxisRanges other{20.0, 20000.0, -30.0, 30.0};
    EXPECT_DOUBLE_EQ(markerPoint(1000.0, 6.0, r, other).y, markerPoint(1000.0, 6.0, r, kPeqAxes).y);
    for (double f : {20.0, 315.0, 1000.0, 19953.0}) {
        for (double g : {-15.0, -3.2, 0.0, 7.7, 15.0}) {
            for (const AxisRanges& axes : {kPeqAxes, other}) {
                const MarkerValue v = markerValueFromPixel(markerPoint(f, g, r, axes), r, axes);
                EXPECT_NEAR(v.x, f, f * 1e-12);
                EXPECT_NEAR(v.y, g, 1e-12);
            }
        }
    }
    const PlotPoint corner = markerImageTopLeft({100.0, 50.0});
    EXPECT_DOUBLE_EQ(corner.x, 84.0);
    EXPECT_DOUBLE_EQ(corner.y, 34.0);
}

TEST(PlotMapping, LinearModesMapBothAxesAndRoundTrip) {
    const PlotRect r{10, 20, 310, 320};
    const AxisRanges dyn{-60.0, 0.0, -60.0, 0.0};
    const PlotPoint low = linearPoint(-60.0, -60.0, r, dyn);
    EXPECT_DOUBLE_EQ(low.x, 10.0);
    EXPECT_DOUBLE_EQ(low.y, 320.0);
    const PlotPoint high = linearPoint(0.0, 0.0, r, dyn);
    EXPECT_DOUBLE_EQ(high.x, 310.0);
    EXPECT_DOUBLE_EQ(high.y, 20.0);
    const PlotPoint mid = linearPoint(-30.0, -15.0, r, dyn);
    EXPECT_DOUBLE_EQ(mid.x, 160.0);
    EXPECT_DOUBLE_EQ(mid.y, 95.0);
    const AxisRanges geq{0.0, 32.0, -15.0, 15.0};
    for (double x : {1.0, 16.0, 31.0}) {
        for (double y : {-15.0, -0.05, 3.04, 15.0}) {
            const MarkerValue v = linearValueFromPixel(linearPoint(x, y, r, geq), r, geq);
            EXPECT_NEAR(v.x, x, 1e-12);
            EXPECT_NEAR(v.y, y, 1e-12);
        }
    }
    // An empty rectangle gives the axis minimum rather than a division by zero.
    const MarkerValue none = linearValueFromPixel({5.0, 5.0}, PlotRect{5, 5, 5, 5}, geq);
    EXPECT_DOUBLE_EQ(none.x, 0.0);
    EXPECT_DOUBLE_EQ(none.y, -15.0);
    EXPECT_DOUBLE_EQ(markerValueFromPixel({5.0, 5.0}, PlotRect{5, 5, 5, 5}, kPeqAxes).y, 0.0);
}

} // namespace
} // namespace krm
