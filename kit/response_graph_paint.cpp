// Painting of the response graph: background, grids and captions, the curves or bars of the
// plot mode, the markers and the freehand stroke. Every position comes from the pure
// mappings of dsp/plot_mapping.h, through the widget's geometry functions.
#include "kit/response_graph_widget.h"

#include "kit/kit_style.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace krm::ui {

namespace {

constexpr double kDiscRadius = 10.0; // the visible disc inside a 32 x 32 marker
constexpr double kHaloRadius = 14.0; // ring of the hovered or dragged marker
constexpr int kCaptionPixels = 10;
const QColor kPlotTop{22, 24, 29};
const QColor kPlotBottom{11, 12, 15};
const QColor kGridMinor{255, 255, 255, 14};
const QColor kGridMajor{255, 255, 255, 34};
const QColor kGridZero{255, 255, 255, 70};
const QColor kBarColour = QColor::fromRgba(0xFF29A4D0u);
const QColor kCapColour{226, 230, 236};
// Bars of a switched-off graphic EQ: the grey of the captions, so they read as inactive.
const QColor kOffBarColour{86, 91, 100};
const QColor kMarkerInk{12, 13, 16};

QRectF areaOf(const PlotRect& r) {
    return QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A one-pixel line through the middle of a pixel, so that it covers whole pixels at any
// device pixel ratio of 1 or 2.
double crisp(double v) {
    return std::floor(v) + 0.5;
}

// The grid step that cuts a span into at most maxLines intervals: 1, 2 or 5 times a power
// of ten.
double niceStep(double span, int maxLines) {
    if (!(span > 0.0))
        return 1.0;
    const double base = std::pow(10.0, std::floor(std::log10(span / maxLines)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (span / (m * base) <= maxLines)
            return m * base;
    }
    return 10.0 * base;
}

QString valueText(double v) {
    return QString::number(std::abs(v) < 1e-9 ? 0.0 : v, 'g', 6);
}

QString frequencyText(double f) {
    if (f >= 1000.0)
        return QString::number(f / 1000.0, 'g', 4) + QLatin1Char('k');
    return QString::number(f, 'g', 4);
}

// Frequencies of 1, 2 and 5 times a power of ten carry a caption and a stronger line.
bool majorFrequency(int multiple) {
    return multiple == 1 || multiple == 2 || multiple == 5;
}

// Horizontal value lines with their captions in the left margin; shared by every mode.
// Mode 4 captions only the top ("15 (dB)"), the 0 dB line and the bottom.
void paintValueLines(QPainter& p, const PlotRect& r, const AxisRanges& ax, bool framed,
                     bool graphicEq) {
    if (!(ax.yMax > ax.yMin))
        return;
    const double step = niceStep(ax.yMax - ax.yMin, 8);
    p.setFont(style::font(kCaptionPixels));
    for (double v = std::ceil(ax.yMin / step - 1e-9) * step; v <= ax.yMax + step * 1e-9;
         v += step) {
        const double y = crisp(curvePixelY(v, r, ax));
        const bool zero = std::abs(v) < step * 1e-6;
        const bool top = v + step > ax.yMax + step * 1e-9;
        const bool bottom = v - step < ax.yMin - step * 1e-9;
        if (!framed) {
            // Lines on the edges of an unframed graph would only thicken its border.
            if (zero || !(top || bottom)) {
                p.setPen(QPen(zero ? kGridZero : kGridMinor, 1.0));
                p.drawLine(QPointF(r.left, y), QPointF(r.right, y));
            }
            continue;
        }
        p.setPen(QPen(zero ? kGridZero : kGridMajor, 1.0));
        p.drawLine(QPointF(r.left, y), QPointF(r.right, y));
        if (r.left < 12)
            continue;
        if (graphicEq && !(top || bottom || zero))
            continue;
        p.setPen(style::kTextDim);
        if (graphicEq && top) {
            p.drawText(QRectF(2, r.top - 15, 200, 14), Qt::AlignLeft | Qt::AlignBottom,
                       QStringLiteral("%1 (dB)").arg(static_cast<int>(ax.yMax)));
            continue;
        }
        p.drawText(QRectF(0, y - 8, r.left - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   valueText(v));
    }
}

} // namespace

QString ResponseGraphWidget::markerLabel(int slot) const {
    if (slot < m_markerLabels.size())
        return m_markerLabels.at(slot);
    if (!linearMode()) {
        const int kind = m_graph.slot(slot).kind;
        if (kind == kSlotHighPass)
            return QStringLiteral("H");
        if (kind == kSlotLowPass)
            return QStringLiteral("L");
    }
    return QString::number(slot + 1);
}

void ResponseGraphWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const PlotRect r = plotRect();
    const QRectF area = areaOf(r);

    p.drawPixmap(0, 0, background(r));
    switch (m_graph.plotMode()) {
    case kPlotFrequencyResponse:
        paintResponse(p, r);
        break;
    case kPlotGraphicEq:
        paintBars(p, r);
        break;
    default:
        paintLineCurve(p, r);
        break;
    }
    if (m_graph.framed()) {
        p.setPen(QPen(QColor(0, 0, 0, 170), 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(area.adjusted(-0.5, -0.5, 0.5, 0.5));
    }
    if (m_markersVisible)
        paintMarkers(p);
    if (m_stroke.size() > 1) {
        QPolygonF line;
        for (const QPointF& pt : m_stroke)
            line << pt;
        p.setPen(QPen(QColor(255, 255, 255, 150), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
    }
}

const QPixmap& ResponseGraphWidget::background(const PlotRect& r) const {
    const AxisRanges& ax = m_graph.axes();
    const BackgroundKey key{size(),
                            devicePixelRatioF(),
                            m_graph.plotMode(),
                            m_graph.framed(),
                            ax.xMin,
                            ax.xMax,
                            ax.yMin,
                            ax.yMax};
    if (key == m_backgroundKey && !m_background.isNull())
        return m_background;
    m_backgroundKey = key;
    m_background = QPixmap(size() * key.dpr);
    m_background.setDevicePixelRatio(key.dpr);
    m_background.fill(Qt::transparent);
    QPainter p(&m_background);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintBackground(p, r);
    return m_background;
}

void ResponseGraphWidget::paintBackground(QPainter& p, const PlotRect& r) const {
    const QRectF area = areaOf(r);
    if (m_graph.framed()) {
        p.fillRect(rect(), style::kWindow);
        style::paintPanel(p, QRectF(rect()), 4.0, style::kPanel, style::kBorder);
    }
    QLinearGradient well(area.topLeft(), area.bottomLeft());
    well.setColorAt(0.0, kPlotTop);
    well.setColorAt(1.0, kPlotBottom);
    p.fillRect(area, well);
    if (m_graph.plotMode() == kPlotFrequencyResponse)
        paintFrequencyGrid(p, r);
    else
        paintLinearGrid(p, r);
}

void ResponseGraphWidget::paintFrequencyGrid(QPainter& p, const PlotRect& r) const {
    const AxisRanges& ax = m_graph.axes();
    paintValueLines(p, r, ax, m_graph.framed(), false);
    if (!(ax.xMin > 0.0 && ax.xMax > ax.xMin))
        return;
    p.setFont(style::font(kCaptionPixels));
    const double lo = ax.xMin * (1.0 - 1e-9);
    const double hi = ax.xMax * (1.0 + 1e-9);
    for (double decade = std::pow(10.0, std::floor(std::log10(ax.xMin))); decade <= hi;
         decade *= 10.0) {
        for (int m = 1; m <= 9; ++m) {
            const double f = m * decade;
            if (f < lo || f > hi)
                continue;
            const bool major = majorFrequency(m);
            if (!m_graph.framed() && m != 1)
                continue; // a small unframed graph keeps only the decades
            const double x = crisp(logPixelX(f, r, ax));
            p.setPen(QPen(major ? kGridMajor : kGridMinor, 1.0));
            p.drawLine(QPointF(x, r.top), QPointF(x, r.bottom));
            if (major && m_graph.framed()) {
                p.setPen(style::kTextDim);
                p.drawText(QRectF(x - 20, r.bottom + 3, 40, 14), Qt::AlignHCenter | Qt::AlignTop,
                           frequencyText(f));
            }
        }
    }
    if (m_graph.framed() && r.top >= 12) {
        p.setPen(style::kTextDim);
        p.drawText(QRectF(2, r.top - 15, r.left + 40, 14), Qt::AlignLeft | Qt::AlignBottom,
                   QStringLiteral("dB"));
    }
}

void ResponseGraphWidget::paintLinearGrid(QPainter& p, const PlotRect& r) const {
    const AxisRanges& ax = m_graph.axes();
    const bool graphicEq = m_graph.plotMode() == kPlotGraphicEq;
    paintValueLines(p, r, ax, m_graph.framed(), graphicEq);
    if (graphicEq || !(ax.xMax > ax.xMin))
        return; // the bars themselves mark the bands
    const double step = niceStep(ax.xMax - ax.xMin, 8);
    p.setFont(style::font(kCaptionPixels));
    for (double v = std::ceil(ax.xMin / step - 1e-9) * step; v <= ax.xMax + step * 1e-9;
         v += step) {
        const double x = crisp(linearPoint(v, 0.0, r, ax).x);
        p.setPen(QPen(std::abs(v) < step * 1e-6 ? kGridZero : kGridMajor, 1.0));
        p.drawLine(QPointF(x, r.top), QPointF(x, r.bottom));
        if (m_graph.framed()) {
            p.setPen(style::kTextDim);
            p.drawText(QRectF(x - 20, r.bottom + 3, 40, 14), Qt::AlignHCenter | Qt::AlignTop,
                       valueText(v));
        }
    }
}

void ResponseGraphWidget::paintResponse(QPainter& p, const PlotRect& r) {
    m_graph.recompute();
    const AxisRanges& ax = m_graph.axes();
    p.save();
    p.setClipRect(areaOf(r).adjusted(-1, -1, 1, 1));

    QPolygonF polygon;
    for (const PlotPoint& pt : responsePolygon(m_graph.summed(), r, ax))
        polygon << QPointF(pt.x, pt.y);
    const CurveStyle look = curveStyle(m_graph.framed());
    const QColor colour = QColor::fromRgba(look.argb);
    // The area is filled without antialiasing (a large antialiased fill costs milliseconds
    // on every repaint of a drag); the antialiased outline drawn over it hides the steps.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(polygon);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen outline(colour, 1.0);
    outline.setCosmetic(true);
    p.setPen(outline);
    p.setBrush(Qt::NoBrush);
    for (int pass = 0; pass < look.outlineWidth; ++pass) {
        // A wide outline as one-pixel lines stacked upwards: the fast line path.
        p.drawPolyline(polygon.translated(0, -pass * 0.5 + (look.outlineWidth - 1) * 0.25));
    }

    if (m_slotCurvesVisible && m_graph.framed()) {
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < m_graph.slotCount(); ++i) {
            const Curve& c = m_graph.slot(i).curve;
            if (std::all_of(c.begin(), c.end(), [](double v) { return std::abs(v) < 0.01; }))
                continue; // a flat slot adds nothing to see
            QPolygonF line;
            for (std::size_t k = 0; k < c.size(); ++k) {
                const double g = FrequencyGrid[k];
                if (g >= ax.xMin && g <= ax.xMax)
                    line << QPointF(logPixelX(g, r, ax), curvePixelY(c[k], r, ax));
            }
            QColor ink = slotColour(i);
            ink.setAlpha(150);
            // A one-pixel cosmetic pen takes the painter's fast line path; a wider one
            // goes through the general stroker at several times the cost.
            QPen pen(ink, 1.0);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.drawPolyline(line);
        }
    }
    p.restore();
}

void ResponseGraphWidget::paintLineCurve(QPainter& p, const PlotRect& r) const {
    if (m_lineCurve.size() < 2)
        return;
    QPolygonF line;
    for (const PlotPoint& v : m_lineCurve) {
        const PlotPoint pt = linearPoint(v.x, v.y, r, m_graph.axes());
        line << QPointF(pt.x, pt.y);
    }
    p.save();
    p.setClipRect(areaOf(r).adjusted(-1, -1, 1, 1));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(style::kAccent.lighter(125), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(line);
    p.restore();
}

void ResponseGraphWidget::paintBars(QPainter& p, const PlotRect& r) const {
    p.setPen(Qt::NoPen);
    p.setBrush(m_switchedOff ? kOffBarColour : kBarColour);
    for (int i = 0; i < m_graph.slotCount(); ++i)
        p.drawRect(barRect(i));

    if (!m_graph.framed() || m_graph.slotCount() == 0)
        return;
    p.setFont(style::font(kCaptionPixels - 1));
    const QFontMetricsF metrics(p.font());
    double widest = 0.0;
    auto label = [this](int i) {
        return i < m_barLabels.size() ? m_barLabels.at(i) : QString::number(i + 1);
    };
    for (int i = 0; i < m_graph.slotCount(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(label(i)));
    const double span = std::abs(m_graph.axes().xMax - m_graph.axes().xMin);
    const double step = span == 0.0 ? 0.0 : (r.right - r.left) / span;
    // Captions too wide for one column are shown on every second or third bar.
    const int stride =
        step <= 0.0 ? 1 : std::max(1, static_cast<int>(std::ceil((widest + 3) / step)));
    p.setPen(style::kTextDim);
    for (int i = 0; i < m_graph.slotCount(); i += stride) {
        const double x = barRect(i).center().x();
        p.drawText(QRectF(x - 30, r.bottom + 3, 60, 14), Qt::AlignHCenter | Qt::AlignTop, label(i));
    }
    // With frequency captions below, every bar also carries its number along the top.
    if (m_barLabels.isEmpty())
        return;
    const double numberWidth = metrics.horizontalAdvance(QStringLiteral("31"));
    const int numberStride =
        step <= 0.0 ? 1 : std::max(1, static_cast<int>(std::ceil((numberWidth + 2) / step)));
    for (int i = 0; i < m_graph.slotCount(); i += numberStride) {
        const double x = barRect(i).center().x();
        p.drawText(QRectF(x - 15, r.top + 2, 30, 12), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(i + 1));
    }
}

void ResponseGraphWidget::paintMarkers(QPainter& p) const {
    for (int i = 0; i < m_graph.slotCount(); ++i) {
        if (i != m_dragSlot)
            paintMarker(p, i);
    }
    if (m_dragSlot >= 0 && m_dragSlot < m_graph.slotCount())
        paintMarker(p, m_dragSlot); // the dragged marker stays on top
}

void ResponseGraphWidget::paintMarker(QPainter& p, int slot) const {
    const QPointF c = markerCentre(slot);
    const bool active = slot == m_dragSlot || (m_dragSlot < 0 && slot == m_hoverSlot);
    if (m_graph.plotMode() == kPlotGraphicEq) {
        const QRectF bar = barRect(slot);
        const double w = std::max(8.0, bar.width() + 4.0);
        // A switched-off EQ shows hollow caps, as a switched-off filter shows its marker.
        p.setPen(QPen(m_switchedOff ? style::kTextDim : kMarkerInk, m_switchedOff ? 1.5 : 1.0));
        p.setBrush(active ? style::kLitAmber : (m_switchedOff ? style::kPanel : kCapColour));
        p.drawRoundedRect(QRectF(c.x() - w / 2.0, c.y() - 3.0, w, 6.0), 2.0, 2.0);
        return;
    }
    const GraphSlot& s = m_graph.slot(slot);
    const bool off =
        !linearMode() && (s.kind == kSlotHighPass || s.kind == kSlotLowPass) && s.enabled == 0;
    const QColor colour = slotColour(slot);
    if (active) {
        p.setPen(QPen(QColor(255, 255, 255, 170), 1.5));
        p.setBrush(QColor(255, 255, 255, 36));
        p.drawEllipse(c, kHaloRadius, kHaloRadius);
    }
    // A switched-off filter shows a hollow marker.
    p.setPen(QPen(off ? colour : kMarkerInk, off ? 2.0 : 1.2));
    p.setBrush(off ? style::kPanel : (active ? colour.lighter(115) : colour));
    p.drawEllipse(c, kDiscRadius, kDiscRadius);
    p.setFont(style::font(kCaptionPixels, true));
    p.setPen(off ? colour : kMarkerInk);
    p.drawText(QRectF(c.x() - kDiscRadius, c.y() - kDiscRadius, 2 * kDiscRadius, 2 * kDiscRadius),
               Qt::AlignCenter, markerLabel(slot));
}

} // namespace krm::ui
