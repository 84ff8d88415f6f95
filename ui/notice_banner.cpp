#include "ui/notice_banner.h"

#include "kit/kit_style.h"

namespace krm::ui {

NoticeBanner::NoticeBanner(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("noticeBanner"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setFont(style::font(15, true));
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %3; "
                                 "padding: 4px 10px; }")
                      .arg(style::kPanelLight.name(), style::kText.name(), style::kBorder.name()));
    m_hide.setSingleShot(true);
    m_hide.setInterval(kShowMs);
    connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void NoticeBanner::showNotice(std::function<QString()> compose) {
    m_compose = std::move(compose);
    retranslate();
    show();
    raise();
    m_hide.start();
}

void NoticeBanner::retranslate() {
    if (m_compose)
        setText(m_compose());
    fit();
}

void NoticeBanner::place(const QRect& room, const QWidget* anchor) {
    m_room =
        anchor && parentWidget() ? room.translated(anchor->mapTo(parentWidget(), QPoint())) : room;
    fit();
}

void NoticeBanner::fit() {
    if (m_room.isEmpty())
        return;
    for (int px = kLargestTextPx; px >= kSmallestTextPx; --px) {
        setFont(style::font(px, true));
        if (heightForWidth(m_room.width()) <= m_room.height())
            break;
    }
    setGeometry(m_room);
}

void NoticeBanner::mousePressEvent(QMouseEvent*) {
    m_hide.stop();
    hide();
}

} // namespace krm::ui
