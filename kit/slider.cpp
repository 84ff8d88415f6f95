#include "kit/slider.h"

#include "kit/kit_style.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace krm::ui {

namespace {
constexpr int kWheelNotch = 120; // angle delta of one wheel notch
} // namespace

Slider::Slider(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), m_orientation(orientation) {
    setFocusPolicy(Qt::StrongFocus);
    if (orientation == Qt::Vertical)
        m_thumb = QSize(18, 12);
}

void Slider::setRange(int min, int max) {
    if (max < min)
        std::swap(min, max);
    m_min = min;
    m_max = max;
    m_pos = std::clamp(m_pos, m_min, m_max);
    update();
}

void Slider::setPosition(int value) {
    const int v = std::clamp(value, m_min, m_max);
    if (v == m_pos)
        return;
    m_pos = v;
    update();
}

void Slider::setTrackMargins(const QMargins& margins) {
    m_margins = margins;
    update();
}

void Slider::setThumbSize(const QSize& size) {
    m_thumb = size;
    update();
}

void Slider::setCaptionMode(CaptionMode mode) {
    m_captionMode = mode;
    update();
}

void Slider::setCaptionRange(double top, double bottom) {
    m_captionTop = top;
    m_captionBottom = bottom;
    update();
}

void Slider::setCaptionNumber(int number) {
    m_captionNumber = number;
    update();
}

void Slider::setThumbNumber(int number) {
    m_thumbNumber = number;
    update();
}

QString Slider::captionText() const {
    switch (m_captionMode) {
    case CaptionMode::None:
        return {};
    case CaptionMode::Fixed:
        return QString::number(m_captionNumber);
    case CaptionMode::Mapped: {
        const double fraction =
            m_max > m_min ? static_cast<double>(m_pos - m_min) / (m_max - m_min) : 0.0;
        const double v = m_captionTop + fraction * (m_captionBottom - m_captionTop);
        if (v == std::floor(v))
            return QString::number(static_cast<long long>(v));
        return QString::asprintf("%0.2f", v);
    }
    }
    return {};
}

TrackGeometry Slider::geometryOfTrack() const {
    TrackGeometry g;
    g.min = m_min;
    g.max = m_max;
    if (m_orientation == Qt::Horizontal) {
        g.length = width();
        g.lowMargin = m_margins.left();
        g.highMargin = m_margins.right();
        g.thumbLength = m_thumb.width();
    } else {
        g.length = height();
        g.lowMargin = m_margins.top();
        g.highMargin = m_margins.bottom();
        g.thumbLength = m_thumb.height();
    }
    return g;
}

QRect Slider::trackRect() const {
    return rect().marginsRemoved(m_margins);
}

QRect Slider::thumbRect() const {
    const int centre = geometryOfTrack().centreOf(m_pos);
    const QRect track = trackRect();
    if (m_orientation == Qt::Horizontal) {
        const int top = track.center().y() - m_thumb.height() / 2;
        return QRect(centre - m_thumb.width() / 2, top, m_thumb.width(), m_thumb.height());
    }
    const int left = track.center().x() - m_thumb.width() / 2 + 1;
    return QRect(left, centre - m_thumb.height() / 2, m_thumb.width(), m_thumb.height());
}

int Slider::pixelAlong(const QPoint& point) const {
    return m_orientation == Qt::Horizontal ? point.x() : point.y();
}

void Slider::dragTo(int pixel) {
    const TrackGeometry g = geometryOfTrack();
    const int p = std::clamp(pixel, g.lowestCentre(), g.highestCentre());
    // The pixel of the current thumb centre always means the current value. Without this
    // the truncating conversion can read the thumb's own centre as one step lower, and a
    // mere click on the thumb would nudge the value.
    if (p == g.centreOf(m_pos))
        return;
    const int v = g.valueAt(p);
    if (v == m_pos)
        return;
    m_pos = v;
    update();
    emit valueChanging(m_id, m_pos);
}

void Slider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    if (m_orientation == Qt::Vertical && !thumbRect().contains(at)) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    const int p = pixelAlong(at);
    const TrackGeometry g = geometryOfTrack();
    const int centre = g.centreOf(m_pos);
    m_grabOffset = std::abs(p - centre) <= g.thumbLength / 2 ? p - centre : 0;
    dragTo(p - m_grabOffset);
}

void Slider::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    dragTo(pixelAlong(event->position().toPoint()) - m_grabOffset);
}

void Slider::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    emit valueSet(m_id, m_pos);
}

void Slider::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit valueResetRequested(m_id, m_pos);
}

void Slider::stepBy(int target) {
    const int v = std::clamp(target, m_min, m_max);
    if (v != m_pos) {
        m_pos = v;
        update();
    }
    emit valueSet(m_id, m_pos);
}

