// The virtual device first: its headers use the name `emit`, which Qt defines as a macro.
#include "app/program.h"
#include "sim/virtual_device.h"
#include "tests/link/port_blocker.h"
#include "ui/link_controller.h"

#include "dsp/channel_scales.h"
#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "kit/fader.h"
#include "kit/level_meter.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/paced_sender.h"
#include "tests/support/fake_clock.h"
#include "ui/host_settings.h"
#include "ui/main_window.h"
#include "ui/name_dialog.h"
#include "ui/navigation_panel.h"
#include "ui/notice_banner.h"
#include "ui/readout_panel.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <set>

#include <functional>

namespace krm::ui {
namespace {

// Runs the event loop until the condition holds. The guard only stops a broken test
// from hanging; a passing test never waits for it.
bool pumpUntil(const std::function<bool()>& done, int guardMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > guardMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settingsPath = dir.filePath(QStringLiteral("krm.ini"));
    }

    MainWindowOptions options(std::uint16_t devicePort = kDevicePort) {
        MainWindowOptions o;
        o.settingsPath = settingsPath;
        o.clock = &clock;
        o.localPort = 0;
        o.devicePort = devicePort;
        o.startTimers = false;
        o.interfaces = [] {
            return std::vector<Ipv4Interface>{{"lo-test", 0x7F000001u, true, false}};
        };
        return o;
    }

    // A window pointed at a running virtual device on 127.0.0.1.
    std::unique_ptr<app::Program> windowOnDevice() {
        EXPECT_TRUE(device.start(*Endpoint::parse("127.0.0.1", 0)));
        MainWindowOptions o = options(device.endpoint().port);
        o.deviceOverride = QStringLiteral("127.0.0.1");
        auto program = std::make_unique<app::Program>(o);
        program->window().resize(1920, 1080);
        program->window().show();
        return program;
    }

