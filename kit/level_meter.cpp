#include "kit/level_meter.h"

#include "kit/kit_style.h"

#include <QPainter>

#include <algorithm>

namespace krm::ui {

namespace {
constexpr int kPeakOverhang = 2; // the peak line reaches this far beyond the bar each side
constexpr int kBarGap = 2;       // between bar slots
constexpr int kLampTop = 2;
constexpr int kLampHeight = 4;
constexpr int kLampGap = 3;     // between the lamp and the well
constexpr int kScaleWidth = 26; // the dB numbers and their ticks
const QColor kLampDark(78, 22, 22);
} // namespace

const QColor LevelMeter::kLampLit(255, 0, 0);
const QColor LevelMeter::kHangingColour(255, 176, 35);

LevelMeter::LevelMeter(int bars, QWidget* parent)
    : QWidget(parent), m_clock(&systemClock()), m_bars(std::clamp(bars, 1, kMaxBars)) {
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
    clearHolds();
}

void LevelMeter::setClipLevel(int level) {
    m_clipLevel = level;
}

void LevelMeter::setHanging(int bar, bool hanging) {
    if (bar < 0 || bar >= m_bars)
        return;
    m_values[static_cast<std::size_t>(bar)].hanging = hanging;
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

int LevelMeter::peakAfter(int held, Millis elapsed, int level, int span) {
    if (elapsed <= kPeakHold)
        return std::max(held, level);
    const auto falling = (elapsed - kPeakHold).count();
    const auto fallen = static_cast<long long>(span) * falling / kPeakFall.count();
    return static_cast<int>(std::max<long long>(held - fallen, level));
}

void LevelMeter::setValue(int bar, int level) {
    if (bar < 0 || bar >= m_bars)
        return;
    Bar& b = m_values[static_cast<std::size_t>(bar)];
    const QRect well = wellRect(bar);
    const int oldHeight = barHeight(b.level, m_min, m_max, well.height());
    const int oldPeak = peakPixel(b, well);
    const bool oldLamp = b.lamp;

    const Millis now = m_clock->now();
    const int l = std::clamp(level, m_min, m_max);
    b.level = level;
    const int peak = b.holding ? peakAfter(b.held, now - b.heldAt, l, m_max - m_min) : l;
    if (!b.holding || l >= peak) {
        b.held = l;
        b.heldAt = now;
        b.holding = true;
    }
    b.peak = std::max(peak, l);
    if (!b.hanging && level >= clipLevel())
        b.clipUntil = now + kClipHold;
    b.lamp = !b.hanging && now <= b.clipUntil;

    if (oldHeight != barHeight(b.level, m_min, m_max, well.height()) ||
        oldPeak != peakPixel(b, well) || oldLamp != b.lamp)
        update(slotRect(bar));
}

int LevelMeter::value(int bar) const {
    if (bar < 0 || bar >= m_bars)
        return 0;
    return m_values[static_cast<std::size_t>(bar)].level;
}

int LevelMeter::peak(int bar) const {
    if (bar < 0 || bar >= m_bars)
        return m_min;
    const Bar& b = m_values[static_cast<std::size_t>(bar)];
    return b.holding ? b.peak : m_min;
}

bool LevelMeter::clipLit(int bar) const {
    if (bar < 0 || bar >= m_bars)
        return false;
    return m_values[static_cast<std::size_t>(bar)].lamp;
}

void LevelMeter::clearHolds() {
    for (Bar& b : m_values) {
        b.holding = false;
        b.peak = m_min;
        b.clipUntil = Millis::min();
        b.lamp = false;
    }
    update();
}

void LevelMeter::setCaptions(const QStringList& captions) {
    m_captions = captions;
    update();
}

void LevelMeter::setScaleMarks(const QList<ScaleMark>& marks) {
    m_marks = marks;
    update();
}

int LevelMeter::captionHeight() const {
    return m_captions.isEmpty() ? 0 : 14;
}

int LevelMeter::scaleWidth() const {
    return m_marks.isEmpty() ? 0 : kScaleWidth;
}

QRect LevelMeter::wellRect(int bar) const {
    const int slot = (width() - scaleWidth()) / std::max(1, m_bars);
    const int left = scaleWidth() + bar * slot + kPeakOverhang + kBarGap / 2;
    const int barWidth = std::max(2, slot - 2 * kPeakOverhang - kBarGap);
    const int top = kLampTop + kLampHeight + kLampGap;
    const int bottom = height() - captionHeight() - 3;
    return QRect(left, top, barWidth, std::max(0, bottom - top));
}

QRect LevelMeter::lampRect(int bar) const {
    const QRect well = wellRect(bar);
    return QRect(well.left() - 1, kLampTop, well.width() + 2, kLampHeight);
}

QRect LevelMeter::slotRect(int bar) const {
    const QRect well = wellRect(bar);
    return QRect(well.left() - kPeakOverhang, 0, well.width() + 2 * kPeakOverhang,
                 well.bottom() + 2);
}

int LevelMeter::peakPixel(const Bar& b, const QRect& well) const {
    if (!b.holding || b.peak <= m_min)
        return -1;
    const int ph = barHeight(b.peak, m_min, m_max, well.height());
    if (b.hanging)
        return std::min(well.bottom() - 1, well.top() + ph - 1);
    return std::max(well.top(), well.bottom() - ph - 1);
}

void LevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), style::kWindow);
    for (int i = 0; i < m_bars; ++i)
        paintBar(p, m_values[static_cast<std::size_t>(i)], i);
    paintScale(p);
    if (!m_captions.isEmpty()) {
        p.setFont(style::font(10));
        p.setPen(style::kText);
        const int slot = (width() - scaleWidth()) / std::max(1, m_bars);
        for (int i = 0; i < m_bars && i < m_captions.size(); ++i)
            p.drawText(
                QRect(scaleWidth() + i * slot, height() - captionHeight(), slot, captionHeight()),
                Qt::AlignCenter, m_captions.at(i));
    }
}