void Slider::keyPressEvent(QKeyEvent* event) {
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    switch (event->key()) {
    case Qt::Key_PageUp:
        stepBy(m_pos - m_page);
        break;
    case Qt::Key_PageDown:
        stepBy(m_pos + m_page);
        break;
    case Qt::Key_End:
        stepBy(m_max);
        break;
    case Qt::Key_Home:
        stepBy(m_min);
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        stepBy(m_pos - 1);
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        stepBy(m_pos + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Slider::wheelEvent(QWheelEvent* event) {
    // Ignored, the event goes on to the page behind the slider, which scrolls.
    if (!isEnabled() || !hasFocus()) {
        event->ignore();
        return;
    }
    // The accumulator counts a notch down as +1. The minimum of a vertical slider sits at
    // the top, so there +1 moves the thumb down with the wheel. A fast wheel may report
    // several notches in one event: each is its own step.
    int delta = event->angleDelta().y();
    while (delta != 0) {
        const int part = std::clamp(delta, -kWheelNotch, kWheelNotch);
        delta -= part;
        const int step = m_wheel.add(part);
        if (step != 0)
            stepBy(m_pos + (m_orientation == Qt::Vertical ? step : -step));
    }
    event->accept();
}

void Slider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void Slider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_wheel.reset();
    update();
}

QSize Slider::sizeHint() const {
    return m_orientation == Qt::Horizontal ? QSize(120, 22) : QSize(40, 200);
}

void Slider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintTrack(p);
    if (isEnabled()) {
        const QRect thumb = thumbRect();
        paintThumb(p, thumb);
        paintThumbNumber(p, thumb);
    }
    paintCaption(p);
    paintFocusMark(p);
}

void Slider::paintTrack(QPainter& p) {
    const QRect track = trackRect();
    const int centre = geometryOfTrack().centreOf(m_pos);
    if (m_orientation == Qt::Horizontal) {
        const QRectF groove(track.left(), track.center().y() - 2.0, track.width(), 4.0);
        style::paintGroove(p, groove, 2.0);
        // The low side of the thumb is drawn lit, the high side stays dark.
        const QRectF lowSide(groove.left(), groove.top(), centre - groove.left(), groove.height());
        QLinearGradient g(lowSide.topLeft(), lowSide.bottomLeft());
        const QColor c = isEnabled() ? style::kAccent : style::kTextDim.darker(150);
        g.setColorAt(0.0, c.lighter(130));
        g.setColorAt(1.0, c.darker(120));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        if (lowSide.width() > 0)
            p.drawRoundedRect(lowSide, 2.0, 2.0);
        return;
    }
    const QRectF groove(track.center().x() - 2.0, track.top(), 4.0, track.height());
    style::paintGroove(p, groove, 2.0);
    const QRectF lowerPart(groove.left(), centre, groove.width(), groove.bottom() - centre);
    p.setPen(Qt::NoPen);
    p.setBrush(isEnabled() ? style::kAccent.darker(130) : style::kTextDim.darker(160));
    if (lowerPart.height() > 0)
        p.drawRoundedRect(lowerPart, 2.0, 2.0);
}

void Slider::paintThumb(QPainter& p, const QRect& thumb) {
    const QRectF r = QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const bool active = m_dragging || hasFocus();
    g.setColorAt(0.0, QColor(178, 184, 194));
    g.setColorAt(0.5, active ? QColor(96, 126, 156) : QColor(104, 110, 120));
    g.setColorAt(1.0, QColor(58, 62, 70));
    p.setPen(QPen(QColor(14, 15, 18), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, 3.0, 3.0);
    if (m_thumbNumber > 0)
        return; // the number takes the place of the index line
    p.setPen(QPen(QColor(230, 232, 236), 1.0));
    if (m_orientation == Qt::Horizontal)
        p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));
    else
        p.drawLine(QPointF(r.left() + 3, r.center().y()), QPointF(r.right() - 3, r.center().y()));
}

void Slider::paintThumbNumber(QPainter& p, const QRect& thumb) const {
    if (m_thumbNumber <= 0)
        return;
    p.setFont(style::font(std::max(8, std::min(thumb.height() - 4, 12)), true));
    p.setPen(Qt::white);
    p.drawText(thumb, Qt::AlignCenter, QString::number(m_thumbNumber));
}

void Slider::paintCaption(QPainter& p) const {
    const QString caption = captionText();
    if (caption.isEmpty())
        return;
    p.setFont(style::font(10));
    p.setPen(style::kText);
    const QRect thumb = thumbRect();
    if (m_orientation == Qt::Vertical) {
        const QRect box(0, thumb.top() - 2, std::max(0, thumb.left() - 3), thumb.height() + 4);
        p.drawText(box, Qt::AlignRight | Qt::AlignVCenter, caption);
    } else if (m_margins.right() >= 24) {
        const QRect box(width() - m_margins.right() + 2, 0, m_margins.right() - 2, height());
        p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, caption);
    } else {
        p.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, caption);
    }
}

void Slider::paintFocusMark(QPainter& p) const {
    if (hasFocus())
        style::paintFocusRing(p, QRectF(rect()).adjusted(-1, -1, 1, 1), 3.0);
}

} // namespace krm::ui
