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

QRect ViewButtonRect(const ShellMetrics& m, int index) {
    return {index * m.stripWidth, 120, m.stripWidth, 50};
}

QRect BankButtonRect(const ShellMetrics& m, int bank) {
    // The four bank buttons share the room left of the readout.
    const int room = m.stripWidth * 3 / 2 + 220;
    const int width = room / 4 - 4;
    return {(bank - 1) * (width + 4), 65, width, 40};
}

namespace {
constexpr int kGroupSwitches = 4;

int groupSwitchSize(const ShellMetrics& m) {
    return std::min(44, (m.stripWidth - 12) / 4);
}
} // namespace

QRect GroupSwitchRect(const ShellMetrics& m, int row, int group) {
    const int size = groupSwitchSize(m);
    return {5 * m.stripWidth + 4 + (group - 1) * (size + 4), 25 + row * 62, size, 34};
}

QRect GroupLabelRect(const ShellMetrics& m, int row) {
    return {5 * m.stripWidth + 4, 4 + row * 62, m.stripWidth, 20};
}

QRect ReadoutChannelLabelRect(const ShellMetrics& m) {
    return {m.stripWidth * 3 / 2 + 230, 0, 160, 30};
}

QRect ReadoutParameterLabelRect(const ShellMetrics& m) {
    return {m.stripWidth * 3 / 2 + 230, 60, 160, 30};
}

QRect ReadoutValueBoxRect(const ShellMetrics& m, int box) {
    return {m.stripWidth * 3 / 2 + 230 + box * 80, 30, 80, 30};
}

QRect StatusLabelRect(const ShellMetrics& m) {
    return {m.stripWidth * 13 / 2, 60, m.stripWidth, 30};
}

QRect LinkIndicatorRect(const ShellMetrics& m) {
    return {m.stripWidth * 13 / 2, 20, 36, 36};
}

QRect NavigationButtonRect(const ShellMetrics& m) {
    // Under the control-group switches (which end at y 121), as wide as their row.
    const QRect first = GroupSwitchRect(m, 1, 1);
    const QRect last = GroupSwitchRect(m, 1, kGroupSwitches);
    return {first.x(), 132, last.right() - first.x() + 1, 38};
}

QRect AboutButtonRect(const ShellMetrics& m) {
    return {m.stripWidth * 13 / 2, 132, m.stripWidth * 2 / 3, 38};
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

QRect RightOutputStripRect(const ShellMetrics& m) {
    return {8 * m.stripWidth + 16, m.stripTop, m.stripWidth, m.stripHeight};
}

QRect PageRect(const ShellMetrics& m) {
    return {0, m.stripTop, 8 * m.stripWidth, m.stripHeight};
}

QRect InputEditorRect(const ShellMetrics& m) {
    return {m.stripWidth + 16, m.stripTop, 8 * m.stripWidth, m.stripHeight};
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
