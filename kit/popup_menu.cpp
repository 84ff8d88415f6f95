#include "kit/popup_menu.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace krm::ui {

namespace {

constexpr int kItemHeight = 24;
constexpr int kTitleHeight = 22;
constexpr int kPadding = 10;
const QColor kHighlightOutline{49, 106, 197};
const QColor kHighlightFill{193, 210, 238};
const QColor kMenuBackground{240, 240, 240};
const QColor kMenuText{0, 0, 0};
const QColor kMenuDisabled{160, 160, 160};

QString expandTabs(QString text) {
    return text.replace(QLatin1Char('\t'), QStringLiteral("    "));
}

} // namespace

PopupMenu::PopupMenu(QString title, std::vector<PopupMenuItem> items, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_title(std::move(title)),
      m_items(std::move(items)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    resize(sizeHint());
}

PopupMenu* PopupMenu::presetSlotMenu(QWidget* parent) {
    return new PopupMenu(text("SAVE", "保存"),
                         {{text("NAME", "名称"), PresetName},
                          {text("RECALL", "调用"), PresetRecall},
                          {text("DELETE", "删除"), PresetDelete}},
                         parent);
}

PopupMenu* PopupMenu::settingSlotMenu(QWidget* parent) {
    return new PopupMenu(text("SAVE", "保存"),
                         {{text("NAME", "名称"), PresetName},
                          {text("RECALL", "调用"), PresetRecall},
                          {text("DELETE", "删除"), PresetDelete},
                          {text("COMPARE", "比较"), SettingCompare},
                          {text("EXPORT…", "导出…"), SettingExport}},
                         parent);
}

PopupMenu* PopupMenu::secondPresetSlotMenu(QWidget* parent) {
    return new PopupMenu(text("SAVE", "保存"),
                         {{text("NAME", "名称"), SlotName},
                          {text("RECALL", "调用"), SlotRecall},
                          {text("DELETE", "删除"), SlotDelete}},
                         parent);
}

PopupMenu* PopupMenu::nameOnlyMenu(QWidget* parent) {
    return new PopupMenu(text("SAVE", "保存"), {{text("NAME", "名称"), SlotName}}, parent);
}

void PopupMenu::setItemEnabled(int command, bool enabled) {
    for (auto& item : m_items)
        if (item.command == command)
            item.enabled = enabled;
    update();
}

void PopupMenu::popup(const QPoint& globalPos) {
    m_highlight = -1;
    resize(sizeHint());
    move(globalPos);
    show();
    setFocus();
}

QSize PopupMenu::sizeHint() const {
    const QFontMetrics metrics(style::font(16));
    int width = metrics.horizontalAdvance(m_title);
    for (const auto& item : m_items)
        width = std::max(width, metrics.horizontalAdvance(expandTabs(item.text)));
    return {width + 2 * kPadding + 24,
            kTitleHeight + static_cast<int>(m_items.size()) * kItemHeight + 4};
}

QRect PopupMenu::itemRect(int index) const {
    return {2, kTitleHeight + index * kItemHeight, width() - 4, kItemHeight};
}

int PopupMenu::itemAt(const QPoint& pos) const {
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i)
        if (itemRect(i).contains(pos))
            return i;
    return -1;
}

void PopupMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kMenuBackground);
    p.setPen(kMenuDisabled);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setFont(style::font(16, true));
    p.setPen(kMenuText);
    p.drawText(QRect(kPadding, 0, width() - 2 * kPadding, kTitleHeight),
               Qt::AlignVCenter | Qt::AlignLeft, m_title);
    p.drawLine(4, kTitleHeight - 1, width() - 5, kTitleHeight - 1);
    p.setFont(style::font(16));
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        const QRect r = itemRect(i);
        const auto& item = m_items[static_cast<std::size_t>(i)];
        if (i == m_highlight && item.enabled) {
            p.setPen(kHighlightOutline);
            p.setBrush(kHighlightFill);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        }
        p.setPen(item.enabled ? kMenuText : kMenuDisabled);
        p.drawText(r.adjusted(kPadding + 12, 0, -kPadding, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   expandTabs(item.text));
    }
}

void PopupMenu::mouseMoveEvent(QMouseEvent* event) {
    const int index = itemAt(event->position().toPoint());
    if (index != m_highlight) {
        m_highlight = index;
        update();
    }
}

void PopupMenu::mouseReleaseEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        hide();
        return;
    }
    choose(itemAt(event->position().toPoint()));
}

void PopupMenu::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
        moveHighlight(1);
        break;
    case Qt::Key_Up:
        moveHighlight(-1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        choose(m_highlight);
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PopupMenu::leaveEvent(QEvent*) {
    m_highlight = -1;
    update();
}

void PopupMenu::moveHighlight(int step) {
    const int n = static_cast<int>(m_items.size());
    if (n == 0)
        return;
    // Skips disabled items; stays put when none is enabled.
    int index = m_highlight;
    for (int tries = 0; tries < n; ++tries) {
        index = index < 0 ? (step > 0 ? 0 : n - 1) : (index + step + n) % n;
        if (m_items[static_cast<std::size_t>(index)].enabled) {
            m_highlight = index;
            update();
            return;
        }
    }
}

void PopupMenu::choose(int index) {
    if (index < 0 || index >= static_cast<int>(m_items.size()) ||
        !m_items[static_cast<std::size_t>(index)].enabled)
        return; // a click on the title or a disabled item keeps the menu open
    hide();
    emit commandChosen(m_items[static_cast<std::size_t>(index)].command);
}

} // namespace krm::ui
