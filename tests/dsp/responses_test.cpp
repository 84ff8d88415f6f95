#include "dsp/responses.h"

#include <gtest/gtest.h>

#include <cmath>

namespace krm {
namespace {

constexpr int k250 = 88;
constexpr int k500 = 112;
constexpr int k1000 = 136;
constexpr int k1030 = 137;
constexpr int k2000 = 160;
constexpr int k4000 = 184;
constexpr int k10079 = 216;

Curve peaking(double f0, double gainDb, double invQ) {
    Curve c{};
    peakingResponse(f0, gainDb, invQ, c);
    return c;
}

TEST(PeakingResponse, ZeroGainIsFlatAtEveryGridPoint) {
    for (double invQ : {0.05, 1.0, 10.0}) {
        const Curve c = peaking(1000.0, 0.0, invQ);
        for (double v : c)
            EXPECT_NEAR(v, 0.0, 1e-12);
    }
}

TEST(PeakingResponse, TwelveDbAtOneKilohertzHalvesOneOctaveAway) {
    const Curve c = peaking(1000.0, 12.0, 1.0);
    EXPECT_NEAR(c[k1000], 12.0, 1e-6);
    // About +6 dB an octave either side; figures from a complex evaluation of H(z) in Python.
    EXPECT_NEAR(c[k500], 6.001968, 1e-4);
    EXPECT_NEAR(c[k2000], 5.995004, 1e-4);
    EXPECT_NEAR(c[k250], 1.970640, 1e-4);
    EXPECT_NEAR(c[0], 0.014157, 1e-4);
    EXPECT_NEAR(c[240], 0.066116, 1e-4);
    // The peak is the curve's maximum.
    for (double v : c)
        EXPECT_LE(v, c[k1000] + 1e-12);
    // A cut is the exact mirror image of the boost.
    const Curve cut = peaking(1000.0, -12.0, 1.0);
    for (std::size_t i = 0; i < c.size(); ++i)
        EXPECT_NEAR(cut[i], -c[i], 1e-9) << "index " << i;
}

TEST(PeakingResponse, CentreUsesTheDesignConstantAndGridPointsTheFullOne) {
    // Figures from an evaluation in Python with w0 = f0 * 6.544985e-05 and w = g * 2 pi / 96000;
    // taking either constant for both moves them by 1.6e-7 dB or more.
    const Curve c = peaking(1000.0, 12.0, 1.0);
    EXPECT_NEAR(c[k500], 6.0019681267, 1e-9);
    EXPECT_NEAR(c[k2000], 5.9950042781, 1e-9);
    EXPECT_NEAR(c[k4000], 1.9533030820, 1e-9);
    Curve shelf{};
    shelfResponse(1000.0, ShapeLowShelf, 12.0, shelf);
    EXPECT_NEAR(shelf[k500], 11.7408668931, 1e-9);
    EXPECT_NEAR(shelf[k1000], 8.5018252672, 1e-9);
    EXPECT_NEAR(shelf[k2000], 1.8435501130, 1e-9);
    shelfResponse(1000.0, ShapeHighShelf, 12.0, shelf);
    EXPECT_NEAR(shelf[k500], 1.9840413133, 1e-9);
    EXPECT_NEAR(shelf[k1000], 8.6956990635, 1e-9);
    EXPECT_NEAR(shelf[k2000], 11.7666628468, 1e-9);
}

TEST(PeakingResponse, CentreIsSnappedToTheGrid) {
    const Curve at1000 = peaking(1000.0, 9.0, 0.7);
    const Curve at1010 = peaking(1010.0, 9.0, 0.7);
    const Curve at1015 = peaking(1015.0, 9.0, 0.7);
    const Curve at1030 = peaking(1030.0, 9.0, 0.7);
    for (std::size_t i = 0; i < at1000.size(); ++i) {
        EXPECT_DOUBLE_EQ(at1010[i], at1000[i]);
        EXPECT_DOUBLE_EQ(at1015[i], at1030[i]);
    }
    EXPECT_NEAR(at1015[k1030], 9.0, 1e-6);
}

TEST(PeakingResponse, HigherQGivesNarrowerBand) {
    // Q 2 (invQ 0.5), -6 dB at 1030 Hz; figures from a complex evaluation of H(z) in Python.
    const Curve c = peaking(1030.0, -6.0, 0.5);
    EXPECT_NEAR(c[k1030], -6.0, 1e-6);
    EXPECT_NEAR(c[k1000], -5.955029, 1e-4);
    EXPECT_NEAR(c[113], -1.135801, 1e-4); // 515 Hz
    EXPECT_NEAR(c[161], -1.134703, 1e-4); // 2059 Hz
    EXPECT_NEAR(c[185], -0.218912, 1e-4); // 4117 Hz
}

TEST(PeakingResponse, QOfZeroDoesNotBlowUp) {
    // 1/Q of an empty band would be infinite; it is held to the widest band the device has.
    const Curve wild = peaking(100.0, 15.0, INFINITY);
    const Curve widest = peaking(100.0, 15.0, 10.0);
    for (std::size_t i = 0; i < wild.size(); ++i) {
        ASSERT_TRUE(std::isfinite(wild[i]));
        EXPECT_DOUBLE_EQ(wild[i], widest[i]);
    }
    EXPECT_NEAR(widest[56], 15.0, 1e-6);     // 100 Hz snaps to 99.2 Hz
    EXPECT_NEAR(widest[0], 14.999473, 1e-4); // complex evaluation of H(z) in Python
    EXPECT_NEAR(widest[240], 13.902903, 1e-4);
}

TEST(ShelfResponse, LowShelfLiftsTheBassAndLeavesTheTreble) {
    Curve c{};
    shelfResponse(1000.0, ShapeLowShelf, 12.0, c);
    // Figures from a complex evaluation of H(z) in Python.
    EXPECT_NEAR(c[0], 12.0, 0.01);
    EXPECT_NEAR(c[k10079], 0.0, 0.01);
    EXPECT_NEAR(c[240], -0.002135, 1e-4);
    // The corner factor 1.2727 moves the half-gain point: 1 kHz reads 8.5 dB, not 6.
    EXPECT_NEAR(c[k1000], 8.501825, 1e-4);
    EXPECT_NEAR(c[k500], 11.740867, 1e-4);
    EXPECT_NEAR(c[k2000], 1.843550, 1e-4);

    shelfResponse(1000.0, ShapeLowShelf, -9.0, c);
    EXPECT_NEAR(c[0], -9.000121, 1e-4);
    EXPECT_NEAR(c[k1000], -6.470576, 1e-4);
    EXPECT_NEAR(c[240], 0.001410, 1e-4);
}

TEST(ShelfResponse, HighShelfIsTheMirrorImage) {
    Curve c{};
    shelfResponse(1000.0, ShapeHighShelf, 12.0, c);
    EXPECT_NEAR(c[240], 12.0, 0.01);
    EXPECT_NEAR(c[k10079], 12.003701, 1e-4);
    EXPECT_NEAR(c[0], 0.0, 0.01);
    EXPECT_NEAR(c[k1000], 8.695699, 1e-4);
    EXPECT_NEAR(c[k500], 1.984041, 1e-4);
    EXPECT_NEAR(c[k2000], 11.766663, 1e-4);
}

TEST(ShelfResponse, ZeroGainAndUnknownShapeAreFlat) {
    Curve c{};
    c.fill(7.0);
    shelfResponse(1000.0, ShapeLowShelf, 0.0, c);
    for (double v : c)
        EXPECT_EQ(v, 0.0);
    shelfResponse(1000.0, 5, 12.0, c);
    for (double v : c)
        EXPECT_EQ(v, 0.0);
    const Biquad flat = shelfBiquad(1000.0, ShapeHighShelf, 0.0);
    EXPECT_EQ(flat.a0, 1.0); // a usable section, not a division by zero
    EXPECT_EQ(flat.b0, 1.0);
}

// Expected magnitudes of Butterworth filters of order n = slopeIndex + 2 with a 1 kHz corner,
// from the textbook bilinear-transform formula evaluated in Python:
//   |H|^2 = 1 / (1 + (tan(pi f / 96000) / tan(pi 1000 / 96000))^(2n))   (low-pass)
// with the ratio inverted for the high-pass. Columns: 250, 500, 1000, 2000, 4000 Hz.
// The device rounds each section's Q to two decimals, which moves its curves up to 0.09 dB
// from the ideal; a wrong order or section is off by several dB.
constexpr double kButterworthLowPass[7][5] = {
    {-0.0169, -0.2630, -3.0103, -12.3220, -24.1924},
    {-0.0011, -0.0672, -3.0103, -18.1566, -36.2648},
    {-0.0001, -0.0169, -3.0103, -24.1364, -48.3517},
    {-0.0000, -0.0042, -3.0103, -30.1538, -60.4395},
    {-0.0000, -0.0011, -3.0103, -36.1805, -72.5274},
    {-0.0000, -0.0003, -3.0103, -42.2097, -84.6154},
    {-0.0000, -0.0001, -3.0103, -48.2394, -96.7033},
};
constexpr double kButterworthHighPass[7][5] = {
    {-24.1051, -12.3089, -3.0103, -0.2622, -0.0166},
    {-36.1334, -18.1360, -3.0103, -0.0669, -0.0010},
    {-48.1765, -24.1086, -3.0103, -0.0168, -0.0001},
    {-60.2205, -30.1189, -3.0103, -0.0042, -0.0000},
    {-72.2646, -36.1386, -3.0103, -0.0010, -0.0000},
    {-84.3088, -42.1607, -3.0103, -0.0003, -0.0000},
    {-96.3529, -48.1835, -3.0103, -0.0001, -0.0000},
};
constexpr int kColumns[5] = {k250, k500, k1000, k2000, k4000};

TEST(PassFilters, EverySlopeOfTheLowPassFollowsButterworth) {
    for (int slope = 0; slope < kSlopeCount; ++slope) {
        Curve c{};
        lowPassResponse(1000.0, slope, c);
        for (int col = 0; col < 5; ++col)
            EXPECT_NEAR(c[kColumns[col]], kButterworthLowPass[slope][col], 0.1)
                << "slope " << slope << " column " << col;
    }
}

TEST(PassFilters, EverySlopeOfTheHighPassFollowsButterworth) {
    for (int slope = 0; slope < kSlopeCount; ++slope) {
        Curve c{};
        highPassResponse(1000.0, slope, c);
        for (int col = 0; col < 5; ++col)
            EXPECT_NEAR(c[kColumns[col]], kButterworthHighPass[slope][col], 0.1)
                << "slope " << slope << " column " << col;
    }
}

TEST(PassFilters, TwelveDbLowPassReadsAboutMinusThreeAtItsCorner) {
    Curve c{};
    lowPassResponse(1000.0, 0, c);
    // -2.9748 dB by a complex evaluation of the device's section (Q 0.71) in Python.
    EXPECT_NEAR(c[k1000], -2.9748, 1e-3);
    // -18 dB/Oct has exact Butterworth damping: -3.0103 dB.
    lowPassResponse(1000.0, 1, c);
    EXPECT_NEAR(c[k1000], -3.0103, 1e-3);
}

// The device's own curves at 500, 1000 and 2000 Hz for a 1 kHz corner, every slope, from an
// evaluation of its section tables in Python. Tight enough that one wrong digit of a damping
// value, the two angular constants swapped, or the high-pass -48 dB/Oct table taking the
// low-pass damping (8e-6 dB apart at the corner) shows.
constexpr double kDeviceLowPass[7][3] = {
    {-0.2463694345, -2.9748325945, -12.3053993123}, {-0.0672265297, -3.0102993490, -18.1566444775},
    {-0.0237849420, -3.0066981341, -24.1433266166}, {0.0120514019, -2.9722675016, -30.1375017671},
    {0.0393220987, -2.9436187431, -36.1401924568},  {-0.0541135382, -3.0975946460, -42.2634401620},
    {-0.0091445421, -3.0359204175, -48.2484358977},
};
constexpr double kDeviceHighPass[7][3] = {
    {-12.2922224735, -2.9748334046, -0.2455732262}, {-18.1360060883, -3.0103005643, -0.0669053484},
    {-24.1154910202, -3.0066997544, -0.0236744444}, {-30.1025811957, -2.9722695270, 0.0120634482},
    {-36.0982370185, -2.9436211737, 0.0392858015},  {-42.2145991749, -3.0975974816, -0.0540488605},
    {-48.1925516700, -3.0359156846, -0.0091265299},
};

TEST(PassFilters, SectionTablesGiveTheDevicesCurvesToTheLastDigit) {
    constexpr int kAt[3] = {k500, k1000, k2000};
    for (int slope = 0; slope < kSlopeCount; ++slope) {
        Curve lp{}, hp{};
        lowPassResponse(1000.0, slope, lp);
        highPassResponse(1000.0, slope, hp);
        for (int col = 0; col < 3; ++col) {
            EXPECT_NEAR(lp[kAt[col]], kDeviceLowPass[slope][col], 1e-8)
                << "slope " << slope << " column " << col;
            EXPECT_NEAR(hp[kAt[col]], kDeviceHighPass[slope][col], 1e-8)
                << "slope " << slope << " column " << col;
        }
    }
    // The -48 dB/Oct high-pass starts with its own damping, 0.98039126 (low-pass 0.98039216).
    const double s0 = std::sin(1000.0 * kDesign);
    EXPECT_NEAR(highPassSections(1000.0, 6)[0].a0, 1.0 + 0.98039126 * s0, 1e-15);
    EXPECT_NEAR(lowPassSections(1000.0, 6)[0].a0, 1.0 + 0.98039216 * s0, 1e-15);
}

TEST(PassFilters, OddOrdersStartWithAFirstOrderSection) {
    for (int slope : {1, 3, 5}) {
        const auto lp = lowPassSections(1000.0, slope);
        const auto hp = highPassSections(1000.0, slope);
        EXPECT_EQ(lp[0].b2, 0.0);
        EXPECT_EQ(lp[0].a2, 0.0);
        EXPECT_EQ(hp[0].b0, 1.0);
        EXPECT_EQ(hp[0].b1, -1.0);
    }
    // Unused places are flat.
    const auto lp12 = lowPassSections(1000.0, 0);
    for (std::size_t k = 1; k < lp12.size(); ++k) {
        EXPECT_EQ(lp12[k].b0, 1.0);
        EXPECT_EQ(lp12[k].a0, 1.0);
        EXPECT_EQ(lp12[k].a1, 0.0);
    }
}

TEST(PassFilters, SlopeIndexOutsideTheTableIsHeldToItsEnds) {
    Curve steepest{}, beyond{}, gentlest{}, below{};
    lowPassResponse(500.0, 6, steepest);
    lowPassResponse(500.0, 9, beyond);
    highPassResponse(500.0, 0, gentlest);
    highPassResponse(500.0, -3, below);
    for (std::size_t i = 0; i < steepest.size(); ++i) {
        EXPECT_DOUBLE_EQ(beyond[i], steepest[i]);
        EXPECT_DOUBLE_EQ(below[i], gentlest[i]);
    }
}

} // namespace
} // namespace krm
