#include "editors/strips/peq_thumbnail.h"

#include "dsp/plot_mapping.h"
#include "kit/kit_style.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

namespace krm {

PeqThumbnail::PeqThumbnail(QWidget* parent) : QWidget(parent) {
    m_graph.setFramed(false);
    m_graph.setPlotMode(kPlotFrequencyResponse);
    m_graph.setAxes(AxisRanges{20.0, 20000.0, -15.0, 15.0});
    setCursor(Qt::PointingHandCursor);
}

void PeqThumbnail::load(const InputChannel& channel, bool withFilters) {
    for (int b = 0; b < 4; ++b) {
        const PeqBand& band = channel.peq[static_cast<std::size_t>(b)];
        m_graph.setEqBand(b, band.freq, band.gain, band.q, band.type);
    }
    if (withFilters) {
        m_graph.setPassFilter(4, kSlotHighPass, channel.hpf.enable, channel.hpf.freq,
                              channel.hpf.slope);
        m_graph.setPassFilter(5, kSlotLowPass, channel.lpf.enable, channel.lpf.freq,
                              channel.lpf.slope);
    }
    m_graph.setSlotCount(withFilters ? 6 : 4);
    m_graph.recompute();
    update();
}

void PeqThumbnail::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PeqThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    ui::style::paintGroove(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3.0);

    const PlotRect plot = m_graph.plotRect(width(), height());
    const AxisRanges& axes = m_graph.axes();
    // Decade lines and the 0 dB line, faint, under the curve.
    p.setPen(QPen(QColor(255, 255, 255, 22), 1.0));
    for (double f : {100.0, 1000.0, 10000.0}) {
        const double x = logPixelX(f, plot, axes);
        p.drawLine(QPointF(x, plot.top), QPointF(x, plot.bottom));
    }
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawLine(QPointF(plot.left, plot.middleY()), QPointF(plot.right, plot.middleY()));

    QPolygonF polygon;
    for (const PlotPoint& pt : responsePolygon(m_graph.summed(), plot, axes))
        polygon << QPointF(pt.x, pt.y);
    const CurveStyle look = curveStyle(m_graph.framed());
    const QColor colour = QColor::fromRgba(look.argb);
    p.setPen(QPen(colour, look.outlineWidth));
    p.setBrush(colour);
    p.drawPolygon(polygon);
}

} // namespace krm
