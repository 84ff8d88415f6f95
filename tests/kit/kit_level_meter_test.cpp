// LevelMeter: bar height arithmetic, the colour zones of the rows, the hanging bar, and the
// peak tick and clip lamp with their holds.
#include "kit/level_meter.h"

#include "tests/support/fake_clock.h"

#include <QImage>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(LevelMeter, BarHeightIsTruncatedAndLimitedToTheRange) {
    EXPECT_EQ(LevelMeter::barHeight(30, 0, 60, 100), 50);
    EXPECT_EQ(LevelMeter::barHeight(1, 0, 60, 100), 1); // 1.67 truncated
    EXPECT_EQ(LevelMeter::barHeight(60, 0, 60, 101), 101);
    EXPECT_EQ(LevelMeter::barHeight(75, 0, 60, 100), 100); // above max: full
    EXPECT_EQ(LevelMeter::barHeight(-5, 0, 60, 100), 0);
    EXPECT_EQ(LevelMeter::barHeight(10, 10, 10, 100), 0); // degenerate range
}

TEST(LevelMeter, RowColoursChangeAtSevenAndNineTenths) {
    EXPECT_EQ(LevelMeter::rowColour(0.0), QColor(219, 254, 36));
    EXPECT_EQ(LevelMeter::rowColour(0.699), QColor(219, 254, 36));
    EXPECT_EQ(LevelMeter::rowColour(0.7), QColor(255, 176, 35));
    EXPECT_EQ(LevelMeter::rowColour(0.899), QColor(255, 176, 35));
    EXPECT_EQ(LevelMeter::rowColour(0.9), QColor(255, 35, 35));
    EXPECT_EQ(LevelMeter::rowColour(1.0), QColor(255, 35, 35));
}

TEST(LevelMeter, FullLevelPaintsWholeBarWithItsTopTenthRed) {
    LevelMeter meter(2);
    meter.setRange(0, 60);
    meter.resize(40, 206);
    meter.setValue(0, 60);
    meter.setValue(1, 0);
    const QImage image = meter.grab().toImage();
    const QRect well = meter.wellRect(0);
    const int x = well.center().x();
    auto at = [&](double h) {
        return image.pixelColor(x, well.bottom() - static_cast<int>(h * well.height()));
    };
    EXPECT_EQ(at(0.0), QColor(219, 254, 36));
    EXPECT_EQ(at(0.5), QColor(219, 254, 36));
    EXPECT_EQ(at(0.8), QColor(255, 176, 35));
    EXPECT_EQ(at(0.95), QColor(255, 35, 35));
    // The peak tick (red: the level is at the clip level) covers the top two rows.
    EXPECT_EQ(image.pixelColor(x, well.top() + 2), QColor(255, 35, 35));
    EXPECT_EQ(image.pixelColor(x, well.top()), LevelMeter::kLampLit);

    // The silent bar shows no lit row anywhere.
    const QRect quiet = meter.wellRect(1);
    for (int y = quiet.top(); y <= quiet.bottom(); ++y) {
        const QColor c = image.pixelColor(quiet.center().x(), y);
        EXPECT_NE(c, QColor(219, 254, 36));
        EXPECT_NE(c, QColor(255, 35, 35));
    }
}

TEST(LevelMeter, HalfLevelLightsTheLowerHalfOnly) {
    LevelMeter meter(1);
    meter.setRange(0, 60);
    meter.resize(20, 106);
    meter.setValue(0, 30);
    const QImage image = meter.grab().toImage();
    const QRect well = meter.wellRect(0);
    const int lit = LevelMeter::barHeight(30, 0, 60, well.height());
    EXPECT_EQ(image.pixelColor(well.center().x(), well.bottom() - lit + 1), QColor(219, 254, 36));
    EXPECT_NE(image.pixelColor(well.center().x(), well.bottom() - lit - 2), QColor(219, 254, 36));
}

TEST(LevelMeter, PeakTickIsWhiteOrRedWhileClippedAndWiderThanTheBar) {
    test::FakeClock clock;
    LevelMeter meter(1);
    meter.setClock(clock);
    meter.setRange(0, 60);
    meter.resize(20, 106);
    meter.setValue(0, 45);
    meter.setValue(0, 10);
    const QRect well = meter.wellRect(0);
    const int y = well.bottom() - LevelMeter::barHeight(45, 0, 60, well.height()) - 1;
    QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(well.center().x(), y), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(well.left() - 2, y), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(well.right() + 2, y), QColor(255, 255, 255));
    EXPECT_NE(image.pixelColor(well.right() + 3, y), QColor(255, 255, 255));
    EXPECT_NE(image.pixelColor(well.center().x(), meter.lampRect(0).center().y()),
              LevelMeter::kLampLit);

    meter.setValue(0, 60);
    meter.setValue(0, 10);
    image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(well.center().x(), well.top()), LevelMeter::kLampLit);
    EXPECT_EQ(image.pixelColor(well.center().x(), meter.lampRect(0).center().y()),
              LevelMeter::kLampLit);
}

