#pragma once
// Layout arithmetic of the main window: every position is a multiple of the strip width,
// which follows the client size. Pure functions (Qt Core geometry only); any thread.

#include <QRect>
#include <QSize>

namespace krm::ui {

inline constexpr int kStripTop = 200;
inline constexpr int kMinStripWidth = 150;
inline constexpr int kMinStripHeight = 700;
inline constexpr int kStripGap = 2;

// The strip sizes before the first layout pass (the window is not yet maximized).
inline constexpr int kInitialStripWidth = 100;
inline constexpr int kInitialStripHeight = 500;

// Width of one channel strip: client width × 2/21, fraction dropped, at least 150.
int StripWidthFor(int clientWidth);
// Height of strips and pages: client height − 220, at least 700.
int StripHeightFor(int clientHeight);

struct ShellMetrics {
    int stripWidth = kInitialStripWidth;
    int panelWidth = kInitialStripWidth; // navigation panel, same as a strip
    int stripHeight = kInitialStripHeight;
    int stripTop = kStripTop;

    static ShellMetrics forClient(QSize client);
    // Everything the main window places at once: wide enough for nine strips, the panel
    // and the gaps, high enough for the strips below the top bar.
    QSize contentSize() const;

    friend bool operator==(const ShellMetrics&, const ShellMetrics&) = default;
};

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
QRect NavigationButtonRect(const ShellMetrics& m);

// Strip slot i of the channel view or a group view: x = i × (w + 2).
QRect StripSlotRect(const ShellMetrics& m, int slot);
// The output strip of a group view and the large output strip beside its editors.
QRect RightOutputStripRect(const ShellMetrics& m);
// Pages and the output editors: from x 0, eight strips wide.
QRect PageRect(const ShellMetrics& m);
// Input editors stand right of the large input strip.
QRect InputEditorRect(const ShellMetrics& m);
QRect NavigationPanelRect(const ShellMetrics& m);

} // namespace krm::ui
