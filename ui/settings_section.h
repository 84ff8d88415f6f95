#pragma once
// SettingsSection: the system page's stored device settings — the "save" and "IMPORT…"
// buttons and up to 32 setting buttons, each showing one stored setting as "ID:NAME". A
// setting button opens the NAME / RECALL / DELETE / COMPARE / EXPORT… menu; RECALL and
// DELETE ask first ("Do you want to recall the setting？", "... delete the setting？", OK and
// Cancel). COMPARE opens CompareDialog on the setting, against the device (offline: the
// window's image), another stored setting or a setting file; EXPORT… copies the setting's
// file anywhere; IMPORT… stores any setting file as a new setting.
//
// A recall loads the file over the image and, while online, plays the whole setting to the
// device from the edit service's bulk sender (about nine seconds); the section shows its
// progress on a 100 ms timer while the window keeps painting and answering. A second
// recall while one plays is refused with a message; a link that goes down meanwhile ends
// it with a message that the device did not receive all of it.
//
// What the section needs from the window (dialogs, the link's state, the redraw after a
// load) comes in as SettingsServices; tests pass fakes. UI thread only.

#include "model/held_fields.h"
#include "model/message.h"
#include "model/setting_diff.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"
#include "ui/compare_dialog.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QProgressBar;

namespace krm::ui {

class PopupMenu;
class ToggleButton;

struct SettingsServices {
    // The NAME dialog with the current name; the new name, or nothing on Cancel.
    std::function<std::optional<QString>(const QString& current)> editName;
    // An OK/Cancel question with a warning icon; `onOk` runs only after OK.
    std::function<void(const QString& question, std::function<void()> onOk)> confirm;
    std::function<void(const QString& text)> showMessage;
    // The link's state of the moment, written into a saved file.
    std::function<LinkStateRecord()> linkState;
    // After a setting was loaded into the image: the window redraws from it (and refreshes
    // the link's last-reply time).
    std::function<void()> loaded;
    // A file dialog: the file to read (`forSaving` false) or to write, starting at
    // `suggested`; nothing on Cancel. Unset, the section asks the native one.
    std::function<std::optional<QString>(const QString& title, const QString& suggested,
                                         bool forSaving)>
        pickFile;
};

class SettingsSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonCount = kDeviceSettingLimit;
    static constexpr int kProgressTimerMs = 100;

    SettingsSection(DeviceSettings& settings, SettingRecall& recall, SettingsServices services,
                    QWidget* parent = nullptr);

    void retranslate();
    // Hides every setting button and shows one per stored row, in ID order.
    void refill();

    void save();
    // The menu's commands on the setting of button `index` (0-based).
    void rename(int index);
    void recall(int index);
    void remove(int index);
    // Opens COMPARE on the setting, first against the device (offline: the window's image);
    // its chooser offers the other stored settings and a setting file. Settings are read
    // into copies; nothing changes.
    void compare(int index);
    // Asks where to and writes a byte-identical copy of the setting's file there.
    void exportSetting(int index);
    // Asks for a setting file and stores it as a new setting named after the file.
    void importSetting();

    // Body of the progress timer.
    void progressTick();
    bool recallRunning() const { return m_recall.running(); }

    ToggleButton* saveButton() const { return m_save; }
    ToggleButton* importButton() const { return m_import; }
    ToggleButton* settingButton(int index) const {
        return m_buttons[static_cast<std::size_t>(index)];
    }
    int shownCount() const;
    QProgressBar* progressBar() const { return m_progress; }
    QLabel* statusLabel() const { return m_status; }
    PopupMenu* menu() const { return m_menu; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void openMenu(int index);
    QString rowText(int index) const;
    void showError(const Message& error);
    void startRecall(const QString& row);
    // Reports a save's or an import's outcome and shows the rows anew.
    void stored(SaveOutcome outcome);
    std::optional<QString> pickFile(const QString& title, const QString& suggested, bool forSaving);
    // What the setting `row` is compared with: the device or window (empty `other`),
    // another stored setting (its row text) or a file (`file`).
    std::optional<Comparison> comparison(const QString& row, const QString& other, bool file);

    DeviceSettings& m_settings;
    SettingRecall& m_recall;
    SettingsServices m_services;
    ToggleButton* m_save;
    ToggleButton* m_import;
    std::array<ToggleButton*, kButtonCount> m_buttons{};
    QProgressBar* m_progress;
    QLabel* m_status;
    PopupMenu* m_menu;
    int m_menuIndex = -1;
    QString m_recalling; // row text of the recall that plays
    QTimer m_progressTimer;
};

} // namespace krm::ui
