// The window and another host that sends the window's port a device's dump, identification
// and reports: on the virtual device the image and the screen keep the device's values; on
// a silent device the window never goes online and ends in "CANNOT CONNECT.".
#include "app/program.h"
#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "kit/toggle_button.h"
#include "tests/support/foreign_host.h"
#include "tests/support/window_on_device.h"
#include "ui/link_controller.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(ForeignHostWindow, AnotherHostsDumpChangesNeitherTheImageNorTheScreen) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return w.topBar()->statusText() == "ONLINE"; }));
    const DeviceImage mine = rig.device.image();
    ASSERT_EQ(w.image().inputs[0].gain, mine.inputs[0].gain);
    const int faderShown = w.inputStrip(0)->fader()->position();
    const QString nameShown = w.inputStrip(1)->nameButton()->text();
    ASSERT_EQ(faderShown, 70 - mine.inputs[0].gain); // a strip fader stands at 70 - code

    DeviceImage other = mine;
    other.inputs[0].gain = mine.inputs[0].gain == 50 ? 51 : 50;
    other.inputs[1].name = Name16::fromUtf16(u"Stranger");
    other.outputs[3].limiter.threshold = mine.outputs[3].limiter.threshold == 20 ? 21 : 20;
    other.unitCount = mine.unitCount + 1;
    test::ForeignHost stranger;
    ASSERT_TRUE(stranger.open(*Endpoint::parse("127.0.0.33", 0)));
    const Endpoint window = *Endpoint::parse("127.0.0.1", w.session().boundPort());
    const std::uint64_t before = w.session().foreignDatagrams();
    const int sent = stranger.send(window, test::EveryReportOf(other));
    ASSERT_GE(sent, 5);

    // Every datagram of the stranger has been dropped (or, were it taken, the image shows it).
    ASSERT_TRUE(test::PumpEventsUntil([&] {
        return w.session().foreignDatagrams() >= before + sent ||
               w.image().inputs[0].gain != mine.inputs[0].gain;
    }));
    EXPECT_EQ(w.session().foreignDatagrams(), before + sent);
    EXPECT_EQ(w.image().inputs[0].gain, mine.inputs[0].gain);
    EXPECT_EQ(w.image().inputs[1].name, mine.inputs[1].name);
    EXPECT_EQ(w.image().outputs[3].limiter.threshold, mine.outputs[3].limiter.threshold);
    EXPECT_EQ(w.image().unitCount, mine.unitCount);
    EXPECT_EQ(w.inputStrip(0)->fader()->position(), faderShown);
    EXPECT_EQ(w.inputStrip(1)->nameButton()->text(), nameShown);
    EXPECT_EQ(w.topBar()->statusText(), QStringLiteral("ONLINE"));
}

TEST(ForeignHostWindow, ASilentDeviceEndsInCannotConnectWhileAnotherHostAnswersEveryHello) {
    sim::VirtualDevice device;
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.1", 0)));
    device.setSilent(true); // hears every hello, answers none
    QTemporaryDir dir;
    test::FakeClock clock;
    MainWindowOptions o;
    o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
    o.clock = &clock;
    o.localPort = 0;
    o.startTimers = false;
    o.deviceOverride = QStringLiteral("127.0.0.1");
    o.devicePort = device.endpoint().port;
    o.interfaces = [] { return std::vector<Ipv4Interface>{}; };
    app::Program program(o);
    MainWindow& w = program.window();
    w.show();
    test::ForeignHost stranger;
    ASSERT_TRUE(stranger.open(*Endpoint::parse("127.0.0.34", 0)));
    const std::vector<std::string> reports = test::EveryReportOf(device.image());

    QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
    for (int hello = 1; hello <= 3; ++hello) {
        ASSERT_TRUE(w.session().isConnecting());
        // The stranger answers each hello as the device would.
        ASSERT_TRUE(test::PumpEventsUntil([&] { return device.framesReceived('Z') == hello; }));
        const std::uint64_t before = w.session().foreignDatagrams();
        const int sent =
            stranger.send(*Endpoint::parse("127.0.0.1", w.session().boundPort()), reports);
        ASSERT_TRUE(test::PumpEventsUntil([&] {
            return w.session().foreignDatagrams() >= before + sent || w.session().isOnline();
        }));
        EXPECT_FALSE(w.session().isOnline());
        EXPECT_NE(w.topBar()->statusText(), QStringLiteral("ONLINE"));
        clock.advance(Millis(5000));
        w.link().timerTick();
    }
    ASSERT_TRUE(test::PumpEventsUntil([&] { return w.findChild<QMessageBox*>() != nullptr; }));
    EXPECT_TRUE(w.findChild<QMessageBox*>()->text().startsWith(QStringLiteral("CANNOT CONNECT.\n")))
        << w.findChild<QMessageBox*>()->text().toStdString();
    EXPECT_FALSE(w.session().isConnecting());
    EXPECT_EQ(w.systemPage()->connectButton()->text(), QStringLiteral("CONNECT"));
}

} // namespace
} // namespace krm::ui
