#pragma once
// CompareDialog: what differs between the device (or, offline, the window's image) and a
// stored setting, before the operator recalls it — one branch per module ("PEQ",
// "Names" …), one row per parameter with its channel, the value now and the value in the
// setting, in display units. Built from DiffImages; shows "No difference." when there is
// none. Fields the setting file held outside their range come first, in a branch of their
// own: what the file held, and the value it was read as (the value compared and recalled).
// UI thread only.

#include "model/held_fields.h"
#include "model/setting_diff.h"

#include <QDialog>

#include <vector>

class QLabel;
class QTreeWidget;

namespace krm::ui {

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    // online: the "now" column is the connected device's (else the window's copy).
    CompareDialog(const QString& setting, const std::vector<SettingDifference>& differences,
                  bool online, QWidget* parent = nullptr, const std::vector<HeldField>& held = {});

    QTreeWidget* tree() const { return m_tree; }
    QLabel* summary() const { return m_summary; }

private:
    QLabel* m_summary;
    QTreeWidget* m_tree;
};

} // namespace krm::ui