void LevelMeter::paintBar(QPainter& p, const Bar& b, int bar) const {
    const QRect well = wellRect(bar);
    p.fillRect(well.adjusted(-1, -1, 1, 1), style::kGroove);
    const int lit = barHeight(b.level, m_min, m_max, well.height());
    // Each 2-pixel row takes the colour of its own height (a hanging bar one colour, counted
    // from the top): unlit rows are drawn as a dim trace of the same scale so the zones stay
    // readable at rest.
    for (int y = 0; y < well.height(); y += 2) {
        const double h = static_cast<double>(y) / well.height();
        const int rowHeight = std::min(2, well.height() - y);
        const QColor colour = b.hanging ? kHangingColour : rowColour(h);
        const int rowTop = b.hanging ? well.top() + y : well.bottom() - y - rowHeight + 1;
        if (y < lit) {
            const int drawn = std::min(rowHeight, lit - y);
            const int top = b.hanging ? rowTop : well.bottom() - y - drawn + 1;
            p.fillRect(QRect(well.left(), top, well.width(), drawn), colour);
        } else if ((y / 2) % 2 == 0) {
            QColor dim = colour;
            dim.setAlpha(28);
            p.fillRect(QRect(well.left(), rowTop, well.width(), rowHeight), dim);
        }
    }
    if (!b.hanging)
        p.fillRect(lampRect(bar), b.lamp ? kLampLit : kLampDark);
    const int y = peakPixel(b, well);
    if (y >= 0)
        p.fillRect(QRect(well.left() - kPeakOverhang, y, well.width() + 2 * kPeakOverhang, 2),
                   b.lamp ? kLampLit : QColor(255, 255, 255));
}

void LevelMeter::paintScale(QPainter& p) const {
    if (m_marks.isEmpty())
        return;
    const QRect well = wellRect(0);
    p.setFont(style::font(9));
    for (const ScaleMark& mark : m_marks) {
        const int y = well.bottom() + 1 - barHeight(mark.value, m_min, m_max, well.height());
        p.setPen(style::kTextDim);
        p.drawLine(kScaleWidth - 5, y, kScaleWidth - 1, y);
        p.setPen(style::kText);
        p.drawText(QRect(0, y - 7, kScaleWidth - 6, 14), Qt::AlignRight | Qt::AlignVCenter,
                   mark.label);
    }
}

} // namespace krm::ui
