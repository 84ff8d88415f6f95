#include "ui/history_list.h"

#include "kit/kit_style.h"
#include "kit/texts.h"

#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace krm::ui {

namespace {
constexpr int kWidth = 440;
constexpr int kMostRowsShown = 14;
constexpr int kRowHeight = 26;
// The data role that carries a row's count (undos > 0, redos < 0).
constexpr int kCountRole = Qt::UserRole + 1;

QString stepText(const EditStep& step) {
    return currentLanguage() == Language::Chinese ? QString::fromStdString(step.name.zh)
                                                  : QString::fromStdString(step.name.en);
}
} // namespace

HistoryList::HistoryList(QWidget* parent) : QFrame(parent, Qt::Popup) {
    setObjectName(QStringLiteral("historyList"));
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, style::kPanel);
    pal.setColor(QPalette::WindowText, style::kText);
    pal.setColor(QPalette::Base, style::kPanel.darker(115));
    pal.setColor(QPalette::Text, style::kText);
    pal.setColor(QPalette::Highlight, style::kAccent);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    // The scroll bar in the console's dark colours too.
    pal.setColor(QPalette::Button, style::kPanelLight);
    pal.setColor(QPalette::Light, style::kBorder);
    pal.setColor(QPalette::Midlight, style::kPanelLight);
    pal.setColor(QPalette::Mid, style::kBorder);
    pal.setColor(QPalette::Dark, style::kGroove);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    m_title = new QLabel(this);
    m_title->setFont(style::font(12, true));
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("historyRows"));
    m_list->setFont(style::font(13));
    m_list->setUniformItemSizes(true);
    m_list->setMouseTracking(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setPalette(pal);
    m_list->setStyleSheet(style::focusStyleSheet());
    layout->addWidget(m_list);
    // One click takes the history there: a list popup, not a selection to confirm.
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int count = item->data(kCountRole).toInt();
        hide();
        if (count != 0)
            emit stepsChosen(count);
    });
}

void HistoryList::load(const EditHistory& history) {
    m_title->setText(text("Click an edit to undo back to it, a grey one to redo up to it.",
                          "点击一项撤销到该项为止；点击灰色项重做到该项。"));
    m_list->clear();
    const auto& redo = history.redoSteps(); // the next to redo last
    const auto& undo = history.undoSteps(); // the newest last
    m_redoCount = static_cast<int>(redo.size());
    m_undoCount = static_cast<int>(undo.size());
    for (int r = 0; r < m_redoCount; ++r) {
        auto* item = new QListWidgetItem(QStringLiteral("↷  ") +
                                         stepText(redo[static_cast<std::size_t>(r)]));
        item->setForeground(style::kTextDim);
        item->setData(kCountRole, -(m_redoCount - r));
        m_list->addItem(item);
    }
    for (int k = 0; k < m_undoCount; ++k) {
        auto* item = new QListWidgetItem(
            QStringLiteral("↶  ") + stepText(undo[static_cast<std::size_t>(m_undoCount - 1 - k)]));
        item->setData(kCountRole, k + 1);
        m_list->addItem(item);
    }
    for (int row = 0; row < m_list->count(); ++row)
        m_list->item(row)->setSizeHint(QSize(0, kRowHeight));
    // The newest undo step is where the console stands now.
    if (m_undoCount > 0) {
        QFont bold = m_list->font();
        bold.setBold(true);
        m_list->item(m_redoCount)->setFont(bold);
        m_list->setCurrentRow(m_redoCount);
    }
    const int rows = std::clamp(m_list->count(), 1, kMostRowsShown);
    m_list->setFixedHeight(rows * kRowHeight + 4);
    m_title->setFixedWidth(kWidth - 12);
    setFixedWidth(kWidth);
    adjustSize();
}

int HistoryList::undoRow(int undos) const {
    return undos >= 1 && undos <= m_undoCount ? m_redoCount + undos - 1 : -1;
}

int HistoryList::redoRow(int redos) const {
    return redos >= 1 && redos <= m_redoCount ? m_redoCount - redos : -1;
}

void HistoryList::popUpUnder(const QWidget* anchor) {
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height() + 2));
    // Inside the window: it must not reach past the window's right edge.
    const QWidget* window = anchor->window();
    const QRect bounds(window->mapToGlobal(QPoint(0, 0)), window->size());
    at.setX(std::max(bounds.left(), std::min(at.x(), bounds.right() + 1 - width())));
    move(at);
    show();
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem());
    m_list->setFocus();
}

} // namespace krm::ui
