#include "ui/shell_layout.h"

#include <algorithm>

namespace krm::ui {

int StripWidthFor(int clientWidth) {
    // Integer arithmetic: × 2 / 21 drops the fraction exactly as × 0.0952381 would for
    // every realistic width, without a floating-point edge at whole results.
    return std::max(kMinStripWidth, std::max(0, clientWidth) * 2 / 21);
}

int StripHeightFor(int clientHeight) {
    return std::max(kMinStripHeight, clientHeight - 220);
}

ShellMetrics ShellMetrics::forClient(QSize client) {
    ShellMetrics m;
    m.stripWidth = StripWidthFor(client.width());
    m.panelWidth = m.stripWidth;
    m.stripHeight = StripHeightFor(client.height());
    m.clientWidth = std::max(0, client.width());
    return m;
}

QSize ShellMetrics::contentSize() const {
    const int right = std::max({NavigationPanelRect(*this).right(), StripSlotRect(*this, 7).right(),
                                StatusLabelRect(*this).right(), AboutButtonRect(*this).right()});
    return {right + 1, stripTop + stripHeight};
}

namespace {

constexpr int kGroupSwitches = 4;

// Where the top bar's columns stand. On a client wide enough for the bar in strip widths
// (the status label ends at 7.5 w) every column is a multiple of the strip width; on a
// narrower one the columns pack from the right edge inward, so that the link indicator,
// the status, UNDO/REDO/FILE/HISTORY and the switches stay on screen and the bank buttons
// take what is left.
struct BarColumns {
    int viewWidth;   // each of the five view buttons
    int bankRoom;    // the four bank buttons, from x 0
    int readoutX;    // the readout's labels and value boxes
    int groupX;      // the group labels and the first switch of each row
    int groupWidth;  // the group labels
    int switchSize;  // each group switch
    int statusX;     // link indicator, status label, ABOUT
    int statusWidth; // status label
    int aboutWidth;
};

constexpr int kCompactStatusWidth = 84;
constexpr int kCompactSwitchSize = 26;
constexpr int kHistoryButtonWidth = 58;

int naturalBarRight(int w) {
    return w * 13 / 2 + w;
}

BarColumns columns(const ShellMetrics& m) {
    const int w = m.stripWidth;
    if (m.clientWidth <= 0 || m.clientWidth >= naturalBarRight(w)) {
        return {w,
                w * 3 / 2 + 220,
                w * 3 / 2 + 230,
                5 * w + 4,
                w,
                std::min(44, (w - 12) / 4),
                w * 13 / 2,
                w,
                w * 2 / 3};
    }
    BarColumns c{};
    c.statusWidth = kCompactStatusWidth;
    c.aboutWidth = kCompactStatusWidth;
    c.statusX = m.clientWidth - kCompactStatusWidth - 6;
    c.switchSize = kCompactSwitchSize;
    c.groupWidth = kGroupSwitches * (kCompactSwitchSize + 4);
    c.groupX = c.statusX - 10 - c.groupWidth;
    // UNDO and REDO side by side left of the group labels, the readout left of them.
    const int historyLeft = c.groupX - 8 - (2 * kHistoryButtonWidth + 4);
    c.readoutX = historyLeft - 9 - 160;
    c.bankRoom = c.readoutX - 10;
    c.viewWidth = (c.groupX - 4) / 5;
    return c;
}

} // namespace

bool CompactTopBar(const ShellMetrics& m) {
    return m.clientWidth > 0 && m.clientWidth < naturalBarRight(m.stripWidth);
}

QRect ViewButtonRect(const ShellMetrics& m, int index) {
    const int width = columns(m).viewWidth;
    return {index * width, 120, width, 50};
}

QRect BankButtonRect(const ShellMetrics& m, int bank) {
    // The four bank buttons share the room left of the readout.
    const int width = columns(m).bankRoom / 4 - 4;
    return {(bank - 1) * (width + 4), 65, width, 40};
}

QRect GroupSwitchRect(const ShellMetrics& m, int row, int group) {
    const BarColumns c = columns(m);
    return {c.groupX + (group - 1) * (c.switchSize + 4), 25 + row * 62, c.switchSize, 34};
}

QRect GroupLabelRect(const ShellMetrics& m, int row) {
    const BarColumns c = columns(m);
    return {c.groupX, 4 + row * 62, c.groupWidth, 20};
}

QRect ReadoutChannelLabelRect(const ShellMetrics& m) {
    return {columns(m).readoutX, 0, 160, 30};
}

QRect ReadoutParameterLabelRect(const ShellMetrics& m) {
    return {columns(m).readoutX, 60, 160, 30};
}

QRect ReadoutValueBoxRect(const ShellMetrics& m, int box) {
    return {columns(m).readoutX + box * 80, 30, 80, 30};
}

QRect StatusLabelRect(const ShellMetrics& m) {
    const BarColumns c = columns(m);
    return {c.statusX, 60, c.statusWidth, 30};
}

QRect LinkIndicatorRect(const ShellMetrics& m) {
    return {columns(m).statusX, 20, 36, 36};
}

QRect NavigationButtonRect(const ShellMetrics& m) {
    // Under the control-group switches (which end at y 121), as wide as their row.
    const QRect first = GroupSwitchRect(m, 1, 1);
    const QRect last = GroupSwitchRect(m, 1, kGroupSwitches);
    return {first.x(), 132, last.right() - first.x() + 1, 38};
}

QRect AboutButtonRect(const ShellMetrics& m) {
    const BarColumns c = columns(m);
    return {c.statusX, 132, c.aboutWidth, 38};
}

namespace {
// The room right of the readout's value boxes and left of the group labels.
QRect historyRoom(const ShellMetrics& m) {
    const int left = ReadoutValueBoxRect(m, 1).right() + 9;
    const int right = GroupLabelRect(m, 0).x() - 8;
    return {left, 0, right - left + 1, 120};
}
} // namespace

QRect UndoRedoButtonRect(const ShellMetrics& m, int index) {
    const QRect room = historyRoom(m);
    const int width = (room.width() - 4) / 2;
    return {room.x() + index * (width + 4), 22, width, 36};
}

// The second row, clear of the view buttons below (y 120): FILE under UNDO, HISTORY under
// REDO.
QRect FileButtonRect(const ShellMetrics& m) {
    return UndoRedoButtonRect(m, 0).translated(0, 44);
}

QRect HistoryButtonRect(const ShellMetrics& m) {
    return UndoRedoButtonRect(m, 1).translated(0, 44);
}

QRect StripSlotRect(const ShellMetrics& m, int slot) {
    return {slot * (m.stripWidth + kStripGap), m.stripTop, m.stripWidth, m.stripHeight};
}

int BankStripWidth(const ShellMetrics& m, bool panelShown) {
    if (m.clientWidth <= 0)
        return m.stripWidth;
    const int right = panelShown ? NavigationPanelRect(m).x() - kStripGap : m.clientWidth;
    return std::max(m.stripWidth, (right - (kBankStrips - 1) * kStripGap) / kBankStrips);
}

QRect BankSlotRect(const ShellMetrics& m, int slot, bool panelShown) {
    const int width = BankStripWidth(m, panelShown);
    return {slot * (width + kStripGap), m.stripTop, width, m.stripHeight};
}

QRect RightOutputStripRect(const ShellMetrics& m) {
    return {8 * m.stripWidth + 16, m.stripTop, m.stripWidth, m.stripHeight};
}

namespace {
// The width a page or an editor may fill: the client's, or up to the open navigation panel.
int pageRoom(const ShellMetrics& m, bool panelShown) {
    if (m.clientWidth <= 0)
        return 0;
    return panelShown ? NavigationPanelRect(m).x() - kStripGap : m.clientWidth;
}
} // namespace

QRect PageRect(const ShellMetrics& m, bool panelShown) {
    return {0, m.stripTop, std::max(8 * m.stripWidth, pageRoom(m, panelShown)), m.stripHeight};
}

QRect InputEditorRect(const ShellMetrics& m, bool panelShown) {
    const int x = m.stripWidth + 16;
    return {x, m.stripTop, std::max(8 * m.stripWidth, pageRoom(m, panelShown) - x), m.stripHeight};
}

QRect OutputEditorRect(const ShellMetrics& m, bool panelShown) {
    const int room = pageRoom(m, panelShown) - m.stripWidth - 16;
    return {0, m.stripTop, std::max(8 * m.stripWidth, room), m.stripHeight};
}

QRect LargeOutputStripRect(const ShellMetrics& m, bool panelShown) {
    return {OutputEditorRect(m, panelShown).right() + 17, m.stripTop, m.stripWidth, m.stripHeight};
}

QRect NavigationPanelRect(const ShellMetrics& m) {
    int x = 9 * m.stripWidth + 18;
    if (m.clientWidth > 0 && x + m.panelWidth > m.clientWidth)
        x = std::max(0, m.clientWidth - m.panelWidth);
    return {x, m.stripTop, m.panelWidth, m.stripHeight};
}

QRect NoticeRect(const ShellMetrics& m) {
    const int right = ReadoutChannelLabelRect(m).x() - 8;
    const int bottom = BankButtonRect(m, 1).y() - 4;
    return {4, 2, right - 4, bottom - 2};
}

} // namespace krm::ui
