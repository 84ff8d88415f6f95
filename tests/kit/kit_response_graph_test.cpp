// ResponseGraphWidget: markers painted where the pure mappings put them, marker drags
// reported through the inverse mappings and held to the plot, graphic-EQ bars, resizing and
// freehand strokes.
#include "kit/response_graph_widget.h"
#include "tests/kit/kit_events.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

namespace krm::ui {
namespace {

const AxisRanges kPeqAxes{20.0, 20000.0, -15.0, 15.0};
const AxisRanges kGeqAxes{0.0, 32.0, -15.0, 15.0};
const QColor kBar = QColor::fromRgba(0xFF29A4D0u);

bool closeColour(const QColor& a, const QColor& b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The pixel that contains the point (x, y).
QColor pixel(const QImage& image, double x, double y) {
    return image.pixelColor(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

// A PEQ as the editor loads it: four bands, high-pass and low-pass, markers apart.
void loadPeq(ResponseGraphWidget& w, int width, int height) {
    ResponseGraph& g = w.graph();
    g.setAxes(kPeqAxes);
    g.setPlotMode(kPlotFrequencyResponse);
    g.setFramed(true);
    g.setSlotCount(6);
    g.setEqBand(0, 100, 110, 10, 0);  // -4 dB
    g.setEqBand(1, 1000, 210, 20, 0); // +6 dB, Q 2
    g.setEqBand(2, 3000, 80, 10, 0);  // -7 dB
    g.setEqBand(3, 9000, 250, 10, 2); // high shelf +10 dB
    g.setPassFilter(4, kSlotHighPass, 1, 30, 4);
    g.setPassFilter(5, kSlotLowPass, 0, 18000, 2);
    w.resize(width, height);
}

void loadGeq(ResponseGraphWidget& w, int width, int height) {
    ResponseGraph& g = w.graph();
    g.setAxes(kGeqAxes);
    g.setPlotMode(kPlotGraphicEq);
    g.setFramed(true);
    g.setSlotCount(31);
    for (int b = 0; b < 31; ++b)
        g.slot(b).gainDb = 0.0;
    w.resize(width, height);
}

QPointF mappedMarker(const ResponseGraphWidget& w, int slot) {
    const GraphSlot& s = w.graph().slot(slot);
    const PlotPoint p =
        markerPoint(s.freq, s.gainDb, plotRectFor(w.width(), w.height(), true), kPeqAxes);
    return {p.x, p.y};
}

// The marker disc's own colour on four points around its centre, clear of its label.
bool discPaintedAt(const QImage& image, QPointF c, const QColor& colour, double scale = 1.0) {
    for (const QPointF d : {QPointF(7, 0), QPointF(-7, 0), QPointF(6, 5), QPointF(-6, -5)}) {
        const QPointF at = (c + d) * scale;
        if (!closeColour(pixel(image, at.x(), at.y()), colour))
            return false;
    }
    return true;
}

TEST(ResponseGraphWidget, PeakingBandMarkerIsPaintedAtTheMappedPixelAtAnyPixelRatio) {
    ResponseGraphWidget w;
    loadPeq(w, 600, 300);
    const QPointF c = mappedMarker(w, 1);
    // 1000 Hz sits 2/3 along the 20..20000 Hz decades; +6 dB is 6/30 of the height above
    // the middle.
    const PlotRect r = plotRectFor(600, 300, true);
    EXPECT_NEAR(c.x(), r.left + (r.right - r.left) * std::log10(50.0) / 3.0, 1e-9);
    EXPECT_NEAR(c.y(), (r.top + r.bottom) / 2.0 - (r.bottom - r.top) * 6.0 / 30.0, 1e-9);
    EXPECT_EQ(w.markerCentre(1), c);

    const QColor colour = ResponseGraphWidget::slotColour(1);
    const QImage image = w.grab().toImage();
    EXPECT_TRUE(discPaintedAt(image, c, colour));
    EXPECT_FALSE(discPaintedAt(image, c + QPointF(0, 30), colour)); // not a band further down

    // Without markers the same pixels show the curve and grid only.
    w.setMarkersVisible(false);
    EXPECT_FALSE(discPaintedAt(w.grab().toImage(), c, colour));
    w.setMarkersVisible(true);

    // Drawn at twice the pixel ratio the disc lands on the doubled position, not blurred.
    QImage hiDpi(1200, 600, QImage::Format_ARGB32_Premultiplied);
    hiDpi.setDevicePixelRatio(2.0);
    hiDpi.fill(Qt::black);
    w.render(&hiDpi);
    EXPECT_TRUE(discPaintedAt(hiDpi, c, colour, 2.0));
}

TEST(ResponseGraphWidget, MarkerDragReportsInverseMappedValuesAndHoldsThemToThePlot) {
    ResponseGraphWidget w;
    loadPeq(w, 600, 300);
    const PlotRect r = plotRectFor(600, 300, true);
    QSignalSpy pressed{&w, &ResponseGraphWidget::markerPressed};
    QSignalSpy moving{&w, &ResponseGraphWidget::markerMoving};
    QSignalSpy released{&w, &ResponseGraphWidget::markerReleased};

    const QPointF c = w.markerCentre(1);
    const QPoint grab = c.toPoint() + QPoint(3, 2); // off-centre: the marker must not jump
    test::press(&w, grab);
    ASSERT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).toInt(), 1);
    EXPECT_DOUBLE_EQ(pressed.at(0).at(1).toDouble(), 1000.0);
    EXPECT_DOUBLE_EQ(pressed.at(0).at(2).toDouble(), 6.0);
    EXPECT_EQ(w.draggedMarker(), 1);
    EXPECT_EQ(moving.count(), 0);

    test::moveTo(&w, grab + QPoint(40, -30));
    ASSERT_EQ(moving.count(), 1);
    const MarkerValue expected = markerValueFromPixel({c.x() + 40, c.y() - 30}, r, kPeqAxes);
    EXPECT_NEAR(moving.at(0).at(1).toDouble(), expected.x, 1e-6);
    EXPECT_NEAR(moving.at(0).at(2).toDouble(), expected.y, 1e-9);
    EXPECT_NEAR(w.graph().slot(1).freq, expected.x, 1e-6); // the marker follows
    EXPECT_NEAR(w.markerCentre(1).x(), c.x() + 40, 1e-6);

    test::moveTo(&w, grab + QPoint(40, -30)); // same place: nothing new to report
    EXPECT_EQ(moving.count(), 1);

    // Far beyond the top right corner: held to the plot, exactly the axis ends.
    test::moveTo(&w, QPoint(w.width() + 100, -100));
    ASSERT_EQ(moving.count(), 2);
    EXPECT_DOUBLE_EQ(moving.at(1).at(1).toDouble(), 20000.0);
    EXPECT_DOUBLE_EQ(moving.at(1).at(2).toDouble(), 15.0);

    // Released beyond the bottom left: one last move and the release, both at the ends.
    test::release(&w, QPoint(-100, w.height() + 100));
    ASSERT_EQ(moving.count(), 3);
    ASSERT_EQ(released.count(), 1);
    EXPECT_EQ(released.at(0).at(0).toInt(), 1);
    EXPECT_DOUBLE_EQ(released.at(0).at(1).toDouble(), 20.0);
    EXPECT_DOUBLE_EQ(released.at(0).at(2).toDouble(), -15.0);
    EXPECT_EQ(w.draggedMarker(), -1);
    EXPECT_NEAR(w.markerCentre(1).x(), r.left, 1e-9);
    EXPECT_NEAR(w.markerCentre(1).y(), r.bottom, 1e-9);
}

TEST(ResponseGraphWidget, ClicksWithoutMovementReportNoMoveAndDoubleClickReportsOnce) {
    ResponseGraphWidget w;
    loadPeq(w, 600, 300);
    QSignalSpy pressed{&w, &ResponseGraphWidget::markerPressed};
    QSignalSpy moving{&w, &ResponseGraphWidget::markerMoving};
    QSignalSpy released{&w, &ResponseGraphWidget::markerReleased};
    QSignalSpy doubled{&w, &ResponseGraphWidget::markerDoubleClicked};

    const QPoint at = w.markerCentre(2).toPoint();
    test::click(&w, at);
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(moving.count(), 0);
    EXPECT_EQ(released.count(), 0);

    test::doubleClick(&w, at);
    ASSERT_EQ(doubled.count(), 1);
    EXPECT_EQ(doubled.at(0).at(0).toInt(), 2);
    EXPECT_DOUBLE_EQ(doubled.at(0).at(1).toDouble(), 3000.0);
    EXPECT_DOUBLE_EQ(doubled.at(0).at(2).toDouble(), -7.0);
    EXPECT_EQ(moving.count(), 0);
    EXPECT_EQ(released.count(), 0);

    test::click(&w, QPoint(w.width() / 2, 5)); // empty space: no marker
    EXPECT_EQ(pressed.count(), 2);
}

TEST(ResponseGraphWidget, FilterMarkersMoveInFrequencyOnlyAndBandsInGainOnly) {
    ResponseGraphWidget peq;
    loadPeq(peq, 600, 300);
    QSignalSpy moving{&peq, &ResponseGraphWidget::markerMoving};
    const QPoint hp = peq.markerCentre(4).toPoint();
    test::press(&peq, hp);
    test::moveTo(&peq, hp + QPoint(0, -50)); // straight up: the frequency stays
    EXPECT_EQ(moving.count(), 0);
    test::release(&peq, hp + QPoint(30, -50));
    ASSERT_EQ(moving.count(), 1);
    EXPECT_GT(moving.at(0).at(1).toDouble(), 30.0);
    EXPECT_DOUBLE_EQ(moving.at(0).at(2).toDouble(), 0.0);

    ResponseGraphWidget geq;
    loadGeq(geq, 620, 300);
    const PlotRect r = plotRectFor(620, 300, true);
    QSignalSpy bandMoving{&geq, &ResponseGraphWidget::markerMoving};
    const QPointF c7 = geq.markerCentre(7);
    const QPoint band = c7.toPoint();
    test::press(&geq, band);
    test::release(&geq, band + QPoint(6, -40)); // sideways drift keeps band 8 in its column
    ASSERT_EQ(bandMoving.count(), 1);
    EXPECT_EQ(bandMoving.at(0).at(0).toInt(), 7);
    EXPECT_DOUBLE_EQ(bandMoving.at(0).at(1).toDouble(), 8.0);
    const double expected = linearValueFromPixel({c7.x(), c7.y() - 40}, r, kGeqAxes).y;
    EXPECT_NEAR(bandMoving.at(0).at(2).toDouble(), expected, 1e-9);
}

TEST(ResponseGraphWidget, GraphicEqBarHeightsFollowTheBandGains) {
    ResponseGraphWidget w;
    loadGeq(w, 620, 300);
    ResponseGraph& g = w.graph();
    g.slot(0).gainDb = 15.0;
    g.slot(10).gainDb = -7.5;
    g.slot(30).gainDb = 6.0;
    const PlotRect r = plotRectFor(620, 300, true);
    const double zero = linearPoint(0.0, 0.0, r, kGeqAxes).y;

    for (int b : {0, 10, 20, 30}) {
        const PlotPoint top = linearPoint(b + 1.0, g.slot(b).gainDb, r, kGeqAxes);
        const QRectF bar = w.barRect(b);
        EXPECT_NEAR(bar.center().x(), top.x, 1e-9) << b;
        EXPECT_NEAR(bar.height(), std::abs(top.y - zero), 1e-9) << b;
        EXPECT_NEAR(w.markerCentre(b).y(), top.y, 1e-9) << b;
    }
    EXPECT_NEAR(w.barRect(0).top(), r.top, 1e-9); // +15 dB reaches the top edge

    QImage image = w.grab().toImage();
    auto barAt = [&](int b, double y) {
        return closeColour(pixel(image, w.barRect(b).center().x(), y), kBar);
    };
    EXPECT_TRUE(barAt(0, (zero + r.top) / 2.0));
    EXPECT_TRUE(barAt(10, zero + w.barRect(10).height() / 2.0));
    EXPECT_FALSE(barAt(10, zero - 8.0)); // a cut grows downwards only
    EXPECT_FALSE(barAt(20, zero - 8.0)); // 0 dB: no bar either side
    EXPECT_FALSE(barAt(20, zero + 8.0));
    const double sixDb = w.barRect(30).height();
    EXPECT_TRUE(barAt(30, zero - sixDb / 2.0));
    EXPECT_FALSE(barAt(30, zero - sixDb - 8.0));

    g.slot(30).gainDb = -6.0;
    w.refresh();
    image = w.grab().toImage();
    EXPECT_FALSE(barAt(30, zero - sixDb / 2.0));
    EXPECT_TRUE(barAt(30, zero + sixDb / 2.0));
}

TEST(ResponseGraphWidget, ResizeKeepsMarkersOnTheirMappedPositions) {
    ResponseGraphWidget w;
    loadPeq(w, 600, 300);
    const QPointF before = w.markerCentre(1);
    w.resize(900, 420);
    ASSERT_EQ(w.width(), 900);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w.markerCentre(i), mappedMarker(w, i)) << i;
    const QPointF after = w.markerCentre(1);
    EXPECT_GT(after.x(), before.x() + 100.0);

    const QColor colour = ResponseGraphWidget::slotColour(1);
    const QImage image = w.grab().toImage();
    EXPECT_TRUE(discPaintedAt(image, after, colour));
    EXPECT_FALSE(discPaintedAt(image, before, colour));

    // A drag after the resize maps through the new plot rectangle.
    QSignalSpy moving{&w, &ResponseGraphWidget::markerMoving};
    test::press(&w, after.toPoint());
    test::release(&w, after.toPoint() + QPoint(25, 0));
    ASSERT_EQ(moving.count(), 1);
    const MarkerValue v =
        markerValueFromPixel({after.x() + 25, after.y()}, plotRectFor(900, 420, true), kPeqAxes);
    EXPECT_NEAR(moving.at(0).at(1).toDouble(), v.x, 1e-6);
}

TEST(ResponseGraphWidget, FreehandStrokeSetsEveryBandItCrossesAndEndsOnce) {
    ResponseGraphWidget w;
    loadGeq(w, 620, 300);
    w.setFreehand(true);
    const PlotRect r = plotRectFor(620, 300, true);
    QSignalSpy drawn{&w, &ResponseGraphWidget::bandDrawn};
    QSignalSpy ended{&w, &ResponseGraphWidget::strokeEnded};
    QSignalSpy pressed{&w, &ResponseGraphWidget::markerPressed};
    auto barX = [&](int b) {
        return static_cast<int>(std::lround(r.left + (r.right - r.left) * (b + 1) / 32.0));
    };
    auto yOf = [&](double db) {
        return static_cast<int>(std::lround(linearPoint(0, db, r, kGeqAxes).y));
    };

    // Within reach of one bar only (bars stand about 17 pixels apart).
    test::press(&w, QPoint(barX(5) + ResponseGraphWidget::kFreehandReach, yOf(6.0)));
    ASSERT_EQ(drawn.count(), 1);
    EXPECT_EQ(drawn.at(0).at(0).toInt(), 5);
    EXPECT_NEAR(drawn.at(0).at(1).toDouble(), 6.0, 0.1);
    EXPECT_EQ(pressed.count(), 0); // no marker drag while drawing

    // One fast sweep to the right end, above the plot: every band on the way is set,
    // rising from +6 dB to the +15 dB limit, none skipped.
    test::moveTo(&w, QPoint(barX(30) + 2, -40));
    EXPECT_EQ(drawn.count(), 26);
    double last = w.graph().slot(5).gainDb;
    for (int b = 6; b <= 30; ++b) {
        EXPECT_GE(w.graph().slot(b).gainDb, last) << b;
        last = w.graph().slot(b).gainDb;
    }
    EXPECT_DOUBLE_EQ(w.graph().slot(30).gainDb, 15.0);
    EXPECT_DOUBLE_EQ(w.graph().slot(4).gainDb, 0.0); // behind the stroke: untouched
    EXPECT_EQ(w.strokePoints().size(), 2u);

    test::release(&w, QPoint(barX(30) + 2, -40));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_TRUE(w.strokePoints().empty());
}

} // namespace
} // namespace krm::ui
