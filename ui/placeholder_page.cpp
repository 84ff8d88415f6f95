#include "ui/placeholder_page.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

#include <QPainter>

namespace krm::ui {

PlaceholderPage::PlaceholderPage(const char* en, const char* zh, QWidget* parent)
    : EditorPage(parent), m_en(en), m_zh(zh) {
    retranslate();
}

void PlaceholderPage::retranslate() {
    m_title = text(m_en, m_zh);
    update();
}

void PlaceholderPage::setSubject(const QString& subject) {
    m_subject = subject;
    update();
}

void PlaceholderPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    style::paintPanel(p, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, style::kPanel,
                      style::kBorder);
    p.setPen(style::kText);
    p.setFont(style::font(26, true));
    const QString heading =
        m_subject.isEmpty() ? m_title : m_title + QStringLiteral("  ·  ") + m_subject;
    p.drawText(rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, heading);
    p.setPen(style::kTextDim);
    p.setFont(style::font(15));
    p.drawText(rect().adjusted(0, 40, 0, 0), Qt::AlignCenter,
               text("Placeholder: this page is not available in this build.",
                    "占位页：此版本尚未提供该页面。"));
}

} // namespace krm::ui