    QTemporaryDir dir;
    QString settingsPath;
    test::FakeClock clock;
    sim::VirtualDevice device;
};

TEST_F(MainWindowTest, StartsWithCaptionStoredAddressAndBankOne) {
    { HostSettings(settingsPath).setHostIp(QStringLiteral("127.0.0.44")); }
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1"));
    EXPECT_EQ(w.session().deviceIp(), "127.0.0.44");
    EXPECT_EQ(w.systemPage()->address(), QStringLiteral("127.0.0.44"));
    EXPECT_EQ(w.metrics().stripWidth, 182);
    EXPECT_EQ(w.pages().bank(), 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(w.inputStrip(i)->isVisible()) << i;
    EXPECT_FALSE(w.inputStrip(8)->isVisible());
    // The bank's eight strips share the width: (1920 - 7 gaps of 2) / 8 each.
    EXPECT_EQ(QRect(w.inputStrip(1)->mapTo(&w, QPoint()), w.inputStrip(1)->size()),
              QRect(240, 200, 238, 860));
    EXPECT_FALSE(w.navigationPanel()->isVisible());
    EXPECT_EQ(w.topBar()->statusText(), QStringLiteral("OFFLINE"));
    EXPECT_FALSE(w.topBar()->linkIndicator()->state());
    EXPECT_TRUE(w.topBar()->bankButton(1)->state());
    EXPECT_TRUE(w.topBar()->viewButton(View::Channel)->state());
    // The readout starts on CH1's mute.
    EXPECT_EQ(w.readout()->channelLabel()->text(), QStringLiteral("CH 1"));
    EXPECT_EQ(w.readout()->parameterLabel()->text(), QStringLiteral("MUTE"));
    EXPECT_EQ(w.readout()->valueBox(0)->text(), QStringLiteral("CLOSE"));

    // The about item opens the about box.
    auto* about = w.topBar()->findChild<QAction*>(QStringLiteral("aboutAction"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("ABOUT KRM-416X 3.1(&A)..."));
    about->trigger();
    EXPECT_NE(w.findChild<AboutBox*>(), nullptr);
}

TEST_F(MainWindowTest, PickedAddressIsStoredExceptInDemoMode) {
    { HostSettings(settingsPath).setHostIp(QStringLiteral("127.0.0.44")); }
    MainWindowOptions o = options();
    o.deviceOverride = QStringLiteral("127.0.0.2");
    {
        // Demo mode: a confirmed or picked address points the session at it, and the
        // address of the real device stays stored for the next start.
        app::Program program(o);
        MainWindow& w = program.window();
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.2");
        w.systemPage()->addressBox()->setText(QStringLiteral("127.0.0.8"));
        QTest::mouseClick(w.systemPage()->okButton(), Qt::LeftButton);
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.8");
        emit w.systemPage()->devicePicked(QStringLiteral("127.0.0.9"));
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.9");
        EXPECT_EQ(w.systemPage()->address(), QStringLiteral("127.0.0.9"));
    }
    EXPECT_EQ(HostSettings(settingsPath).hostIp(), QStringLiteral("127.0.0.44"));
    {
        app::Program program(options());
        MainWindow& w = program.window();
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.44");
        w.systemPage()->addressBox()->setText(QStringLiteral("127.0.0.8"));
        QTest::mouseClick(w.systemPage()->okButton(), Qt::LeftButton);
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.8");
    }
    EXPECT_EQ(HostSettings(settingsPath).hostIp(), QStringLiteral("127.0.0.8"));
}

TEST_F(MainWindowTest, BankButtonIsIgnoredWhileAGroupViewIsShown) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    w.image().controlGroups[0].input(3) = 1;
    w.image().controlGroups[0].input(12) = 1;
    w.showGroup(1);
    EXPECT_TRUE(w.inputStrip(3)->isVisible());
    EXPECT_TRUE(w.inputStrip(12)->isVisible());
    EXPECT_EQ(w.inputStrip(12)->x(), 184); // second slot
    EXPECT_TRUE(w.outputStrip(0)->isVisible());
    EXPECT_TRUE(w.navigationPanel()->isVisible());

    QTest::mouseClick(w.topBar()->bankButton(3), Qt::LeftButton);
    EXPECT_EQ(w.pages().bank(), 1);
    EXPECT_EQ(w.pages().groupView(), 1);
    EXPECT_FALSE(w.inputStrip(16)->isVisible());
    EXPECT_TRUE(w.inputStrip(12)->isVisible());

    // A view button leaves the group view; the banks work again.
    QTest::mouseClick(w.topBar()->viewButton(View::Channel), Qt::LeftButton);
    EXPECT_FALSE(w.navigationPanel()->isVisible());
    QTest::mouseClick(w.topBar()->bankButton(3), Qt::LeftButton);
    EXPECT_EQ(w.pages().bank(), 3);
    EXPECT_TRUE(w.inputStrip(16)->isVisible());
    EXPECT_FALSE(w.inputStrip(3)->isVisible());
}

TEST_F(MainWindowTest, ViewButtonsAndDarkIndicatorShowTheirPages) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    QTest::mouseClick(w.topBar()->viewButton(View::Matrix), Qt::LeftButton);
    EXPECT_TRUE(w.pageWidget(View::Matrix)->isVisible());
    EXPECT_FALSE(w.inputStrip(0)->isVisible());
    EXPECT_TRUE(w.topBar()->viewButton(View::Matrix)->state());
    EXPECT_FALSE(w.topBar()->bankButton(1)->state());
    QTest::mouseClick(w.topBar()->linkIndicator(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::System);
    EXPECT_TRUE(w.systemPage()->isVisible());
    EXPECT_FALSE(w.pageWidget(View::Matrix)->isVisible());
    QTest::mouseClick(w.systemPage()->offlineButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::Channel);
    EXPECT_TRUE(w.inputStrip(0)->isVisible());

    w.openOutputEditor(2, OutputEditorKind::Limiter);
    EXPECT_FALSE(w.inputStrip(0)->isVisible());
    w.pressBank(4);
    EXPECT_TRUE(w.outputStrip(7)->isVisible());
}

TEST_F(MainWindowTest, MuteGroupOfflineChangesTheImageOnlyAndTogglesBack) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.image().muteGroups[1].input(0) = 1;
    w.image().muteGroups[1].output(2) = 1;
    QTest::mouseClick(w.topBar()->muteGroupButton(2), Qt::LeftButton);
    EXPECT_TRUE(w.topBar()->muteGroupLit(2));
    EXPECT_EQ(w.image().inputs[0].mute, 1);
    EXPECT_EQ(w.image().outputs[2].mute, 1);
    EXPECT_EQ(w.image().activeMuteGroup, 2);
    EXPECT_FALSE(w.pacer().busy());                                      // offline: nothing queued
    EXPECT_EQ(w.readout()->valueBox(0)->text(), QStringLiteral("OPEN")); // CH1 mute shown
    QTest::mouseClick(w.topBar()->muteGroupButton(2), Qt::LeftButton);
    EXPECT_FALSE(w.topBar()->muteGroupLit(2));
    EXPECT_EQ(w.image().inputs[0].mute, 0);
    EXPECT_FALSE(w.inputStrip(0)->muteButton()->state());
    EXPECT_EQ(w.image().activeMuteGroup, 0);
}

TEST_F(MainWindowTest, ControlGroupSwitchSetsTheActiveFlag) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.image().controlGroups[3].output(1) = 1;
    w.image().controlGroups[3].output(5) = 1;
    w.image().controlGroups[3].link(LinkVol) = 1;
    QTest::mouseClick(w.topBar()->controlGroupButton(4), Qt::LeftButton);
    EXPECT_TRUE(w.topBar()->controlGroupLit(4));
    EXPECT_EQ(w.image().controlGroupActive[3], 1);
    // The member strips carry the group: marker, member list and link block.
    const StripGroup& member = w.outputStrip(5)->controlGroup();
    EXPECT_EQ(member.group, 4);
    EXPECT_EQ(member.members, (std::vector<int>{1, 5}));
    EXPECT_TRUE(member.links(LinkVol));
    EXPECT_EQ(w.outputStrip(0)->controlGroup().group, 0);
    EXPECT_EQ(w.inputStrip(1)->controlGroup().group, 0); // input 2 is not output 2

