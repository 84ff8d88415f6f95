// The effects page as the window registers it, against the virtual device on loopback: an
// OUTPUT level and a delay knob reach the device as the frames the page sends, and the
// window's strips of the return channel follow the level.
#include "sim/virtual_device.h"

#include "editors/pages/effects_page.h"
#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "model/frame_builders.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/main_window.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(EffectsOnDevice, LevelAndDelayKnobReachTheDeviceAndTheReturnStripFollows) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    sim::VirtualDevice& device = rig.device;

    w.openInputEditor(16, InputEditorKind::Effects);
    auto* page = qobject_cast<EffectsPage*>(w.inputEditor(InputEditorKind::Effects));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->isVisible());
    const int levelsBefore = device.framesReceived('A');
    const int detectorsBefore = device.framesReceived('N');
    const std::int32_t deviceReturnGain = device.image().inputs[16].gain;

    // The delay's OUTPUT to +1 dB: the return channel CH17's fader beside the editor
    // follows (a strip fader stands at 70 - code); the hidden bank strip reloads when shown.
    page->moveLevel(EffectsPage::DelayOutput, 100);
    EXPECT_EQ(w.image().inputs[16].gain, 61);
    EXPECT_TRUE(w.inputStrip(16)->reloadPending());
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return w.largeInputStrip()->fader()->position() == 9;
    })) << "the return channel's fader did not follow the OUTPUT knob";
    // A delay time let go.
    page->releaseKnob(EffectsPage::PreDelay2, 640);
    EXPECT_EQ(w.image().inputs[16].fxPreDelay2, 640);

    const std::string level = BuildA(w.image(), 27);
    const std::string detector = BuildN(w.image());
    ASSERT_TRUE(test::PumpEventsUntil([&] {
        return device.framesReceived('A') > levelsBefore &&
               device.framesReceived('N') > detectorsBefore;
    })) << "the page's frames did not reach the device";
    EXPECT_EQ(device.lastFrame('A'), level);
    EXPECT_EQ(device.lastFrame('N'), detector);
    // The device applied them as the numbers they carry: bus 7's level and the auto-mixer
    // detector, which equal the window's. The effect level itself has no frame, so the
    // device's record of CH17 keeps its own level.
    const DeviceImage d = device.image();
    EXPECT_EQ(d.outputs[6].gain, w.image().outputs[6].gain);
    EXPECT_EQ(d.outputs[6].mute, w.image().outputs[6].mute);
    EXPECT_EQ(d.zeroCrossRate, w.image().zeroCrossRate);
    EXPECT_EQ(d.thresholdComp, w.image().thresholdComp);
    EXPECT_EQ(d.inputs[16].gain, deviceReturnGain);
}

} // namespace
} // namespace krm::ui