// The timing of the holds, driven by a fake clock: each row feeds one level after a pause
// and states the peak and the lamp the meter then shows (range 0..60, clip at 60).
TEST(LevelMeter, PeakHoldsThenFallsAndClipStaysLitForTwoSeconds) {
    struct Step {
        int afterMs, level, peak;
        bool lamp;
    };
    const Step steps[] = {
        {0, 30, 30, false},    // the first level is its own peak
        {50, 50, 50, false},   // a higher level takes the peak at once
        {50, 20, 50, false},   // the bar drops, the peak stays
        {1400, 20, 50, false}, // 1.5 s after it was taken: still held
        {100, 20, 49, false},  // 1.6 s: falling by 60 per 3 s
        {1500, 20, 20, false}, // it has met the bar and rides on it
        {50, 60, 60, true},    // at the top: clip
        {50, 10, 60, true},
        {1950, 10, 50, true}, // 2.0 s after the clip: still lit; the peak fell for 0.5 s
        {1, 10, 50, false},   // then dark
        {100, 70, 60, true},  // above the range counts as the top; the peak is held to it
        {100, 59, 60, true},  // just under the top the lamp stays lit only by its hold
        {1900, 59, 59, true},
        {1, 59, 59, false},
    };
    test::FakeClock clock;
    LevelMeter meter(2);
    meter.setClock(clock);
    meter.setRange(0, 60);
    meter.resize(40, 206);
    int t = 0;
    for (const Step& s : steps) {
        clock.advance(Millis{s.afterMs});
        t += s.afterMs;
        meter.setValue(0, s.level);
        SCOPED_TRACE(testing::Message() << "at " << t << " ms, level " << s.level);
        EXPECT_EQ(meter.peak(0), s.peak);
        EXPECT_EQ(meter.clipLit(0), s.lamp);
        EXPECT_FALSE(meter.clipLit(1)); // bars keep their own holds
    }
    meter.clearHolds();
    EXPECT_FALSE(meter.clipLit(0));
    EXPECT_EQ(meter.peak(0), 0);
}

TEST(LevelMeter, HangingBarGrowsFromTheTopAndNeverClips) {
    test::FakeClock clock;
    LevelMeter meter(1);
    meter.setClock(clock);
    meter.setRange(0, 60);
    meter.setHanging(0, true);
    meter.resize(20, 126);
    meter.setValue(0, 60);
    meter.setValue(0, 15);
    EXPECT_FALSE(meter.clipLit(0));
    EXPECT_EQ(meter.peak(0), 60);
    const QImage image = meter.grab().toImage();
    const QRect well = meter.wellRect(0);
    const int lit = LevelMeter::barHeight(15, 0, 60, well.height());
    const int x = well.center().x();
    EXPECT_EQ(image.pixelColor(x, well.top()), LevelMeter::kHangingColour);
    EXPECT_EQ(image.pixelColor(x, well.top() + lit - 1), LevelMeter::kHangingColour);
    EXPECT_NE(image.pixelColor(x, well.top() + lit + 2), LevelMeter::kHangingColour);
    EXPECT_NE(image.pixelColor(x, well.bottom() - 4), LevelMeter::kHangingColour);
}

TEST(LevelMeter, PeakFallsAtTheRateOfItsRange) {
    // Held for 1.5 s, then the whole span per 3 s, never below the level.
    EXPECT_EQ(LevelMeter::peakAfter(50, Millis{1500}, 0, 60), 50);
    EXPECT_EQ(LevelMeter::peakAfter(50, Millis{2000}, 0, 60), 40);
    EXPECT_EQ(LevelMeter::peakAfter(50, Millis{2000}, 45, 60), 45);
    EXPECT_EQ(LevelMeter::peakAfter(186, Millis{2500}, 0, 186), 124);
    EXPECT_EQ(LevelMeter::peakAfter(50, Millis{9000}, 0, 60), 0);
}

} // namespace
} // namespace krm::ui
