#include "kit/png_button.h"

#include "kit/kit_style.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace krm::ui {

PngButton::PngButton(const QString& glyph, QWidget* parent)
    : QWidget(parent), m_glyph(glyph), m_focusColour(style::kFocusRing) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    m_colours["normal"] = {QColor(62, 67, 77), QColor(38, 41, 47), QColor(200, 204, 210)};
    m_colours["over"] = {QColor(96, 104, 118), QColor(52, 57, 66), QColor(255, 255, 255)};
    m_colours["down"] = {style::kAccent, QColor(28, 44, 60), QColor(255, 255, 255)};
    m_colours["gray"] = {QColor(48, 51, 56), QColor(32, 34, 38), QColor(86, 90, 96)};
}

void PngButton::setGlyph(const QString& glyph) {
    m_glyph = glyph;
    update();
}

void PngButton::setText(const QString& text) {
    m_text = text;
    update();
}

void PngButton::setStateColours(const QString& state, const StateColours& colours) {
    m_colours[state] = colours;
    update();
}

PngButton::StateColours PngButton::stateColours(const QString& state) const {
    const auto it = m_colours.find(state);
    return it == m_colours.end() ? StateColours{} : it->second;
}

void PngButton::setFocusColour(const QColor& colour) {
    m_focusColour = colour;
    update();
}

void PngButton::setFocusMarking(bool on) {
    m_focusMarking = on;
    update();
}

void PngButton::setCornerRadius(int radius) {
    m_radius = radius;
    update();
}

QString PngButton::stateName() const {
    if (!isEnabled())
        return QStringLiteral("gray");
    if (!m_hover)
        return QStringLiteral("normal");
    if (m_pressed)
        return QStringLiteral("down");
    return QStringLiteral("over");
}

QString PngButton::baseGlyph(const QString& glyph, bool* mini) {
    const bool isMini = glyph.endsWith(QStringLiteral("_mini"));
    if (mini)
        *mini = isMini;
    return isMini ? glyph.chopped(5) : glyph;
}

PngButton::StateColours PngButton::effectiveColours() const {
    StateColours c = stateColours(stateName());
    const QString base = baseGlyph(m_glyph);
    if (base == QStringLiteral("toped") || base == QStringLiteral("maxed"))
        std::swap(c.border, c.glyph);
    return c;
}

void PngButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_hover = rect().contains(event->position().toPoint());
    update();
}

void PngButton::mouseMoveEvent(QMouseEvent* event) {
    const bool over = rect().contains(event->position().toPoint());
    if (over != m_hover) {
        m_hover = over;
        update();
    }
}

void PngButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit clicked();
}

void PngButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void PngButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void PngButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        m_pressed = false;
        update();
    }
    QWidget::changeEvent(event);
}

void PngButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const StateColours c = effectiveColours();
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(c.border, 1.0));
    p.setBrush(c.fill);
    p.drawRoundedRect(r, m_radius, m_radius);
    if (hasFocus() && m_focusMarking) {
        p.setPen(QPen(m_focusColour, 2.0));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), m_radius, m_radius);
    }
    if (!m_glyph.isEmpty())
        paintGlyph(p, QRectF(rect()).adjusted(2, 2, -2, -2), c.glyph);
    if (!m_text.isEmpty()) {
        const int shift = stateName() == QStringLiteral("down") ? 1 : 0;
        p.setFont(style::font(12, true));
        p.setPen(c.glyph);
        p.drawText(rect().translated(shift, shift), Qt::AlignCenter, m_text);
    }
}

void PngButton::paintGlyph(QPainter& p, const QRectF& box, const QColor& ink) const {
    bool mini = false;
    const QString g = baseGlyph(m_glyph, &mini);
    const qreal stroke = mini ? 1.0 : 2.0;
    // Glyphs sit in a square centred in the box, a little inside so strokes stay clear of
    // the border.
    const qreal side = std::min(box.width(), box.height()) * (mini ? 0.55 : 0.5);
    const QRectF s(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
    p.setPen(QPen(ink, stroke, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c = s.center();

    if (g == QStringLiteral("exit")) {
        p.drawLine(s.topLeft(), s.bottomRight());
        p.drawLine(s.topRight(), s.bottomLeft());
    } else if (g == QStringLiteral("top") || g == QStringLiteral("toped")) {
        p.drawLine(s.topLeft(), s.topRight());
        p.drawLine(QPointF(c.x(), s.top()), QPointF(c.x(), s.bottom()));
    } else if (g == QStringLiteral("tray")) {
        p.drawLine(s.topLeft(), s.bottomRight());
        const qreal head = side * 0.45;
        p.drawLine(s.bottomRight(), s.bottomRight() - QPointF(head, 0));
        p.drawLine(s.bottomRight(), s.bottomRight() - QPointF(0, head));
    } else if (g == QStringLiteral("plus")) {
        p.drawLine(QPointF(s.left(), c.y()), QPointF(s.right(), c.y()));
        p.drawLine(QPointF(c.x(), s.top()), QPointF(c.x(), s.bottom()));
    } else if (g == QStringLiteral("menu")) {
        for (qreal y : {s.top(), c.y(), s.bottom()})
            p.drawLine(QPointF(s.left(), y), QPointF(s.right(), y));
    } else if (g == QStringLiteral("min")) {
        p.drawLine(QPointF(s.left(), s.bottom()), QPointF(s.right(), s.bottom()));
    } else if (g == QStringLiteral("max")) {
        p.drawRect(s);
        p.drawLine(QPointF(s.left(), s.top() + stroke), QPointF(s.right(), s.top() + stroke));
    } else if (g == QStringLiteral("maxed")) {
        const qreal d = side * 0.3;
        const QRectF front(s.left(), s.top() + d, side - d, side - d);
        p.drawRect(front);
        QPainterPath back;
        back.moveTo(s.left() + d, s.top() + d);
        back.lineTo(s.left() + d, s.top());
        back.lineTo(s.right(), s.top());
        back.lineTo(s.right(), s.bottom() - d);
        back.lineTo(front.right(), s.bottom() - d);
        p.drawPath(back);
    } else if (g == QStringLiteral("color")) {
        p.drawEllipse(s);
        p.setBrush(ink);
        QPainterPath half;
        half.moveTo(c);
        half.arcTo(s, 90, 180);
        half.closeSubpath();
        p.drawPath(half);
    }
}

} // namespace krm::ui
