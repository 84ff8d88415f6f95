#pragma once
// NavigationPanel: the narrow side panel of the main window. Mode 1 holds the main
// buttons (SYSTEM, GROUP, AUX, CLEAR MUTE, CLEAR SOLO, PHANTOM), mode 2 the group buttons
// (MUTE, VIEW, CONTROL, view group 1..4, RETURN), mode 3 the mix buttons (LR, AUX1..AUX6,
// RETURN). It keeps its own lit flags and asks the main window for page changes, mixes,
// group views and the clear operations. UI thread only.

#include "ui/page_state.h"

#include <QWidget>

#include <array>
#include <vector>

class QLabel;

namespace krm::ui {

class ToggleButton;

class NavigationPanel : public QWidget {
    Q_OBJECT
public:
    enum Mode { MainButtons = 1, GroupButtons = 2, MixButtons = 3 };

    explicit NavigationPanel(QWidget* parent = nullptr);

    void setMode(int mode);
    int mode() const { return m_mode; }
    void retranslate();
    // The mix the strips show (lit in mode 3): 1 = LR, 3..8 = AUX1..AUX6. The panel keeps
    // it, so that AUX lights the current mix's button again.
    void setCurrentMix(int mix);
    // Lights the page button of the view the main window shows (SYSTEM, PHANTOM, MUTE,
    // VIEW or CONTROL) and darkens the others: at most one page button is lit, and it is
    // the page on screen.
    void setPageLit(View view);
    // Lights the view-group button of a group 1..4 (the others go dark; 0 darkens all).
    void setViewGroupLit(int group);

    // For tests and the main window: the button of an action.
    ToggleButton* systemButton() const { return m_system; }
    ToggleButton* groupButton() const { return m_group; }
    ToggleButton* auxButton() const { return m_aux; }
    ToggleButton* clearMuteButton() const { return m_clearMute; }
    ToggleButton* clearSoloButton() const { return m_clearSolo; }
    ToggleButton* phantomButton() const { return m_phantom; }
    ToggleButton* muteButton() const { return m_mute; }
    ToggleButton* viewButton() const { return m_view; }
    ToggleButton* controlButton() const { return m_control; }
    ToggleButton* viewGroupButton(int group) const {
        return m_viewGroups[static_cast<std::size_t>(group - 1)];
    }
    ToggleButton* mixButton(int mix) const; // 1, 3..8
    ToggleButton* returnButton(int mode) const { return mode == 2 ? m_groupReturn : m_mixReturn; }

signals:
    void viewRequested(krm::ui::View view);
    // Return to the channel view if another view is shown (GROUP and AUX).
    void channelViewWanted();
    void mixRequested(int mix);
    void groupRequested(int group);
    void clearMutesRequested();
    void clearSolosRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void retranslateTips();
    ToggleButton* makeButton(const QString& name);
    void pressSystem();
    void pressPhantom();
    void pressGroupPage(ToggleButton* pressed, View view);
    void pressViewGroup(int group);
    void pressMix(int mix);
    void placeButtons();
    std::vector<ToggleButton*> buttonsOfMode(int mode) const;

    int m_mode = MainButtons;
    int m_mix = 1;
    ToggleButton* m_system;
    ToggleButton* m_group;
    ToggleButton* m_aux;
    ToggleButton* m_clearMute;
    ToggleButton* m_clearSolo;
    ToggleButton* m_phantom;
    QLabel* m_heading;
    ToggleButton* m_mute;
    ToggleButton* m_view;
    ToggleButton* m_control;
    std::array<ToggleButton*, kGroupCount> m_viewGroups{};
    ToggleButton* m_groupReturn;
    std::array<ToggleButton*, 7> m_mixes{}; // LR, AUX1..AUX6
    ToggleButton* m_mixReturn;
};

} // namespace krm::ui
