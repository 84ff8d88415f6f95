#include "editors/strips/geq_thumbnail.h"

#include "dsp/plot_mapping.h"
#include "kit/kit_style.h"

#include <QMouseEvent>
#include <QPainter>

namespace krm {

namespace {
const AxisRanges kAxes{0.0, 32.0, -15.0, 15.0};
constexpr std::uint32_t kBarColour = 0xFF29A4D0;
} // namespace

GeqThumbnail::GeqThumbnail(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
}

void GeqThumbnail::setGains(const std::array<double, kGeqBands>& gainsDb) {
    if (gainsDb == m_gains)
        return;
    m_gains = gainsDb;
    update();
}

void GeqThumbnail::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void GeqThumbnail::setSwitchedOff(bool off) {
    if (m_switchedOff == off)
        return;
    m_switchedOff = off;
    update();
}

void GeqThumbnail::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    ui::style::paintGroove(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3.0);
    const PlotRect plot = plotRectFor(width(), height(), false);
    const double zero = linearPoint(0.0, 0.0, plot, kAxes).y;
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    p.drawLine(QPointF(plot.left, zero), QPointF(plot.right, zero));

    const double step = (plot.right - plot.left) / (kAxes.xMax - kAxes.xMin);
    const double barWidth = std::max(1.0, step * 0.6);
    p.setPen(Qt::NoPen);
    // Switched off, the bars take the grey of the editor's switched-off bars.
    p.setBrush(m_switchedOff ? QColor(86, 91, 100) : QColor::fromRgba(kBarColour));
    for (int b = 0; b < kGeqBands; ++b) {
        const PlotPoint top =
            linearPoint(b + 1.0, m_gains[static_cast<std::size_t>(b)], plot, kAxes);
        const double y0 = std::min(top.y, zero);
        const double h = std::max(1.0, std::abs(top.y - zero));
        p.drawRect(QRectF(top.x - barWidth / 2, y0, barWidth, h));
    }
}

} // namespace krm
