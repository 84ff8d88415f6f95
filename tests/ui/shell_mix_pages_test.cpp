// The auto-mixer and matrix pages as the window registers them, against the virtual
// device on loopback: a synchronised level, a global setting and a matrix click reach the
// device's image.
#include "sim/virtual_device.h"

#include "editors/pages/automix_page.h"
#include "editors/pages/matrix_page.h"
#include "kit/drop_list.h"
#include "kit/toggle_button.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(MixPagesOnDevice, AutomixAndMatrixEditsReachTheDevice) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    sim::VirtualDevice& device = rig.device;

    const DeviceImage start = device.image();
    const int level = start.inputs[0].autoMixLevel == 61 ? 62 : 61;
    const int nomIndex = start.nomAttn == 27 ? 8 : 7;
    const std::int32_t cell = start.inputs[6].matrix[5] != 0 ? 0 : 1;

    w.showPage(1, View::Mode);
    auto* automix = qobject_cast<AutomixPage*>(w.pageWidget(View::Mode));
    ASSERT_NE(automix, nullptr);
    ASSERT_TRUE(automix->isVisible());
    if (!automix->syncButton()->state())
        automix->pressSync();
    automix->chooseLevel(9, level);
    automix->chooseGlobal(AutomixPage::Nom, nomIndex);

    w.showPage(1, View::Matrix);
    auto* matrix = qobject_cast<MatrixPage*>(w.pageWidget(View::Matrix));
    ASSERT_NE(matrix, nullptr);
    ASSERT_TRUE(matrix->isVisible());
    matrix->clickCell(6, 5);

    ASSERT_TRUE(test::PumpEventsUntil([&] {
        const DeviceImage d = device.image();
        for (int ch = 0; ch < 16; ++ch)
            if (d.inputs[static_cast<std::size_t>(ch)].autoMixLevel != level)
                return false;
        return d.nomAttn == nomIndex + 20 && d.inputs[6].matrix[5] == cell;
    })) << "an edit of the auto-mixer or matrix page did not reach the device";
    EXPECT_EQ(device.image().inputs[6].matrix[4], start.inputs[6].matrix[4]);
}

// The box after a global list's choice takes the keys: Return closes it, and so does Esc
// after the next choice, as the program's other boxes do.
TEST(MixPagesOnDevice, SetSuccessfullyAfterAListChoiceTakesTheFocus) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    w.activateWindow();
    w.showPage(1, View::Mode);
    auto* automix = qobject_cast<AutomixPage*>(w.pageWidget(View::Mode));
    ASSERT_NE(automix, nullptr);
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        DropList* list = automix->globalList(AutomixPage::HoldTime);
        QTest::mouseClick(list, Qt::LeftButton, {}, list->rect().center());
        ASSERT_TRUE(list->popup() && list->popup()->isVisible());
        DropListPopup* popup = list->popup();
        const QPoint row = popup->rowRect(key == Qt::Key_Return ? 3 : 4).center();
        QTest::mousePress(popup, Qt::LeftButton, {}, row);
        QTest::mouseRelease(popup, Qt::LeftButton, {}, row);
        QPointer<QMessageBox> box;
        ASSERT_TRUE(test::PumpEventsUntil([&] {
            for (QMessageBox* b : w.findChildren<QMessageBox*>())
                if (b->isVisible())
                    box = b;
            return box && QApplication::focusWidget() &&
                   (QApplication::focusWidget() == box ||
                    box->isAncestorOf(QApplication::focusWidget()));
        })) << "the box did not take the focus";
        EXPECT_EQ(box->text(), QStringLiteral("Set successfully."));
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_TRUE(test::PumpEventsUntil([&] { return !box || !box->isVisible(); }));
    }
}

} // namespace
} // namespace krm::ui