    QTest::mouseClick(w.topBar()->controlGroupButton(4), Qt::LeftButton);
    EXPECT_EQ(w.image().controlGroupActive[3], 0);
    EXPECT_EQ(w.outputStrip(5)->controlGroup().group, 0);
    EXPECT_TRUE(w.outputStrip(5)->controlGroup().members.empty());
}

TEST_F(MainWindowTest, TypedValueIsStoredAndShownBackInTheBox) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.setSelection(2, 3);
    EXPECT_EQ(w.readout()->parameterLabel()->text(), QStringLiteral("VOL"));
    QLineEdit* box = w.readout()->valueBox(0);
    box->setText(QStringLiteral("-10"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(w.image().inputs[2].gain, 50);
    EXPECT_EQ(box->text(), QStringLiteral("-10dB"));
    box->setText(QStringLiteral("nonsense"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(w.image().inputs[2].gain, 50);
    EXPECT_EQ(box->text(), QStringLiteral("-10dB")); // the stored value comes back
}

TEST_F(MainWindowTest, ConnectedMuteGroupReachesTheDeviceAndCloseStopsReports) {
    auto program = windowOnDevice();
    MainWindow* w = &program->window();
    QTest::mouseClick(w->systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return w->session().isOnline(); }));
    ASSERT_TRUE(pumpUntil([&] { return w->topBar()->linkShown(); }));
    EXPECT_EQ(w->topBar()->statusText(), QStringLiteral("ONLINE"));
    EXPECT_TRUE(w->systemPage()->connectedShown());
    EXPECT_EQ(w->pages().view(), View::Channel); // connecting returns to the first page

    // The device's status reports move the meters of the shown strips.
    std::set<int> levels;
    ASSERT_TRUE(pumpUntil([&] {
        for (int c = 0; c < 8; ++c)
            levels.insert(w->inputStrip(c)->meter()->value(0));
        return levels.size() >= 3;
    })) << "meters never moved";

    DeviceImage& img = w->image();
    img.muteGroups[1].input(0) = 1;
    img.muteGroups[1].input(4) = 1;
    img.muteGroups[1].output(2) = 1;
    const int framesBefore = device.framesReceived('A');
    QTest::mouseClick(w->topBar()->muteGroupButton(2), Qt::LeftButton);
    w->pacer().waitIdle();
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('A') == framesBefore + 3; }));
    const DeviceImage theirs = device.image();
    EXPECT_EQ(theirs.inputs[0].mute, 1);
    EXPECT_EQ(theirs.inputs[4].mute, 1);
    EXPECT_EQ(theirs.outputs[2].mute, 1);
    EXPECT_EQ(theirs.inputs[1].mute, 0);

    // CLEAR MUTE online: one level/mute frame for CH1..CH18 and each bus, paced.
    w->navigationPanel()->clearMuteButton()->clicked(0);
    w->pacer().waitIdle();
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('A') == framesBefore + 3 + 26; }));
    EXPECT_EQ(device.image().inputs[4].mute, 0);
    EXPECT_EQ(device.image().outputs[2].mute, 0);

    // Close: "%Q," 0 once, then the window goes once no thread runs.
    ASSERT_TRUE(device.statusReportsOn());
    const int stopsBefore = device.framesReceived('Q');
    w->close();
    EXPECT_TRUE(w->isVisible()); // not before the receive thread has ended
    ASSERT_TRUE(pumpUntil([&] { return !w->isVisible(); }));
    EXPECT_FALSE(w->session().receiverRunning());
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('Q') == stopsBefore + 1; }));
    EXPECT_FALSE(device.statusReportsOn());
    QTest::qWait(50); // anything still on its way would arrive now
    EXPECT_EQ(device.framesReceived('Q'), stopsBefore + 1) << "exactly once";
}

// The open message boxes' texts; each is answered with `button` (or OK).
QStringList AnswerBoxes(QWidget& owner, QMessageBox::StandardButton button) {
    QStringList texts;
    for (QMessageBox* box : owner.findChildren<QMessageBox*>()) {
        if (!box->isVisible())
            continue;
        texts << box->text();
        (box->button(button) ? box->button(button) : box->button(QMessageBox::Ok))->click();
    }
    return texts;
}

bool BoxShown(QWidget& owner) {
    for (QMessageBox* box : owner.findChildren<QMessageBox*>())
        if (box->isVisible())
            return true;
    return false;
}

