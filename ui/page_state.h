#pragma once
// PageState: which bank, view, editor or group view the main window shows, and what that
// means for the strip area. Pure logic over the device image (no widgets), so the page
// rules are testable on their own; the main window applies PageContent to its children.
// UI thread only.

#include "editors/editor_page.h"
#include "model/device_image.h"

#include <vector>

namespace krm::ui {

enum class View : int { Channel = 0, System = 1, Matrix = 2, Mode = 3, Groups = 4, Phantom = 5 };

enum class DisplayMode : int { Page = 1, InputEditor = 2, OutputEditor = 3 };

// Editor kinds opened by the strips.
using krm::InputEditorKind;
using krm::OutputEditorKind;

// What the strip area shows. Indices are zero-based (inputs 0..19, outputs 0..7);
// -1 means "not shown".
struct PageContent {
    std::vector<int> inputStrips;  // slots 0.. from the left
    std::vector<int> outputStrips; // the output bank, slots 0.. from the left
    int rightOutputStrip = -1;     // group view's output strip at 8w + 16
    bool showPage = false;         // the page of `page` (never the channel view)
    View page = View::Channel;
    int largeInputStrip = -1;
    InputEditorKind inputEditor = InputEditorKind::Dynamics;
    int largeOutputStrip = -1;
    OutputEditorKind outputEditor = OutputEditorKind::Limiter;
    bool navigationPanel = false;
};

class PageState {
public:
    int bank() const { return m_bank; }
    View view() const { return m_view; }
    DisplayMode displayMode() const { return m_mode; }
    int groupView() const { return m_groupView; }
    int mixSelection() const { return m_mix; }

    // A bank button (1..4): bank and channel view. Ignored (false) while a group view is
    // shown or for a bank outside 1..4.
    bool pressBank(int bank);
    // Show page (bank, view): leaves any editor and any group view.
    void showPage(int bank, View view);
    // The mix the strips show: 1 = LR, 3..8 = AUX1..AUX6; others are refused.
    bool setMixSelection(int mix);
    void openInputEditor(int channel, InputEditorKind kind);
    void openOutputEditor(int output, OutputEditorKind kind);
    // Group 1..4 shows that control group's strips; 0 returns to the current page.
    void showGroup(int group);

    // The strips, page and editor to show. Group membership comes from the image's
    // control groups.
    PageContent content(const DeviceImage& image) const;

private:
    int m_bank = 1;
    View m_view = View::Channel;
    DisplayMode m_mode = DisplayMode::Page;
    int m_groupView = 0;
    int m_mix = 1;
    int m_editorChannel = 0;
    InputEditorKind m_inputEditor = InputEditorKind::Dynamics;
    OutputEditorKind m_outputEditor = OutputEditorKind::Limiter;
};

// The output bus (zero-based) a mix selection stands for in a group view: LR = bus 1,
// AUXn = bus n + 2; -1 for any other selection.
int OutputForMix(int mix);

} // namespace krm::ui
