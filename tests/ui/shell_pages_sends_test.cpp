// The aux-send page and the phantom page as the window registers them, against the virtual
// device on loopback: the navigation panel's PHANTOM reaches the phantom page, and one edit
// on each page reaches the device's image.
#include "sim/virtual_device.h"

#include "editors/pages/phantom_page.h"
#include "editors/pages/sends_page.h"
#include "kit/toggle_button.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"
#include "ui/navigation_panel.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(SendPagesOnDevice, AnAuxSendAndAPhantomSwitchReachTheDevice) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    sim::VirtualDevice& device = rig.device;
    ASSERT_NE(device.image().inputs[4].auxSend[1], 45);
    const int phantomBefore = device.image().inputs[1].phantom;

    // AUX2 of CH5 to -15 dB.
    w.openInputEditor(4, InputEditorKind::AuxSends);
    auto* sends = qobject_cast<SendsPage*>(w.inputEditor(InputEditorKind::AuxSends));
    ASSERT_NE(sends, nullptr);
    ASSERT_TRUE(sends->isVisible());
    EXPECT_EQ(sends->channel(), 4);
    sends->moveKnob(2, 45, false);

    // The panel's PHANTOM shows the phantom page; CH2's button is clicked on it.
    w.toggleNavigationPanel();
    QTest::mouseClick(w.navigationPanel()->phantomButton(), Qt::LeftButton);
    auto* phantom = qobject_cast<PhantomPage*>(w.pageWidget(View::Phantom));
    ASSERT_NE(phantom, nullptr);
    ASSERT_TRUE(phantom->isVisible());
    QTest::mouseClick(phantom->button(1), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[1].phantom, 1 - phantomBefore);

    ASSERT_TRUE(test::PumpEventsUntil([&] {
        const DeviceImage d = device.image();
        return d.inputs[4].auxSend[1] == 45 && d.inputs[1].phantom == 1 - phantomBefore;
    })) << "a page's edit did not reach the device";
    // Nothing else of CH5's sends or the other switches moved on the device.
    const DeviceImage d = device.image();
    EXPECT_EQ(d.inputs[4].auxSend[0], w.image().inputs[4].auxSend[0]);
    EXPECT_EQ(d.inputs[0].phantom, w.image().inputs[0].phantom);
}

} // namespace
} // namespace krm::ui
