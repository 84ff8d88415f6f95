// End to end through the window: COMPARE on a stored setting lists what differs between the
// connected device and the setting, by module, in display units, and changes nothing.
#include "tests/support/window_on_device.h"

#include "model/edit_service.h"
#include "model/parameters.h"
#include "sim/device_frames.h"
#include "ui/compare_dialog.h"
#include "ui/settings_section.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace krm::test {
namespace {

TEST(CompareSetting, ListsTheDifferencesFromTheDeviceByModuleAndChangesNothing) {
    WindowOnDevice rig({1366, 768},
                       [&](ui::MainWindowOptions& o) { o.dataFolder = rig.dir.path(); });
    ASSERT_TRUE(rig.connected());
    ui::SettingsSection& section = *rig.window().settingsSection();
    section.save();
    ASSERT_EQ(section.shownCount(), 1);
    const DeviceImage setting = rig.window().image();

    // The device moves on after the setting was stored.
    EditService& edits = rig.window().edits();
    const Channel in3 = Channel::input(2), out2 = Channel::output(1);
    edits.set(Param(ParamKind::PeqGain, 1), in3, 120); // -3.0 dB
    edits.set(Param(ParamKind::OutMute), out2, rig.window().image().outputs[1].mute ? 0 : 1);
    const DeviceImage before = rig.window().image();

    section.compare(0);
    ui::CompareDialog* dialog = nullptr;
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return (dialog = rig.window().findChild<ui::CompareDialog*>()) != nullptr; }));
    EXPECT_TRUE(dialog->summary()->text().startsWith(QStringLiteral("2 parameters differ")))
        << dialog->summary()->text().toStdString();
    QTreeWidget* tree = dialog->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 2); // two modules, one row each
    QStringList rows;
    for (int m = 0; m < tree->topLevelItemCount(); ++m) {
        QTreeWidgetItem* module = tree->topLevelItem(m);
        ASSERT_EQ(module->childCount(), 1);
        QTreeWidgetItem* row = module->child(0);
        rows << module->text(0) + " | " + row->text(0) + " | " + row->text(1);
    }
    // The device's value comes first ("now"), the setting keeps the old one.
    const QString outMuteNow =
        before.outputs[1].mute ? QStringLiteral("OPEN → CLOSE") : QStringLiteral("CLOSE → OPEN");
    // Channels by number and the name the device gave them, in module order.
    auto name = [](const Name16& n) { return QString::fromStdString(n.toUtf8()); };
    const QString peqThen = QString::fromStdString(
        ValueText(Param(ParamKind::PeqGain, 1), in3, setting.inputs[2].peq[1].gain));
    EXPECT_EQ(rows, (QStringList{QStringLiteral("Levels | OUT2 ") + name(before.outputs[1].name) +
                                     QStringLiteral(" · MUTE · ") + outMuteNow +
                                     QStringLiteral(" | out2.mute"),
                                 QStringLiteral("PEQ | CH3 ") + name(before.inputs[2].name) +
                                     QStringLiteral(" · PEQ BAND2 GAIN · -3.0dB → ") + peqThen +
                                     QStringLiteral(" | in3.peq2.gain")}))
        << rows.join('/').toStdString();
    EXPECT_TRUE(tree->headerItem()->text(0).contains(QStringLiteral("the device → 1:SAVE1")))
        << tree->headerItem()->text(0).toStdString();
    EXPECT_EQ(sim::BuildDumpReply(rig.window().image()), sim::BuildDumpReply(before));
    delete dialog;

    // A damaged file: CH1's pan code at offset 356 holds 0x80000000. The dialog names the
    // field with what the file held and what it is read as (the lowest pan, which the
    // device also holds: no difference from it).
    {
        QFile file(QDir(rig.dir.path()).filePath(QStringLiteral("SAVE1.dat")));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.seek(356));
        file.write(QByteArray("\x00\x00\x00\x80", 4));
    }
    section.compare(0);
    ASSERT_TRUE(PumpEventsUntil(
        [&] { return (dialog = rig.window().findChild<ui::CompareDialog*>()) != nullptr; }));
    EXPECT_TRUE(dialog->summary()->text().contains(
        QStringLiteral("Out of their range in the file: 1 (read as")))
        << dialog->summary()->text().toStdString();
    const QList<QTreeWidgetItem*> held = dialog->tree()->findItems(
        QStringLiteral("in1.pan"), Qt::MatchExactly | Qt::MatchRecursive, 1);
    ASSERT_EQ(held.size(), 1);
    EXPECT_EQ(held[0]->parent()->text(0), QStringLiteral("Out of range in the file"));
    EXPECT_EQ(held[0]->text(0), QStringLiteral("CH1 ") + name(before.inputs[0].name) +
                                    QStringLiteral(" · PHASE · file: -2147483648 → read as -1.00"));
}

} // namespace
} // namespace krm::test
