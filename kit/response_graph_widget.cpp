#include "kit/response_graph_widget.h"

#include "dsp/static_curve.h"

#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace krm::ui {

namespace {

double clampTo(double v, double a, double b) {
    return std::clamp(v, std::min(a, b), std::max(a, b));
}

} // namespace

ResponseGraphWidget::ResponseGraphWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

QColor ResponseGraphWidget::slotColour(int slot) {
    static const std::array<QColor, 8> palette = {
        QColor(240, 176, 56), QColor(108, 198, 92),  QColor(86, 168, 236), QColor(222, 112, 196),
        QColor(236, 96, 80),  QColor(164, 136, 242), QColor(88, 214, 200), QColor(214, 214, 120),
    };
    return palette[static_cast<std::size_t>(std::abs(slot)) % palette.size()];
}

void ResponseGraphWidget::setLineCurve(std::vector<PlotPoint> valuePoints) {
    m_lineCurve = std::move(valuePoints);
    update();
}

void ResponseGraphWidget::setStaticCurve(double thresholdDb, double ratio, double makeupDb) {
    const AxisRanges& ax = m_graph.axes();
    constexpr int kSteps = 600; // 0.1 dB on the editors' -60..0 axis
    std::vector<PlotPoint> points;
    points.reserve(kSteps + 2);
    for (int i = 0; i <= kSteps; ++i) {
        const double x = ax.xMin + (ax.xMax - ax.xMin) * i / kSteps;
        points.push_back({x, staticGainCurve(x, thresholdDb, ratio, makeupDb)});
    }
    // The knee at the threshold is sampled exactly.
    if (thresholdDb > std::min(ax.xMin, ax.xMax) && thresholdDb < std::max(ax.xMin, ax.xMax)) {
        points.push_back({thresholdDb, staticGainCurve(thresholdDb, thresholdDb, ratio, makeupDb)});
        std::sort(points.begin(), points.end(),
                  [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
    }
    setLineCurve(std::move(points));
}

void ResponseGraphWidget::setMarkersVisible(bool visible) {
    m_markersVisible = visible;
    if (!visible)
        setHover(-1);
    update();
}

void ResponseGraphWidget::setMarkerLabels(const QStringList& labels) {
    m_markerLabels = labels;
    update();
}

void ResponseGraphWidget::setBarLabels(const QStringList& labels) {
    m_barLabels = labels;
    update();
}

void ResponseGraphWidget::setSlotCurvesVisible(bool visible) {
    m_slotCurvesVisible = visible;
    update();
}

void ResponseGraphWidget::setSwitchedOff(bool off) {
    if (m_switchedOff == off)
        return;
    m_switchedOff = off;
    update();
}

void ResponseGraphWidget::setFreehand(bool on) {
    m_freehand = on;
    if (on)
        setHover(-1);
    if (freehandActive())
        setCursor(Qt::CrossCursor);
    else
        unsetCursor();
    update();
}

QPointF ResponseGraphWidget::markerCentre(int slot) const {
    const PlotRect r = plotRect();
    const MarkerValue v = slotValue(slot);
    const PlotPoint pt = linearMode() ? linearPoint(v.x, v.y, r, m_graph.axes())
                                      : markerPoint(v.x, v.y, r, m_graph.axes());
    return {pt.x, pt.y};
}

QRectF ResponseGraphWidget::barRect(int slot) const {
    const PlotRect r = plotRect();
    const AxisRanges& ax = m_graph.axes();
    const double span = ax.xMax - ax.xMin;
    const double step = span == 0.0 ? 0.0 : (r.right - r.left) / std::abs(span);
    const double w = std::max(2.0, step * 0.6);
    const double x = linearPoint(slot + 1.0, 0.0, r, ax).x;
    const double zero = linearPoint(0.0, clampTo(0.0, ax.yMin, ax.yMax), r, ax).y;
    const double gain = clampTo(m_graph.slot(slot).gainDb, ax.yMin, ax.yMax);
    const double top = linearPoint(0.0, gain, r, ax).y;
    return QRectF(x - w / 2.0, std::min(zero, top), w, std::abs(top - zero));
}

int ResponseGraphWidget::markerAt(QPointF pos) const {
    if (!m_markersVisible)
        return -1;
    double halfW = kMarkerSize / 2.0;
    double halfH = kMarkerSize / 2.0;
    if (m_graph.plotMode() == kPlotGraphicEq) {
        // Bars stand closer than a marker is wide: each cap owns its own column.
        const PlotRect r = plotRect();
        const double span = std::abs(m_graph.axes().xMax - m_graph.axes().xMin);
        halfW = span == 0.0 ? halfW : std::max(3.0, (r.right - r.left) / span / 2.0);
        halfH = 12.0;
    }
    int best = -1;
    double bestDist = std::numeric_limits<double>::max();
    for (int i = 0; i < m_graph.slotCount(); ++i) {
        const QPointF d = pos - markerCentre(i);
        if (std::abs(d.x()) > halfW || std::abs(d.y()) > halfH)
            continue;
        const double dist = d.x() * d.x() + d.y() * d.y();
        if (dist <= bestDist) { // a tie goes to the later slot, the one drawn on top
            best = i;
            bestDist = dist;
        }
    }
    return best;
}

MarkerValue ResponseGraphWidget::slotValue(int slot) const {
    const GraphSlot& s = m_graph.slot(slot);
    if (m_graph.plotMode() == kPlotGraphicEq)
        return {slot + 1.0, s.gainDb};
    return {s.freq, s.gainDb};
}

MarkerValue ResponseGraphWidget::valueAtCentre(int slot, QPointF c) const {
    const PlotRect r = plotRect();
    const AxisRanges& ax = m_graph.axes();
    const PlotPoint pt{c.x(), c.y()};
    MarkerValue v;
    double yTop = ax.yMax;
    double yBottom = ax.yMin;
    if (linearMode()) {
        v = linearValueFromPixel(pt, r, ax);
    } else {
        v = markerValueFromPixel(pt, r, ax);
        yTop = kMarkerSpanDb / 2.0;
        yBottom = -kMarkerSpanDb / 2.0;
    }
    // The plot edges stand for the axis ends exactly, so a marker pushed against the right
    // edge reports 20000 Hz and not 19999.999 through rounding.
    if (c.x() <= r.left)
        v.x = ax.xMin;
    else if (c.x() >= r.right)
        v.x = ax.xMax;
    if (c.y() <= r.top)
        v.y = yTop;
    else if (c.y() >= r.bottom)
        v.y = yBottom;

    const GraphSlot& s = m_graph.slot(slot);
    if (m_graph.plotMode() == kPlotGraphicEq)
        v.x = slot + 1.0; // a band stays in its column
    else if (!linearMode() && s.kind != kSlotEqBand)
        v.y = s.gainDb; // filters move along the frequency axis only
    return v;
}

void ResponseGraphWidget::storeSlotValue(int slot, MarkerValue v) {
    GraphSlot& s = m_graph.slot(slot);
    if (m_graph.plotMode() != kPlotGraphicEq)
        s.freq = v.x;
    s.gainDb = v.y;
}

void ResponseGraphWidget::setHover(int slot) {
    if (slot == m_hoverSlot)
        return;
    m_hoverSlot = slot;
    if (freehandActive())
        return;
    if (slot < 0) {
        unsetCursor();
    } else if (m_graph.plotMode() == kPlotGraphicEq) {
        setCursor(Qt::SizeVerCursor);
    } else if (!linearMode() && m_graph.slot(slot).kind != kSlotEqBand) {
        setCursor(Qt::SizeHorCursor);
    } else {
        setCursor(Qt::SizeAllCursor);
    }
    update();
}

void ResponseGraphWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_dragSlot >= 0 || m_stroking)
        return;
    const QPointF pos = event->position();
    if (freehandActive()) {
        m_stroking = true;
        m_stroke.assign(1, pos);
        drawBandsBetween(pos, pos);
        update();
        return;
    }
    const int slot = markerAt(pos);
    if (slot < 0)
        return;
    m_dragSlot = slot;
    m_dragMoved = false;
    m_grabOffset = pos - markerCentre(slot);
    // Moves are compared with what this very pixel maps back to, so that a pointer that
    // has not left it (or moves only along a locked axis) reports nothing.
    m_lastValue = valueAtCentre(slot, clampedCentre(pos));
    m_hoverSlot = slot;
    update();
    const MarkerValue v = slotValue(slot);
    emit markerPressed(slot, v.x, v.y);
}

void ResponseGraphWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    if (m_dragSlot >= 0) {
        dragTo(pos);
    } else if (m_stroking) {
        strokeTo(pos);
    } else if (!freehandActive()) {
        setHover(markerAt(pos));
    }
}

void ResponseGraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (m_dragSlot >= 0) {
        dragTo(event->position());
        const int slot = m_dragSlot;
        m_dragSlot = -1;
        update();
        if (m_dragMoved)
            emit markerReleased(slot, m_lastValue.x, m_lastValue.y);
        setHover(markerAt(event->position()));
    } else if (m_stroking) {
        strokeTo(event->position());
        m_stroking = false;
        m_stroke.clear();
        update();
        emit strokeEnded();
    }
}

void ResponseGraphWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (freehandActive()) {
        mousePressEvent(event); // a fast second press still draws
        return;
    }
    const int slot = markerAt(event->position());
    if (slot < 0)
        return;
    const MarkerValue v = slotValue(slot);
    emit markerDoubleClicked(slot, v.x, v.y);
}

void ResponseGraphWidget::leaveEvent(QEvent*) {
    if (m_dragSlot < 0)
        setHover(-1);
}

QPointF ResponseGraphWidget::clampedCentre(QPointF pointer) const {
    const PlotRect r = plotRect();
    return {clampTo(pointer.x() - m_grabOffset.x(), r.left, r.right),
            clampTo(pointer.y() - m_grabOffset.y(), r.top, r.bottom)};
}

