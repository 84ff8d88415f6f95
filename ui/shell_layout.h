#pragma once
// Layout arithmetic of the main window: every position is a multiple of the strip width,
// which follows the client size. Pure functions (Qt Core geometry only); any thread.

#include <QRect>
#include <QSize>

namespace krm::ui {

inline constexpr int kStripTop = 200;
inline constexpr int kMinStripWidth = 150;
// Below 700 pixels the strips lay out their controls compactly; 420 is the least height at
// which every control of a strip and a fader that reaches each of its 71 positions still fit.
inline constexpr int kMinStripHeight = 420;
inline constexpr int kStripGap = 2;
inline constexpr int kBankStrips = 8;
// The top bar stands above the strips, from the window's top edge to 14 pixels above the
// strips. It stays in place; only the page under it scrolls.
inline constexpr int kTopBarHeight = kStripTop - 14;

// The window's size when it is not maximized (also without a window manager): it fits a
// 1366 x 768 laptop screen with room for a title bar and a task bar. Smaller than the
// minimum, the top bar no longer shows its controls.
inline constexpr QSize kNormalWindowSize{1240, 680};
inline constexpr QSize kMinimumWindowSize{800, 560};

// The strip sizes before the first layout pass (the window is not yet maximized).
inline constexpr int kInitialStripWidth = 100;
inline constexpr int kInitialStripHeight = 500;

// Width of one channel strip: client width × 2/21, fraction dropped, at least 150.
int StripWidthFor(int clientWidth);
// Height of strips and pages: client height − 220, at least kMinStripHeight, so that the
// strips of a laptop screen (768 or 720 pixels high) stand inside the window.
int StripHeightFor(int clientHeight);

struct ShellMetrics {
    int stripWidth = kInitialStripWidth;
    int panelWidth = kInitialStripWidth; // navigation panel, same as a strip
    int stripHeight = kInitialStripHeight;
    int stripTop = kStripTop;
    int clientWidth = 0; // 0: not known, the panel keeps its place right of nine strips

    static ShellMetrics forClient(QSize client);
    // What the channel view needs: the top bar, eight strips and the navigation panel,
    // high enough for the strips below the top bar. Editors and group views may reach
    // further right; the main window grows its content for them.
    QSize contentSize() const;

    friend bool operator==(const ShellMetrics&, const ShellMetrics&) = default;
};

// True when the client is narrower than the top bar laid out in strip widths (7.5 w): its
// columns then pack from the right edge, so every control of the bar stays on screen.
bool CompactTopBar(const ShellMetrics& m);

// Five view buttons side by side at y 120 (index 0 = CHANNEL .. 4 = GROUPS).
QRect ViewButtonRect(const ShellMetrics& m, int index);
// Bank buttons 1..4 along y 65, under the readout's left edge.
QRect BankButtonRect(const ShellMetrics& m, int bank);
// Mute-group (row 0) and control-group (row 1) switches 1..4 around x 5w and 6w; the
// row label sits before the first switch.
QRect GroupSwitchRect(const ShellMetrics& m, int row, int group);
QRect GroupLabelRect(const ShellMetrics& m, int row);
// Readout: two labels 160 × 30 at y 0 and 60, two value boxes 80 × 30 at y 30.
QRect ReadoutChannelLabelRect(const ShellMetrics& m);
QRect ReadoutParameterLabelRect(const ShellMetrics& m);
QRect ReadoutValueBoxRect(const ShellMetrics& m, int box);
QRect StatusLabelRect(const ShellMetrics& m);
QRect LinkIndicatorRect(const ShellMetrics& m);
// The MENU toggle of the navigation panel, under the group switches beside the view
// buttons, and the ABOUT button under the status label.
QRect NavigationButtonRect(const ShellMetrics& m);
QRect AboutButtonRect(const ShellMetrics& m);
// UNDO (0) and REDO (1) side by side in the room between the readout and the group
// switches, level with the mute-group switches; HISTORY under them, as wide as both.
QRect UndoRedoButtonRect(const ShellMetrics& m, int index);
QRect HistoryButtonRect(const ShellMetrics& m);
QRect FileButtonRect(const ShellMetrics& m);

// Strip slot i of the channel view or a group view: x = i × (w + 2).
QRect StripSlotRect(const ShellMetrics& m, int slot);
// A bank's strips in the channel view share the client's width (or the room left of the
// navigation panel while it shows) instead of standing at the strip width with the rest
// empty; never narrower than the strip width.
int BankStripWidth(const ShellMetrics& m, bool panelShown);
QRect BankSlotRect(const ShellMetrics& m, int slot, bool panelShown);
// The output strip of a group view and the large output strip beside its editors.
QRect RightOutputStripRect(const ShellMetrics& m);
// Pages: from x 0 across the client (or up to the open navigation panel), at least eight
// strips wide.
QRect PageRect(const ShellMetrics& m, bool panelShown = false);
// Input editors stand right of the large input strip, reaching as far as pages do.
QRect InputEditorRect(const ShellMetrics& m, bool panelShown = false);
// Output editors: from x 0, at least eight strips wide, leaving room at the right for the
// large output strip beside them.
QRect OutputEditorRect(const ShellMetrics& m, bool panelShown = false);
QRect LargeOutputStripRect(const ShellMetrics& m, bool panelShown = false);
// Right of nine strips (x = 9w + 18) where the client is wide enough; on a narrower
// client against its right edge, above whatever stands there, so it is never out of reach.
QRect NavigationPanelRect(const ShellMetrics& m);
// The notice banner's room in the top bar: the title's place, left of the readout and above
// the bank buttons. No control stands there at any window size, so a notice hides nothing
// the operator may want to read or touch while it shows.
QRect NoticeRect(const ShellMetrics& m);

} // namespace krm::ui
