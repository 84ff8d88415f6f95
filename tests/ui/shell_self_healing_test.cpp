// The window on the virtual device when the device reboots with other settings: the link
// shows "OFFLINE", offers the handshake on its own, and the window shows the device's new
// values and a notice naming what changed, within a few (fake) seconds of the device's
// return and without the operator pressing anything.
#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "link/link_supervisor.h"
#include "tests/support/window_on_device.h"
#include "ui/link_controller.h"
#include "ui/notice_banner.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

namespace krm::ui {
namespace {

using namespace std::chrono_literals;

TEST(SelfHealingWindow, RebootedDeviceShowsItsNewValuesAndTheNoticeListsWhatChanged) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return w.topBar()->statusText() == "ONLINE"; }));
    NoticeBanner* notice = w.noticeBanner();
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());

    DeviceImage other = rig.device.image();
    other.inputs[0].gain = other.inputs[0].gain == 50 ? 51 : 50;
    other.inputs[1].name = Name16::fromUtf16(u"Lectern");
    other.outputs[3].limiter.threshold = other.outputs[3].limiter.threshold == 20 ? 21 : 20;
    rig.device.reboot(300ms, other);

    // Reports already on their way when it went down are taken in while it starts up
    // again; it answers nothing meanwhile.
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (rig.device.booting() && std::chrono::steady_clock::now() < deadline)
        test::PumpEventsUntil([] { return false; }, 5);
    ASSERT_FALSE(rig.device.booting());
    test::PumpEventsUntil([] { return false; }, 50);
    // Ten seconds of silence on the window's clock: "OFFLINE".
    rig.clock.advance(LinkSupervisor::kSilenceLimit);
    w.link().timerTick();
    EXPECT_EQ(w.topBar()->statusText(), QStringLiteral("OFFLINE"));

    // The window's timer runs on; nobody touches anything.
    const Millis offline = rig.clock.now();
    for (int i = 0; i < 100 && !notice->isVisible(); ++i) {
        rig.clock.advance(Millis(LinkController::kLinkTimerMs));
        w.link().timerTick();
        test::PumpEventsUntil([&] { return notice->isVisible(); }, 20);
    }
    ASSERT_TRUE(notice->isVisible());
    EXPECT_LE(rig.clock.now() - offline, LinkSupervisor::kHealInterval + 1s);
    EXPECT_EQ(w.topBar()->statusText(), QStringLiteral("ONLINE"));
    EXPECT_EQ(w.systemPage()->connectButton()->text(), QStringLiteral("DISCONNECT"));

    // The strips show the device's values (a strip fader stands at 70 - code).
    EXPECT_TRUE(test::PumpEventsUntil(
        [&] { return w.inputStrip(0)->fader()->position() == 70 - other.inputs[0].gain; }));
    EXPECT_TRUE(test::PumpEventsUntil(
        [&] { return w.inputStrip(1)->nameButton()->text() == QStringLiteral("Lectern"); }));
    EXPECT_EQ(w.image().outputs[3].limiter.threshold, other.outputs[3].limiter.threshold);

    EXPECT_EQ(notice->text().toStdString(),
              "The device answered again; its settings were read anew.\n"
              "Changed on the device: Levels, Limiter, Names.");
    setLanguage(Language::Chinese);
    w.applyLanguage();
    EXPECT_EQ(notice->text().toStdString(), "设备已重新应答，已重新读取其设置。\n"
                                            "设备上已更改：电平、限幅器、名称。");
    setLanguage(Language::English);
    w.applyLanguage();

    // The notice blocks nothing and goes when clicked.
    EXPECT_FALSE(QApplication::activeModalWidget());
    QTest::mouseClick(notice, Qt::LeftButton);
    EXPECT_FALSE(notice->isVisible());
}

} // namespace
} // namespace krm::ui
