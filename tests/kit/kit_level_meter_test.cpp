// LevelMeter: bar height arithmetic, the colour zones of the rows and the peak line.
#include "kit/level_meter.h"

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
    EXPECT_EQ(image.pixelColor(x, well.top()), QColor(255, 35, 35));

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

TEST(LevelMeter, PeakLineIsWhiteOrRedWhenClippedAndWiderThanTheBar) {
    LevelMeter meter(1);
    meter.setRange(0, 60);
    meter.resize(20, 106);
    meter.setValue(0, 10);
    meter.setPeak(0, 45);
    const QRect well = meter.wellRect(0);
    const int y = well.bottom() - LevelMeter::barHeight(45, 0, 60, well.height()) - 1;
    QImage image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(well.center().x(), y), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(well.left() - 2, y), QColor(255, 255, 255));
    EXPECT_EQ(image.pixelColor(well.right() + 2, y), QColor(255, 255, 255));
    EXPECT_NE(image.pixelColor(well.right() + 3, y), QColor(255, 255, 255));

    meter.setClip(0, true);
    image = meter.grab().toImage();
    EXPECT_EQ(image.pixelColor(well.center().x(), y), QColor(255, 0, 0));
}

} // namespace
} // namespace krm::ui
