#pragma once
// PresetList: the preset list an editor drops in beside its controls. The first row is
// "SAVE PRESET" (a click saves the module of the shown channel at once); every further row
// is a stored preset "ID:NAME", and a click on one opens the NAME / RECALL / DELETE menu —
// the first or the second set of command numbers, so that an editor with two lists can
// tell them apart. The list fills itself whenever it is shown, and again after a save, a
// rename or a delete.
//
// A recall writes the preset into the image and, while online, sends the module's frames
// (through ModulePresets and the edit service); recalled() then lets the editor reload its
// controls. Failures are shown through the message service and change nothing.
//
// UI thread only.

#include "model/channels.h"
#include "presets/module_presets.h"

#include <QListWidget>
#include <QString>

#include <functional>
#include <optional>

namespace krm {

namespace ui {
class PopupMenu;
}

struct PresetListServices {
    // The NAME dialog with the current name; the new name, or nothing on Cancel.
    std::function<std::optional<QString>(const QString& current)> editName;
    std::function<void(const QString& text)> showMessage;
    // Asks a question; runs onOk only when the operator says OK. Unset: no question.
    std::function<void(const QString& question, std::function<void()> onOk)> confirm;
};

class PresetList : public QListWidget {
    Q_OBJECT
public:
    enum class Menu { A, B }; // NAME/RECALL/DELETE as 32771/32773/32774 or 32775/32776/32777

    PresetList(ModulePresets& presets, PresetTable table, Menu menu, PresetListServices services,
               QWidget* parent = nullptr);

    // The channel whose module the list saves and recalls (the editor's channel).
    void setChannel(Channel channel) { m_channel = channel; }
    Channel channel() const { return m_channel; }
    PresetTable table() const { return m_table; }

    // Re-reads the table: "SAVE PRESET", then one row per stored preset.
    void refill();
    // What a click on a row does: row 0 saves, a stored row opens the menu.
    void activateRow(int row);
    // The menu's commands on the stored row `row`.
    void rename(int row);
    void recall(int row);
    void remove(int row);

    ui::PopupMenu* menu() const { return m_menu; }

signals:
    // A preset was recalled into the channel: the editor reloads its controls.
    void recalled(Channel channel);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showError();
    QString storedRow(int row) const;

    ModulePresets& m_presets;
    PresetTable m_table;
    PresetListServices m_services;
    Channel m_channel = Channel::input(0);
    ui::PopupMenu* m_menu;
    int m_menuRow = -1;
};

} // namespace krm
