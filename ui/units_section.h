#pragma once
// UnitsSection: the system page's microphone-unit area (DISPLAY). Sixteen unit buttons
// "TKU-700-01".. of which the first six show; the first `unitCount` of them are enabled
// and the selected unit's button is lit. Five slot lists, each with its colour marker,
// show and change the selected unit's assignments; CALL calls the selected unit and
// "Reset all TKU700 SETTING" clears every unit after asking.
//
// Opening the section and every report of the device's unit count (applyUnitCount) set
// the buttons: n reported units enable n buttons, unit 1 is selected when none is and
// n > 0, and with n = 0 nothing is selected and the lists are disabled. The lists always
// show the stored slot values: after a refused duplicate ("Already select.") the list
// goes back to what the slot holds, and a change of the table from elsewhere (a device
// report, a loaded setting) reloads them through the edit service's listener.
//
// The dialogs come in as UnitsServices (the window's; tests may pass fakes). UI thread only.

#include "model/edit_service.h"

#include <QWidget>

#include <array>
#include <functional>

namespace krm {
class MicUnitService;
}

namespace krm::ui {

class DropList;
class ToggleButton;

struct UnitsServices {
    // An OK/Cancel question with a warning icon; `onOk` runs only after OK.
    std::function<void(const QString& question, std::function<void()> onOk)> confirm;
    std::function<void(const QString& text)> showMessage;
};

class UnitsSection : public QWidget, private EditListener {
    Q_OBJECT
public:
    static constexpr int kButtonCount = 16;
    static constexpr int kShownButtons = 6;
    static constexpr int kSlots = 5;

    UnitsSection(MicUnitService& units, UnitsServices services, QWidget* parent = nullptr);
    ~UnitsSection() override;

    void retranslate();
    // The device's unit count as the image holds it: buttons enabled, the selection kept
    // or made, the lists shown.
    void applyUnitCount();
    // A level report carried the unit count: the rules are applied again only when the
    // count differs from the one last applied (level reports come many times a second).
    void unitCountReported();
    // A unit button (0..5) pressed.
    void selectUnit(int unit);
    // The operator picked `position` (0 = NULL) in the list of slot `slot` (0..4).
    void chooseSlot(int slot, int position);
    void call();
    // Asks first; OK clears every unit.
    void resetAll();
    // Loads the lists (and the lit button) from the table.
    void showUnit();

    int selectedUnit() const { return m_selected; }
    ToggleButton* unitButton(int index) const { return m_buttons[static_cast<std::size_t>(index)]; }
    DropList* slotList(int slot) const { return m_lists[static_cast<std::size_t>(slot)]; }
    ToggleButton* callButton() const { return m_call; }
    ToggleButton* resetButton() const { return m_reset; }
    // The marker colour of slot 0..4.
    static QColor slotColour(int slot);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    QRect markerRect(int slot) const;

    MicUnitService& m_units;
    UnitsServices m_services;
    std::array<ToggleButton*, kButtonCount> m_buttons{};
    std::array<DropList*, kSlots> m_lists{};
    ToggleButton* m_call;
    ToggleButton* m_reset;
    int m_selected = -1;     // 0..5, or -1 before the first selection
    int m_appliedCount = -1; // the unit count applyUnitCount() last acted on
};

} // namespace krm::ui