// The device's own changes are never the operator's steps: a fader moved on the device
// (its level report) stays when the operator undoes their own edit, and a dump with other
// settings (the device reset elsewhere, then CONNECT again) starts a new history.
TEST_F(MainWindowTest, UndoTakesBackTheOperatorsEditOnlyAndANewDumpStartsANewHistory) {
    sim::DeviceOptions reporting;
    reporting.levelsPeriod = Millis(50);
    sim::VirtualDevice device(reporting);
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.3", 0)));
    MainWindowOptions o = options(device.endpoint().port);
    o.deviceOverride = QStringLiteral("127.0.0.3");
    auto program = std::make_unique<app::Program>(o);
    MainWindow* w = &program->window();
    w->show();
    QTest::mouseClick(w->systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return w->session().isOnline(); }));
    const Parameter& fader = Param(ParamKind::InGain);
    const int ours = fader.get(w->image(), Channel::input(0));
    w->edits().set(fader, Channel::input(0), ours - 20);
    ASSERT_TRUE(pumpUntil([&] { return device.image().inputs[0].gain == ours - 20; }));

    DeviceImage theirs = device.image();
    theirs.inputs[2].gain -= 7;
    device.setImage(theirs);
    ASSERT_TRUE(pumpUntil([&] { return w->image().inputs[2].gain == theirs.inputs[2].gain; }));

    // The operator's next edit is a step of its own field alone.
    w->edits().set(fader, Channel::input(1), fader.get(w->image(), Channel::input(1)) - 10);
    ASSERT_NE(w->edits().undo().step, nullptr);
    EXPECT_EQ(w->image().inputs[2].gain, theirs.inputs[2].gain);
    ASSERT_NE(w->edits().undo().step, nullptr);
    EXPECT_FALSE(w->edits().history().canUndo()); // the report made no step of its own
    EXPECT_EQ(w->image().inputs[0].gain, ours);
    EXPECT_EQ(w->image().inputs[2].gain, theirs.inputs[2].gain);
    ASSERT_TRUE(pumpUntil([&] { return device.image().inputs[0].gain == ours; }));
    EXPECT_EQ(device.image().inputs[2].gain, theirs.inputs[2].gain);
    ASSERT_TRUE(w->edits().history().canRedo());

    // A new dump holding other settings: nothing the operator could redo applies to it.
    QTest::mouseClick(w->systemPage()->connectButton(), Qt::LeftButton); // DISCONNECT
    ASSERT_TRUE(pumpUntil([&] { return !w->session().isOnline(); }));
    theirs = device.image();
    theirs.outputs[1].gain -= 5;
    device.setImage(theirs);
    QTest::mouseClick(w->systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return w->image().outputs[1].gain == theirs.outputs[1].gain; }));
    EXPECT_FALSE(w->edits().history().canRedo());
    EXPECT_FALSE(w->edits().history().canUndo());
    EXPECT_TRUE(w->noticeBanner()->isVisible());
    EXPECT_EQ(w->noticeBanner()->text(),
              QStringLiteral("Undo starts again from the device's settings."));
}

TEST_F(MainWindowTest, SearchTakesTheLinkDownAndListsTheAnsweringDeviceOnce) {
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.5", 0)));
    MainWindowOptions o = options(device.endpoint().port);
    o.deviceOverride = QStringLiteral("127.0.0.5");
    app::Program program(o);
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    w.session().connect();
    ASSERT_TRUE(pumpUntil([&] { return w.session().isOnline(); }));
    w.showPage(1, View::System);
    w.systemPage()->addDevice(QStringLiteral("127.0.0.99")); // a stale row from before
    // The live link is not dropped without a word: Cancel leaves it as it was.
    QTest::mouseClick(w.systemPage()->searchButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return BoxShown(w); }));
    const QStringList asked = AnswerBoxes(w, QMessageBox::Cancel);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("disconnect from 127.0.0.5")))
        << asked[0].toStdString();
    QApplication::processEvents();
    EXPECT_TRUE(w.session().isOnline());
    EXPECT_TRUE(w.session().receiverRunning());
    EXPECT_FALSE(w.systemPage()->searchVisible());
    EXPECT_EQ(w.systemPage()->deviceCount(), 1);
    EXPECT_EQ(device.framesReceived('R'), 0);

    // OK: the search socket needs the link's port, so the link goes down first.
    setLanguage(Language::Chinese);
    QTest::mouseClick(w.systemPage()->searchButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return BoxShown(w); }));
    setLanguage(Language::English);
    EXPECT_EQ(AnswerBoxes(w, QMessageBox::Ok),
              QStringList{QString::fromUtf8("搜索需要断开连接：断开与 127.0.0.5 的连接并搜索？")});
    ASSERT_TRUE(pumpUntil([&] { return !w.session().receiverRunning(); }));
    EXPECT_FALSE(w.session().isOnline());
    EXPECT_EQ(w.systemPage()->connectButton()->text(), QStringLiteral("CONNECT"));
    // Two requests per host, so the device answers twice; the list holds it once.
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('R') >= 2; }));
    ASSERT_TRUE(pumpUntil([&] { return w.systemPage()->deviceCount() == 1; }));
    ASSERT_TRUE(pumpUntil([&] { return !w.systemPage()->searchVisible(); }));
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
    EXPECT_EQ(w.systemPage()->deviceCount(), 1);
    EXPECT_EQ(w.systemPage()->deviceAt(0), QStringLiteral("127.0.0.5"));
    EXPECT_EQ(w.systemPage()->deviceList()->topLevelItem(0)->text(1),
              QString::number(device.endpoint().port));

    // Picking the row points the session at it; in demo mode nothing is stored.
    w.systemPage()->devicePicked(QStringLiteral("127.0.0.5"));
    EXPECT_EQ(w.session().deviceIp(), "127.0.0.5");
    EXPECT_EQ(HostSettings(settingsPath).hostIp(), QStringLiteral("192.168.1.106"));
}

