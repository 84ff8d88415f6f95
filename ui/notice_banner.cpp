#include "ui/notice_banner.h"

#include "kit/kit_style.h"

#include <algorithm>

namespace krm::ui {

NoticeBanner::NoticeBanner(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("noticeBanner"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setFont(style::font(15, true));
    setFocusPolicy(Qt::NoFocus);
    setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; border: 1px solid %3; "
                                 "padding: 6px 12px; }")
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
}

void NoticeBanner::place(const QRect& r) {
    const int width = std::min(r.width() - 40, 900);
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) + 4 : 56;
    setGeometry(r.x() + (r.width() - width) / 2, r.bottom() - height - 24, width, height);
}

void NoticeBanner::mousePressEvent(QMouseEvent*) {
    m_hide.stop();
    hide();
}

} // namespace krm::ui
