#pragma once
// AutomixPage: the auto-mixer page of the main window's MODE view. The mode, LAST HOLD and
// SYNC switches, the four global lists (hold time, max open microphones, NOM and closed-
// channel attenuation) with OK, and one level list per microphone CH1..CH16 with the
// channel's ACTIVE/WAITING state as the status reports give it.
//
// Every change goes through the edit service: the mode, last hold and the global lists
// send "%M," (a global list and OK then show "Set successfully.", online or not); SYNC is
// page-local and sends nothing. A channel level sends its "%L,"; with SYNC on the level is
// copied to all sixteen microphones and their frames go out from the paced sender 20 ms
// apart (the edited channel's first when it is one of CH1..CH8, which the device wants
// twice), so the window keeps painting.
//
// The controls load from the image when the page is shown and after every edit the service
// reports; the open states follow the image on a 100 ms timer while the page is shown.
//
// UI thread only.

#include "editors/editor_page.h"
#include "model/edit_service.h"

#include <QTimer>

#include <array>
#include <functional>

namespace krm::ui {
class DropList;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class AutomixPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    static constexpr int kChannels = 16;
    static constexpr int kStateTimerMs = 100;

    enum GlobalList { HoldTime = 0, MaxOpen = 1, Nom = 2, ClosedAttn = 3 };

    // `showMessage` shows "Set successfully." (a message box in the window).
    AutomixPage(EditService& edits, std::function<void(const QString&)> showMessage,
                QWidget* parent = nullptr);
    ~AutomixPage() override;

    void openFor(int) override { reload(); }
    void applyLanguage() override;
    // Every control from the image.
    void reload() override;
    // The ACTIVE/WAITING indicators from the image (the timer calls it).
    void updateStates();

    // What the controls do; public so that tests and the readout can drive them.
    void chooseGlobal(GlobalList list, int index);
    void chooseLevel(int channel, int index); // channel 0..15
    void pressOk();
    void pressMode();
    void pressLastHold();
    void pressSync();

    ui::ToggleButton* modeButton() const { return m_mode; }
    ui::ToggleButton* lastHoldButton() const { return m_lastHold; }
    ui::ToggleButton* syncButton() const { return m_sync; }
    ui::ToggleButton* okButton() const { return m_ok; }
    ui::DropList* globalList(GlobalList list) const { return m_globals[list].list; }
    ui::DropList* levelList(int channel) const { return m_rows[idx(channel)].level; }
    ui::ToggleButton* stateIndicator(int channel) const { return m_rows[idx(channel)].state; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Global {
        ui::TextLabel* label = nullptr;
        ui::DropList* list = nullptr;
    };
    struct Row {
        ui::TextLabel* label = nullptr;
        ui::DropList* level = nullptr;
        ui::ToggleButton* state = nullptr;
        int shownOpen = -1;
    };
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    void layoutControls();
    void showModeCaption();
    void setSuccessfully();
    // The list's code as the image stores it.
    static int codeOf(GlobalList list, int index);
    static const Parameter& parameterOf(GlobalList list);
    // The list position of the image's code.
    int indexOf(GlobalList list) const;

    EditService& m_edits;
    std::function<void(const QString&)> m_showMessage;
    ui::ToggleButton* m_mode;
    ui::ToggleButton* m_lastHold;
    ui::ToggleButton* m_sync;
    ui::ToggleButton* m_ok;
    std::array<Global, 4> m_globals{};
    std::array<Row, kChannels> m_rows{};
};

} // namespace krm
