#pragma once
// TopBar: the controls above the strips: the four bank buttons, the five view buttons,
// the mute-group and control-group switches with their labels, the link indicator, the
// status label, the MENU toggle of the navigation panel, the ABOUT button, the UNDO, REDO
// and HISTORY buttons and the hidden home label. It only shows state and reports presses; the main
// window decides what they do. The readout is placed beside it by the main window. UI thread only.

#include "ui/page_state.h"
#include "ui/shell_layout.h"

#include <QWidget>

#include <array>

class QLabel;

namespace krm::ui {

class ToggleButton;

class TopBar : public QWidget {
    Q_OBJECT
public:
    explicit TopBar(QWidget* parent = nullptr);

    void applyMetrics(const ShellMetrics& metrics);
    void retranslate();

    // The pressed view button and the lit bank label (bank lit only in the channel view).
    // While an editor or a group view covers the page (pageShown false) none is lit.
    void showSelection(int bank, View view, bool pageShown = true);
    void setMuteGroupLit(int group, bool lit);
    void setControlGroupLit(int group, bool lit);
    bool muteGroupLit(int group) const;
    bool controlGroupLit(int group) const;
    // Lit indicator and "ONLINE", or dark and "OFFLINE".
    void setLinkShown(bool lit);
    bool linkShown() const { return m_linkLit; }
    QString statusText() const;

    ToggleButton* bankButton(int bank) const { return m_banks[static_cast<std::size_t>(bank - 1)]; }
    ToggleButton* viewButton(View view) const;
    ToggleButton* muteGroupButton(int group) const {
        return m_muteGroups[static_cast<std::size_t>(group - 1)];
    }
    ToggleButton* controlGroupButton(int group) const {
        return m_controlGroups[static_cast<std::size_t>(group - 1)];
    }
    ToggleButton* linkIndicator() const { return m_indicator; }
    // MENU: lit while the navigation panel is shown.
    ToggleButton* navigationButton() const { return m_navigation; }
    void setNavigationLit(bool lit);
    ToggleButton* aboutButton() const { return m_about; }
    ToggleButton* undoButton() const { return m_undo; }
    ToggleButton* redoButton() const { return m_redo; }
    ToggleButton* historyButton() const { return m_history; }
    ToggleButton* fileButton() const { return m_file; }
    // The tooltips of UNDO and REDO (the steps they would take, in the interface's
    // language); empty: nothing to take, the button is greyed. HISTORY is greyed while both
    // are.
    void setUndoTips(const QString& undo, const QString& redo);

signals:
    void bankPressed(int bank);
    void viewPressed(krm::ui::View view);
    void muteGroupPressed(int group);
    void controlGroupPressed(int group);
    // The indicator was pressed while dark.
    void linkIndicatorPressed();
    void navigationPressed();
    void aboutPressed();
    void undoPressed();
    void redoPressed();
    void historyPressed();
    void filePressed();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void retranslateTips();

    std::array<ToggleButton*, 4> m_banks{};
    std::array<ToggleButton*, 5> m_views{}; // CHANNEL, MATRIX, MODE, SYSTEM, GROUPS
    std::array<ToggleButton*, kGroupCount> m_muteGroups{};
    std::array<ToggleButton*, kGroupCount> m_controlGroups{};
    QLabel* m_muteLabel = nullptr;
    QLabel* m_controlLabel = nullptr;
    QLabel* m_title = nullptr;
    ToggleButton* m_indicator = nullptr;
    QLabel* m_status = nullptr;
    ToggleButton* m_navigation = nullptr;
    ToggleButton* m_about = nullptr;
    ToggleButton* m_undo = nullptr;
    ToggleButton* m_file = nullptr;
    ToggleButton* m_redo = nullptr;
    ToggleButton* m_history = nullptr;
    QLabel* m_home = nullptr;
    bool m_linkLit = false;
};

// The views of the five view buttons, left to right.
inline constexpr std::array<View, 5> kViewButtonOrder{View::Channel, View::Matrix, View::Mode,
                                                      View::System, View::Groups};

} // namespace krm::ui