TEST_F(MainWindowTest, SilentDeviceEndsInCannotConnect) {
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.1", 0)));
    device.setSilent(true);
    MainWindowOptions o = options(device.endpoint().port);
    o.deviceOverride = QStringLiteral("127.0.0.1");
    app::Program program(o);
    MainWindow& w = program.window();
    w.show();
    QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(w.session().isConnecting());
    for (int i = 0; i < 3; ++i) {
        clock.advance(Millis(5000));
        w.link().timerTick();
    }
    ASSERT_TRUE(pumpUntil([&] { return w.findChild<QMessageBox*>() != nullptr; }));
    EXPECT_EQ(w.findChild<QMessageBox*>()->text(),
              QStringLiteral("CANNOT CONNECT.\nNo answer from 127.0.0.1."));
    EXPECT_FALSE(w.session().isConnecting());
    // The hellos travel on their own; wait for the third to land before counting.
    EXPECT_TRUE(pumpUntil([&] { return device.framesReceived('Z') == 3; }));
    EXPECT_EQ(w.systemPage()->connectButton()->text(), QStringLiteral("CONNECT"));
}

// CONNECT goes to the address typed in the box even without OK, stores it as OK would, and
// a failure names the address that was tried; text that is no address connects nowhere.
TEST_F(MainWindowTest, ConnectTakesTheTypedAddressAndTheFailureNamesIt) {
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.5", 0)));
    device.setSilent(true);
    HostSettings(settingsPath).setHostIp(QStringLiteral("127.0.0.7"));
    app::Program program(options(device.endpoint().port));
    MainWindow& w = program.window();
    w.show();
    w.showPage(1, View::System);
    ASSERT_EQ(w.session().deviceIp(), "127.0.0.7");

    w.systemPage()->addressBox()->setText(QStringLiteral("127.0.0"));
    QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return BoxShown(w); }));
    const QStringList invalid = AnswerBoxes(w, QMessageBox::Ok);
    ASSERT_EQ(invalid.size(), 1);
    EXPECT_TRUE(invalid[0].startsWith(QStringLiteral("INVALID IP ADDRESS.")))
        << invalid[0].toStdString();
    EXPECT_FALSE(w.session().isConnecting());
    EXPECT_FALSE(w.session().receiverRunning());
    EXPECT_EQ(w.session().deviceIp(), "127.0.0.7");

    struct Case {
        Language language;
        const char* message;
    };
    const Case cases[] = {
        {Language::English, "CANNOT CONNECT.\nNo answer from 127.0.0.5."},
        {Language::Chinese, "连接失败.\n127.0.0.5 没有应答。"},
    };
    for (const Case& c : cases) {
        setLanguage(c.language);
        const int hellos = device.framesReceived('Z');
        w.systemPage()->addressBox()->setText(QStringLiteral(" 127.0.0.5"));
        QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
        ASSERT_TRUE(w.session().isConnecting());
        EXPECT_EQ(w.session().deviceIp(), "127.0.0.5");
        EXPECT_EQ(HostSettings(settingsPath).hostIp(), QStringLiteral("127.0.0.5"));
        EXPECT_EQ(w.systemPage()->address(), QStringLiteral("127.0.0.5"));
        for (int i = 0; i < 3; ++i) {
            clock.advance(Millis(5000));
            w.link().timerTick();
        }
        ASSERT_TRUE(pumpUntil([&] { return BoxShown(w); }));
        EXPECT_EQ(AnswerBoxes(w, QMessageBox::Ok), QStringList{QString::fromUtf8(c.message)});
        // The hellos went to the typed address.
        EXPECT_TRUE(pumpUntil([&] { return device.framesReceived('Z') == hellos + 3; }));
    }
    setLanguage(Language::English);
}

TEST_F(MainWindowTest, BlockedPortShowsWinsockErrorForSearchAndConnect) {
    test::PortBlocker blocker;
    ASSERT_NE(blocker.port(), 0);
    MainWindowOptions o = options();
    o.localPort = blocker.port();
    o.deviceOverride = QStringLiteral("127.0.0.1");
    app::Program program(o);
    MainWindow& w = program.window();
    w.show();
    auto winsockBoxes = [&] {
        int n = 0;
        for (QMessageBox* box : w.findChildren<QMessageBox*>())
            if (box->windowTitle() == QStringLiteral("Warming") &&
                box->text() == QStringLiteral("Winsock error!"))
                ++n;
        return n;
    };
    QTest::mouseClick(w.systemPage()->searchButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return winsockBoxes() == 1; }));
    EXPECT_FALSE(w.systemPage()->searchVisible());
    QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return winsockBoxes() == 2; }));
    EXPECT_FALSE(w.session().receiverRunning());
}

