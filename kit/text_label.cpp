#include "kit/text_label.h"

#include "kit/kit_style.h"

#include <QFontMetrics>
#include <QPainter>

namespace krm::ui {

TextLabel::TextLabel(const QString& text, QWidget* parent)
    : QWidget(parent), m_text(text), m_colour(style::kText) {}

void TextLabel::setText(const QString& text) {
    if (m_text == text)
        return;
    m_text = text;
    update();
}

void TextLabel::setPixelSize(int pixels) {
    m_pixels = pixels;
    update();
}

void TextLabel::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    update();
}

void TextLabel::setColor(const QColor& colour) {
    m_colour = colour;
    update();
}

void TextLabel::setBold(bool bold) {
    m_bold = bold;
    update();
}

void TextLabel::setPlate(bool plate) {
    m_plate = plate;
    update();
}

QSize TextLabel::sizeHint() const {
    const QFontMetrics fm(style::font(m_pixels, m_bold));
    return {fm.horizontalAdvance(m_text) + 8, fm.height() + 4};
}

void TextLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (m_plate) {
        p.setRenderHint(QPainter::Antialiasing);
        style::paintGroove(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3.0);
    }
    p.setFont(style::font(m_pixels, m_bold));
    p.setPen(isEnabled() ? m_colour : style::kTextDim);
    p.drawText(rect().adjusted(3, 0, -3, 0), static_cast<int>(m_alignment), m_text);
}

} // namespace krm::ui
