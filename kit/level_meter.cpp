#include "kit/level_meter.h"

#include "kit/kit_style.h"

#include <QPainter>

#include <algorithm>

namespace krm::ui {

namespace {
constexpr int kPeakOverhang = 2; // the peak line reaches this far beyond the bar each side
constexpr int kBarGap = 2;       // between bar slots
} // namespace

LevelMeter::LevelMeter(int bars, QWidget* parent)
    : QWidget(parent), m_bars(std::clamp(bars, 1, kMaxBars)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LevelMeter::setBarCount(int bars) {
    m_bars = std::clamp(bars, 1, kMaxBars);
    update();
}

void LevelMeter::setRange(int min, int max) {
    if (max <= min)
        max = min + 1;
    m_min = min;
    m_max = max;
    update();
}

int LevelMeter::barHeight(int level, int min, int max, int wellHeight) {
    if (max <= min || wellHeight <= 0)
        return 0;
    const int l = std::clamp(level, min, max);
    return static_cast<int>(static_cast<double>(wellHeight) * (l - min) / (max - min));
}

QColor LevelMeter::rowColour(double h) {
    if (h < 0.7)
        return QColor(219, 254, 36);
    if (h < 0.9)
        return QColor(255, 176, 35);
    return QColor(255, 35, 35);
}

void LevelMeter::setValue(int bar, int level) {
    if (bar < 0 || bar >= m_bars)
        return;
    Bar& b = m_values[static_cast<std::size_t>(bar)];
    const int well = wellRect(bar).height();
    const bool visible =
        barHeight(b.level, m_min, m_max, well) != barHeight(level, m_min, m_max, well);
    b.level = level;
    if (visible)
        update(wellRect(bar).adjusted(-kPeakOverhang, 0, kPeakOverhang, 0));
}

int LevelMeter::value(int bar) const {
    if (bar < 0 || bar >= m_bars)
        return 0;
    return m_values[static_cast<std::size_t>(bar)].level;
}

void LevelMeter::setPeak(int bar, int peak) {
    if (bar < 0 || bar >= m_bars)
        return;
    Bar& b = m_values[static_cast<std::size_t>(bar)];
    if (b.peak == peak)
        return;
    b.peak = peak;
    update();
}

void LevelMeter::setClip(int bar, bool clipped) {
    if (bar < 0 || bar >= m_bars)
        return;
    Bar& b = m_values[static_cast<std::size_t>(bar)];
    if (b.clip == clipped)
        return;
    b.clip = clipped;
    update();
}

void LevelMeter::setCaptions(const QStringList& captions) {
    m_captions = captions;
    update();
}

int LevelMeter::captionHeight() const {
    return m_captions.isEmpty() ? 0 : 14;
}

QRect LevelMeter::wellRect(int bar) const {
    const int slot = width() / std::max(1, m_bars);
    const int left = bar * slot + kPeakOverhang + kBarGap / 2;
    const int barWidth = std::max(2, slot - 2 * kPeakOverhang - kBarGap);
    const int top = 3;
    const int bottom = height() - captionHeight() - 3;
    return QRect(left, top, barWidth, std::max(0, bottom - top));
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), style::kWindow);
    for (int i = 0; i < m_bars; ++i) {
        const Bar& b = m_values[static_cast<std::size_t>(i)];
        const QRect well = wellRect(i);
        p.fillRect(well.adjusted(-1, -1, 1, 1), style::kGroove);
        const int lit = barHeight(b.level, m_min, m_max, well.height());
        // Each 2-pixel row takes the colour of its own height: unlit rows are drawn as a
        // dim trace of the same scale so the zones stay readable at rest.
        for (int y = 0; y < well.height(); y += 2) {
            const double h = static_cast<double>(y) / well.height();
            const int rowHeight = std::min(2, well.height() - y);
            const QRect row(well.left(), well.bottom() - y - rowHeight + 1, well.width(),
                            rowHeight);
            if (y < lit) {
                const int drawn = std::min(rowHeight, lit - y);
                p.fillRect(QRect(row.left(), well.bottom() - y - drawn + 1, row.width(), drawn),
                           rowColour(h));
            } else if ((y / 2) % 2 == 0) {
                QColor dim = rowColour(h);
                dim.setAlpha(28);
                p.fillRect(row, dim);
            }
        }
        if (b.peak >= 0) {
            const int ph = barHeight(b.peak, m_min, m_max, well.height());
            const int y = std::max(well.top(), well.bottom() - ph - 1);
            p.fillRect(QRect(well.left() - kPeakOverhang, y, well.width() + 2 * kPeakOverhang, 2),
                       b.clip ? QColor(255, 0, 0) : QColor(255, 255, 255));
        }
    }
    if (!m_captions.isEmpty()) {
        p.setFont(style::font(10));
        p.setPen(style::kText);
        const int slot = width() / std::max(1, m_bars);
        for (int i = 0; i < m_bars && i < m_captions.size(); ++i)
            p.drawText(QRect(i * slot, height() - captionHeight(), slot, captionHeight()),
                       Qt::AlignCenter, m_captions.at(i));
    }
}

} // namespace krm::ui