TEST_F(MainWindowTest, NavigationPanelPagesGroupViewsAndClearOperations) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    NavigationPanel* nav = w.navigationPanel();
    // SYSTEM twice: the system page, then the channel strips again.
    QTest::mouseClick(nav->systemButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::System);
    EXPECT_TRUE(nav->systemButton()->state());
    QTest::mouseClick(nav->systemButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::Channel);
    EXPECT_FALSE(nav->systemButton()->state());

    // View group 2 while 1 is lit: group 2's strips; 2 again: the normal page.
    w.image().controlGroups[0].input(0) = 1;
    w.image().controlGroups[1].input(9) = 1;
    nav->setMode(NavigationPanel::GroupButtons);
    QTest::mouseClick(nav->viewGroupButton(1), Qt::LeftButton);
    EXPECT_EQ(w.pages().groupView(), 1);
    EXPECT_TRUE(w.navigationPanel()->isVisible());
    QTest::mouseClick(nav->viewGroupButton(2), Qt::LeftButton);
    EXPECT_EQ(w.pages().groupView(), 2);
    EXPECT_FALSE(nav->viewGroupButton(1)->state());
    EXPECT_TRUE(w.inputStrip(9)->isVisible());
    EXPECT_FALSE(w.inputStrip(0)->isVisible());
    QTest::mouseClick(nav->viewGroupButton(2), Qt::LeftButton);
    EXPECT_EQ(w.pages().groupView(), 0);
    EXPECT_TRUE(w.inputStrip(0)->isVisible());
    EXPECT_FALSE(w.navigationPanel()->isVisible());

    // Mix buttons: AUX2 is mix 4; the channel view with the new mix.
    nav->setMode(NavigationPanel::MainButtons);
    QTest::mouseClick(nav->auxButton(), Qt::LeftButton);
    EXPECT_EQ(nav->mode(), NavigationPanel::MixButtons);
    EXPECT_TRUE(nav->mixButton(1)->state()); // AUX lights the current mix: LR at first
    QTest::mouseClick(nav->mixButton(4), Qt::LeftButton);
    EXPECT_EQ(w.pages().mixSelection(), 4);
    EXPECT_TRUE(nav->mixButton(4)->state());
    EXPECT_FALSE(nav->mixButton(1)->state());
    QTest::mouseClick(nav->returnButton(3), Qt::LeftButton);
    EXPECT_EQ(nav->mode(), NavigationPanel::MainButtons);
    nav->mixButton(4)->setState(false);
    QTest::mouseClick(nav->auxButton(), Qt::LeftButton);
    EXPECT_TRUE(nav->mixButton(4)->state()); // again the mix the strips show
    EXPECT_FALSE(nav->mixButton(1)->state());

    // At most one page button is lit, and it is the page on screen.
    nav->setMode(NavigationPanel::MainButtons);
    QTest::mouseClick(nav->systemButton(), Qt::LeftButton);
    EXPECT_TRUE(nav->systemButton()->state());
    QTest::mouseClick(nav->groupButton(), Qt::LeftButton); // back to the channel view
    EXPECT_EQ(w.pages().view(), View::Channel);
    EXPECT_FALSE(nav->systemButton()->state());
    QTest::mouseClick(nav->muteButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::Matrix);
    EXPECT_TRUE(nav->muteButton()->state());
    QTest::mouseClick(nav->controlButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::Groups);
    EXPECT_FALSE(nav->muteButton()->state());
    EXPECT_TRUE(nav->controlButton()->state());
    QTest::mouseClick(w.topBar()->viewButton(View::System), Qt::LeftButton);
    EXPECT_FALSE(nav->controlButton()->state());
    EXPECT_TRUE(nav->systemButton()->state());
    QTest::mouseClick(w.topBar()->viewButton(View::Channel), Qt::LeftButton);
    EXPECT_FALSE(nav->systemButton()->state());

    // CLEAR MUTE offline: the image and the strips only; CH19 keeps its mute.
    nav->setMode(NavigationPanel::MainButtons);
    w.image().inputs[2].mute = 1;
    w.image().inputs[18].mute = 1;
    w.image().outputs[4].mute = 1;
    w.refreshAll();
    EXPECT_TRUE(w.inputStrip(2)->muteButton()->state());
    QTest::mouseClick(nav->clearMuteButton(), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[2].mute, 0);
    EXPECT_EQ(w.image().inputs[18].mute, 1);
    EXPECT_EQ(w.image().outputs[4].mute, 0);
    EXPECT_FALSE(w.inputStrip(2)->muteButton()->state());
    EXPECT_FALSE(w.pacer().busy());
    w.image().inputs[3].solo = 1;
    QTest::mouseClick(nav->clearSoloButton(), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[3].solo, 0);
}

