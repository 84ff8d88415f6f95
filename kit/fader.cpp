#include "kit/fader.h"

#include "dsp/channel_scales.h"
#include "kit/kit_style.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace krm::ui {

Fader::Fader(QWidget* parent)
    : Slider(Qt::Vertical, parent), m_home(faderPositionFromCode(kFaderZeroCode)) {
    setTrackMargins(QMargins(32, 2, 0, 5));
    setThumbSize(QSize(34, 24));
}

void Fader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    setPosition(m_home);
    emit valueSet(controlId(), position());
}

void Fader::setScaleMarks(const QList<ScaleMark>& marks) {
    m_marks = marks;
    update();
}

void Fader::paintTrack(QPainter& p) {
    const QRect track = trackRect();
    const TrackGeometry g = geometryOfTrack();
    const double slotX = track.center().x() + 1;
    const QRectF slot(slotX - 3.0, g.lowestCentre() - 4.0, 6.0,
                      g.highestCentre() - g.lowestCentre() + 8.0);
    style::paintGroove(p, slot, 3.0);

    p.setFont(style::font(9));
    for (const ScaleMark& mark : m_marks) {
        const int y = g.centreOf(mark.position);
        p.setPen(QPen(style::kTextDim, 1.0));
        p.drawLine(QPointF(track.left() + 1, y + 0.5), QPointF(slot.left() - 3, y + 0.5));
        p.drawLine(QPointF(slot.right() + 3, y + 0.5), QPointF(track.right() - 1, y + 0.5));
        p.setPen(style::kText);
        p.drawText(QRect(0, y - 7, track.left() - 3, 14), Qt::AlignRight | Qt::AlignVCenter,
                   mark.label);
    }
}

void Fader::paintThumb(QPainter& p, const QRect& thumb) {
    const QRectF r = QRectF(thumb).adjusted(0.5, 0.5, -0.5, -0.5);
    // Drop shadow first, so the cap seems to stand above the slot.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRoundedRect(r.translated(1.5, 2.0), 3.0, 3.0);

    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const bool active = isDragging() || hasFocus();
    g.setColorAt(0.0, QColor(96, 102, 112));
    g.setColorAt(0.45, active ? QColor(70, 86, 104) : QColor(58, 62, 70));
    g.setColorAt(0.55, QColor(40, 43, 49));
    g.setColorAt(1.0, QColor(78, 83, 92));
    p.setPen(QPen(QColor(12, 13, 16), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, 3.0, 3.0);

    // Grip ridges and the white index line across the middle.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1.0));
    for (int dy : {-7, -4, 4, 7})
        p.drawLine(QPointF(r.left() + 4, r.center().y() + dy),
                   QPointF(r.right() - 4, r.center().y() + dy));
    p.setPen(QPen(QColor(245, 245, 245), 2.0));
    p.drawLine(QPointF(r.left() + 2, r.center().y()), QPointF(r.right() - 2, r.center().y()));
}

} // namespace krm::ui