void ResponseGraphWidget::dragTo(QPointF pointer) {
    const MarkerValue v = valueAtCentre(m_dragSlot, clampedCentre(pointer));
    if (v.x == m_lastValue.x && v.y == m_lastValue.y)
        return;
    m_lastValue = v;
    m_dragMoved = true;
    storeSlotValue(m_dragSlot, v);
    update();
    emit markerMoving(m_dragSlot, v.x, v.y);
}

void ResponseGraphWidget::strokeTo(QPointF pointer) {
    if (m_stroke.empty())
        return;
    const QPointF from = m_stroke.back();
    if (from == pointer)
        return;
    if (m_stroke.size() < static_cast<std::size_t>(kMaxStrokePoints))
        m_stroke.push_back(pointer);
    else
        m_stroke.back() = pointer; // the drawn stroke stops growing; bands still follow
    drawBandsBetween(from, pointer);
    update();
}

// Every band whose bar lies within reach of the pointer takes the gain under it. Between
// two pointer positions the stroke is a straight line, so a fast stroke leaves no band in
// between untouched.
void ResponseGraphWidget::drawBandsBetween(QPointF from, QPointF to) {
    const PlotRect r = plotRect();
    const AxisRanges& ax = m_graph.axes();
    if (r.right == r.left || r.bottom == r.top || ax.xMax == ax.xMin)
        return;
    const double lo = std::min(from.x(), to.x()) - kFreehandReach;
    const double hi = std::max(from.x(), to.x()) + kFreehandReach;
    for (int b = 0; b < m_graph.slotCount(); ++b) {
        const double barX =
            std::round(r.left + (r.right - r.left) * (b + 1 - ax.xMin) / (ax.xMax - ax.xMin));
        if (barX < lo || barX > hi)
            continue;
        double y = to.y();
        if (from.x() != to.x()) {
            const double t = std::clamp((barX - from.x()) / (to.x() - from.x()), 0.0, 1.0);
            y = from.y() + t * (to.y() - from.y());
        }
        const double gain = clampTo(
            ax.yMin + (r.bottom - y) * (ax.yMax - ax.yMin) / (r.bottom - r.top), ax.yMin, ax.yMax);
        GraphSlot& s = m_graph.slot(b);
        if (s.gainDb == gain)
            continue;
        s.gainDb = gain;
        emit bandDrawn(b, gain);
    }
}

} // namespace krm::ui