// The visible controls of a strip, each checked to stand inside the strip and clear of
// every other one.
void expectControlsInsideAndApart(ChannelStrip* strip) {
    std::vector<QWidget*> controls;
    for (QWidget* c : strip->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!c->isHidden())
            controls.push_back(c);
    ASSERT_GT(controls.size(), 6u);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QRect r = controls[i]->geometry();
        EXPECT_TRUE(strip->rect().contains(r))
            << controls[i]->metaObject()->className() << " at y " << r.y() << ".." << r.bottom()
            << " of " << strip->height();
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(r.intersects(controls[j]->geometry()))
                << controls[i]->metaObject()->className() << " overlaps "
                << controls[j]->metaObject()->className();
    }
}

// Laptop screens: every control of every strip of every bank on screen without scrolling,
// and each fader long enough to give every one of its 71 positions its own pixel.
TEST_F(MainWindowTest, EveryStripControlIsOnScreenOnLaptopAndDesktopClients) {
    for (const QSize client :
         {QSize(1366, 768), QSize(1280, 720), QSize(1920, 1080), kNormalWindowSize}) {
        SCOPED_TRACE(testing::Message() << client.width() << "x" << client.height());
        app::Program program(options());
        MainWindow& w = program.window();
        w.resize(client);
        w.show();
        auto* scroll = w.findChild<QScrollArea*>();
        ASSERT_NE(scroll, nullptr);
        for (int bank = 1; bank <= 4; ++bank) {
            SCOPED_TRACE(testing::Message() << "bank " << bank);
            w.pressBank(bank);
            // Nothing to scroll (the bars show and hide later, from a queued call).
            EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
            EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0);
            std::vector<ChannelStrip*> shown;
            for (int i = 0; i < kInputCount; ++i)
                if (w.inputStrip(i)->isVisible())
                    shown.push_back(w.inputStrip(i));
            for (int o = 0; o < kOutputCount; ++o)
                if (w.outputStrip(o)->isVisible())
                    shown.push_back(w.outputStrip(o));
            ASSERT_EQ(shown.size(), bank == 3 ? 4u : 8u);
            for (ChannelStrip* strip : shown) {
                const QRect inViewport(strip->mapTo(scroll->viewport(), QPoint(0, 0)),
                                       strip->size());
                EXPECT_TRUE(scroll->viewport()->rect().contains(inViewport));
                expectControlsInsideAndApart(strip);
                EXPECT_GE(strip->fader()->geometryOfTrack().span(),
                          kFaderPositions.max - kFaderPositions.min);
            }
        }
    }
}

// At the smallest window the strips are as short as they get: the page scrolls, but each
// strip still holds all its controls and a fader with its full range.
TEST_F(MainWindowTest, ShortestStripsStillHoldEveryControlAndAFullFader) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(kMinimumWindowSize);
    w.show();
    for (int bank : {1, 3, 4}) {
        SCOPED_TRACE(testing::Message() << "bank " << bank);
        w.pressBank(bank);
        ChannelStrip* strip = bank == 4
                                  ? static_cast<ChannelStrip*>(w.outputStrip(0))
                                  : static_cast<ChannelStrip*>(w.inputStrip(bank == 1 ? 0 : 16));
        ASSERT_TRUE(strip->isVisible());
        EXPECT_EQ(strip->height(), kMinStripHeight);
        expectControlsInsideAndApart(strip);
        EXPECT_GE(strip->fader()->geometryOfTrack().span(),
                  kFaderPositions.max - kFaderPositions.min);
    }
}

