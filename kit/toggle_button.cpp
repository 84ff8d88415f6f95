#include "kit/toggle_button.h"

#include "kit/kit_style.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace krm::ui {

ToggleButton::ToggleButton(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text), m_textColour(style::kText), m_lit(style::kLitRed) {
    setFocusPolicy(Qt::TabFocus);
}

void ToggleButton::setState(bool on) {
    if (m_on == on)
        return;
    m_on = on;
    update();
}

void ToggleButton::setText(const QString& text) {
    if (m_text == text)
        return;
    m_text = text;
    update();
}

void ToggleButton::setTextColor(const QColor& colour) {
    m_textColour = colour;
    update();
}

void ToggleButton::setLitColor(const QColor& colour) {
    m_lit = colour;
    update();
}

void ToggleButton::setDisplayOnly(bool displayOnly) {
    setAttribute(Qt::WA_TransparentForMouseEvents, displayOnly);
    setFocusPolicy(displayOnly ? Qt::NoFocus : Qt::TabFocus);
}

void ToggleButton::setTextPixelSize(int pixels) {
    m_textPixels = pixels;
    update();
}

void ToggleButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    update();
}

void ToggleButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double-click is a press like any other.
    mousePressEvent(event);
}

void ToggleButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(event->position().toPoint()))
        emit clicked(m_id);
}

void ToggleButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return)
        emit clicked(m_id);
    else
        QWidget::keyPressEvent(event);
}

void ToggleButton::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    QWidget::focusInEvent(event);
}

void ToggleButton::focusOutEvent(QFocusEvent* event) {
    m_keyboardFocus = false;
    update();
    QWidget::focusOutEvent(event);
}

void ToggleButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QWidget::enterEvent(event);
}

void ToggleButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QWidget::leaveEvent(event);
}

void ToggleButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    style::paintButtonFace(p, rect(), m_on, m_lit, m_hover && isEnabled(), m_pressed);
    if (hasFocus() && m_keyboardFocus)
        style::paintFocusRing(p, QRectF(rect()), 3);
    p.setFont(style::font(m_textPixels, true));
    QColor ink = m_on ? QColor(255, 255, 255) : m_textColour;
    if (!isEnabled())
        ink = style::kTextDim;
    p.setPen(ink);
    const QRect textBox =
        rect().adjusted(3, 0, -3, 0).translated(m_pressed ? 1 : 0, m_pressed ? 1 : 0);
    p.drawText(textBox, Qt::AlignCenter, m_text);
}

} // namespace krm::ui
