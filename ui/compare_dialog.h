#pragma once
// CompareDialog: what differs between a stored setting and what it is compared with — the
// device (offline: the window's image), another stored setting or a setting file — one
// branch per module ("PEQ", "Names" …), one row per field in the operator's words
// ("CH3 Podium · PEQ BAND2 GAIN · -3.0dB → -1.0dB", values in display units) with its
// dotted name beside it for integrators. A chooser at the top picks what the setting is
// compared with; shows "No difference." when nothing differs. Fields the setting's file
// held outside their range come first, in a branch of their own: what the file held, and
// the value it was read as (the value compared and recalled).
// UI thread only.

#include "model/device_image.h"
#include "model/held_fields.h"
#include "model/setting_diff.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QTreeWidget;

namespace krm::ui {

// One comparison: the differences read from `first` to `second` (the stored setting).
struct Comparison {
    QString first;  // "the device", "the window", "3:Room A", "room-204.dat"
    QString second; // the stored setting: "5:Room B"
    std::vector<SettingDifference> differences;
    std::vector<HeldField> held; // fields of the setting's file held to their range
    DeviceImage names;           // the channel names the rows show: the first side's
};

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    // The comparison with source `i` of the chooser; nothing when that source could not be
    // read (its owner said why) or its file dialog was cancelled: the chooser goes back.
    using Compare = std::function<std::optional<Comparison>(int source)>;

    // `sources` names what the setting can be compared with, in the chooser's order; the
    // first is shown at once.
    CompareDialog(const QString& setting, const QStringList& sources, Compare compare,
                  QWidget* parent = nullptr);

    // Compares with source `i`, as choosing it in the chooser does.
    void choose(int source);

    QComboBox* chooser() const { return m_chooser; }
    QTreeWidget* tree() const { return m_tree; }
    QLabel* summary() const { return m_summary; }

private:
    void showComparison(const Comparison& comparison);

    Compare m_compare;
    QComboBox* m_chooser;
    QLabel* m_summary;
    QTreeWidget* m_tree;
    int m_shown = 0;
};

} // namespace krm::ui