TEST_F(MainWindowTest, NormalSizeAndMinimumSizeWithoutAWindowManager) {
    app::Program program(options());
    MainWindow& w = program.window();
    EXPECT_EQ(w.minimumSize(), kMinimumWindowSize);
    // Not maximized (no window manager, or un-maximized): the normal size, cut to the
    // screen it opens on.
    const QSize screen = w.screen()->availableGeometry().size();
    EXPECT_EQ(w.size(), kNormalWindowSize.boundedTo(screen).expandedTo(kMinimumWindowSize));
    w.resize(100, 30);
    EXPECT_EQ(w.size(), kMinimumWindowSize);
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(MainWindowTest, MenuButtonShowsTheNavigationPanelUntilPressedAgain) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1366, 768);
    w.show();
    NavigationPanel* nav = w.navigationPanel();
    ToggleButton* menu = w.topBar()->navigationButton();
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->text(), QStringLiteral("MENU"));
    EXPECT_FALSE(nav->isVisible());

    w.showPage(1, View::Matrix);
    QTest::mouseClick(menu, Qt::LeftButton);
    EXPECT_TRUE(nav->isVisible());
    EXPECT_TRUE(menu->state());
    EXPECT_EQ(nav->mode(), NavigationPanel::MainButtons);
    EXPECT_EQ(w.pages().view(), View::Channel); // the menu opens over the channel strips
    // On the laptop screen the panel stands inside the window, clear of the strips, and
    // needs no scroll bar.
    const QRect panel(nav->mapTo(&w, QPoint(0, 0)), nav->size());
    EXPECT_TRUE(w.rect().contains(panel));
    EXPECT_FALSE(nav->geometry().intersects(w.inputStrip(7)->geometry()));
    EXPECT_EQ(w.findChild<QScrollArea*>()->horizontalScrollBar()->maximum(), 0);

    // It stays through the page changes it makes itself, and CLEAR MUTE works from it.
    QTest::mouseClick(nav->systemButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::System);
    EXPECT_TRUE(nav->isVisible());
    QTest::mouseClick(nav->systemButton(), Qt::LeftButton);
    EXPECT_EQ(w.pages().view(), View::Channel);
    EXPECT_TRUE(nav->isVisible());
    w.image().inputs[1].mute = 1;
    QTest::mouseClick(nav->clearMuteButton(), Qt::LeftButton);
    EXPECT_EQ(w.image().inputs[1].mute, 0);

    // A second press hides it, and it stays hidden across pages.
    QTest::mouseClick(menu, Qt::LeftButton);
    EXPECT_FALSE(nav->isVisible());
    EXPECT_FALSE(menu->state());
    w.showPage(1, View::System);
    w.showPage(1, View::Channel);
    EXPECT_FALSE(nav->isVisible());
}

TEST_F(MainWindowTest, GroupViewOnANarrowClientKeepsTheOutputStripClearOfThePanel) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1280, 720);
    w.show();
    w.image().controlGroups[0].input(3) = 1;
    w.image().controlGroups[0].input(12) = 1;
    w.showGroup(1);
    ASSERT_TRUE(w.navigationPanel()->isVisible());
    ASSERT_TRUE(w.outputStrip(0)->isVisible());
    EXPECT_FALSE(w.outputStrip(0)->geometry().intersects(w.navigationPanel()->geometry()));
    EXPECT_FALSE(w.outputStrip(0)->geometry().intersects(w.inputStrip(12)->geometry()));
    EXPECT_TRUE(w.rect().contains(
        QRect(w.navigationPanel()->mapTo(&w, QPoint(0, 0)), w.navigationPanel()->size())));
}

TEST_F(MainWindowTest, NarrowClientScrollsSidewaysOnlyWhileAViewReachesPastIt) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1280, 720);
    w.show();
    auto* scroll = w.findChild<QScrollArea*>();
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
    // The large output strip stands right of the eight-strip-wide limiter editor, beyond
    // 1280 pixels: the content grows so that a scroll reaches it.
    w.openOutputEditor(2, OutputEditorKind::Limiter);
    EXPECT_GE(scroll->widget()->width(), RightOutputStripRect(w.metrics()).right() + 1);
    EXPECT_GT(scroll->horizontalScrollBar()->maximum(), 0);
    w.pressBank(1);
    EXPECT_EQ(scroll->widget()->width(), 1280);
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0);
}

TEST_F(MainWindowTest, AboutButtonOnTheTopBarOpensTheAboutBox) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1366, 768);
    w.show();
    ToggleButton* about = w.topBar()->aboutButton();
    ASSERT_TRUE(about->isVisible());
    EXPECT_EQ(about->text(), QStringLiteral("ABOUT"));
    EXPECT_EQ(w.findChild<AboutBox*>(), nullptr);
    QTest::mouseClick(about, Qt::LeftButton);
    AboutBox* box = w.findChild<AboutBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
}

} // namespace
} // namespace krm::ui

namespace krm::ui {
namespace {

// An editor registered by kind replaces its placeholder: the strip's button opens it for
// the strip's channel, beside the large strip, and language changes reach it.
class RecordingEditor final : public EditorPage {
public:
    void openFor(int channel) override { opened.push_back(channel); }
    void applyLanguage() override { ++languages; }
    std::vector<int> opened;
    int languages = 0;
};

TEST_F(MainWindowTest, EditorsRegisteredByKindOpenForTheStripsChannel) {
    app::Program program(options());
    MainWindow& w = program.window();
    w.resize(1920, 1080);
    w.show();
    auto* peq = new RecordingEditor;
    w.registerEditor(InputEditorKind::Peq, peq);
    w.pressBank(2);
    emit w.inputStrip(10)->editorRequested(10, InputEditorKind::Peq);
    EXPECT_EQ(peq->opened, (std::vector<int>{10}));
    EXPECT_TRUE(peq->isVisible());
    EXPECT_FALSE(w.inputStrip(8)->isVisible()); // the bank gives way to the editor
    w.applyLanguage();
    EXPECT_EQ(peq->languages, 1);
    w.showPage(1, View::Channel);
    EXPECT_FALSE(peq->isVisible());
}

} // namespace
} // namespace krm::ui
