// The window on the virtual device when the device reboots with other settings: the link
// shows "OFFLINE", offers the handshake on its own, and the window shows the device's new
// values and a notice naming what changed, within a few (fake) seconds of the device's
// return and without the operator pressing anything.
#include "editors/strips/input_strip.h"
#include "kit/fader.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "link/link_supervisor.h"
#include "model/parameters.h"
#include "tests/support/window_on_device.h"
#include "ui/link_controller.h"
#include "ui/notice_banner.h"
#include "ui/shell_layout.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

#include <chrono>

namespace krm::ui {
namespace {

using namespace std::chrono_literals;

// The visible controls and values of the window the notice stands over: each widget
// without visible widgets of its own, the title aside.
std::vector<std::string> coveredBy(MainWindow& w, const NoticeBanner* notice) {
    std::vector<std::string> covered;
    for (QWidget* child : w.findChildren<QWidget*>()) {
        if (child == notice || !child->isVisible() ||
            child->objectName() == QStringLiteral("titleLabel"))
            continue;
        const QList<QWidget*> inner = child->findChildren<QWidget*>();
        if (std::any_of(inner.begin(), inner.end(), [](QWidget* i) { return i->isVisible(); }))
            continue;
        if (QRect(child->mapTo(&w, QPoint()), child->size()).intersects(notice->geometry()))
            covered.push_back(child->metaObject()->className() +
                              (" " + child->objectName()).toStdString());
    }
    return covered;
}

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
    // It hides no control or value at any window size, in either language, and its text
    // fits its room.
    for (const QSize size : {QSize(800, 560), QSize(1366, 768), QSize(1920, 1080)}) {
        w.resize(size);
        ASSERT_TRUE(test::PumpEventsUntil([&] {
            return w.size() == size &&
                   notice->geometry() == NoticeRect(ShellMetrics::forClient(size))
                                             .translated(w.topBar()->mapTo(&w, QPoint()));
        }));
        for (const Language language : {Language::Chinese, Language::English}) {
            setLanguage(language);
            w.applyLanguage();
            EXPECT_EQ(coveredBy(w, notice), std::vector<std::string>{})
                << size.width() << " x " << size.height();
            EXPECT_LE(notice->heightForWidth(notice->width()), notice->height());
            EXPECT_TRUE(notice->isVisible());
        }
    }

    // Along the bottom, where notices once stood, it would cover the faders' value boxes.
    notice->place(QRect(0, w.height() - 80, w.width(), 60), nullptr);
    EXPECT_FALSE(coveredBy(w, notice).empty());

    // The notice blocks nothing and goes when clicked.
    EXPECT_FALSE(QApplication::activeModalWidget());
    QTest::mouseClick(notice, Qt::LeftButton);
    EXPECT_FALSE(notice->isVisible());
}

// An edit made while the link shows "OFFLINE" is the operator's, not the device's: when the
// link heals it is offered (and sent when the operator says so), and the notice names only
// what changed on the device itself.
TEST(SelfHealingWindow, AnEditMadeWhileOfflineIsOfferedAndNotCalledTheDevicesChange) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return w.topBar()->statusText() == "ONLINE"; }));
    DeviceImage other = rig.device.image();
    other.outputs[3].limiter.threshold = other.outputs[3].limiter.threshold == 20 ? 21 : 20;
    // The edit is made while the device is down: its frame is lost.
    rig.device.reboot(1500ms, other);
    ASSERT_TRUE(rig.device.booting());
    rig.clock.advance(LinkSupervisor::kSilenceLimit);
    w.link().timerTick();
    ASSERT_EQ(w.topBar()->statusText(), QStringLiteral("OFFLINE"));
    const Parameter& q = Param(ParamKind::PeqQ, 1);
    const int ours = q.get(w.image(), Channel::input(2)) == 12 ? 13 : 12;
    w.edits().set(q, Channel::input(2), ours);
    ASSERT_TRUE(rig.device.booting());
    const auto deadline = std::chrono::steady_clock::now() + 6s;
    while (rig.device.booting() && std::chrono::steady_clock::now() < deadline)
        test::PumpEventsUntil([] { return false; }, 5);

    QMessageBox* question = nullptr;
    // Up to eight real seconds on a busy machine; the heal needs three on the window's clock.
    for (int i = 0; i < 400 && !question; ++i) {
        rig.clock.advance(Millis(LinkController::kLinkTimerMs));
        w.link().timerTick();
        test::PumpEventsUntil(
            [&] {
                return (question = w.findChild<QMessageBox*>(
                            QStringLiteral("offlineChangesQuestion"))) != nullptr;
            },
            20);
    }
    ASSERT_NE(question, nullptr);
    EXPECT_TRUE(question->text().contains(QStringLiteral("in3.peq2.q")))
        << question->text().toStdString();
    EXPECT_FALSE(question->text().contains(QStringLiteral("limiter")));
    ASSERT_TRUE(test::PumpEventsUntil([&] { return w.noticeBanner()->isVisible(); }));
    EXPECT_TRUE(
        w.noticeBanner()->text().endsWith(QStringLiteral("Changed on the device: Limiter.")))
        << w.noticeBanner()->text().toStdString();

    question->findChild<QPushButton*>(QStringLiteral("sendWindowSettings"))->click();
    EXPECT_TRUE(test::PumpEventsUntil(
        [&] { return q.get(rig.device.image(), Channel::input(2)) == ours; }));
}

} // namespace
} // namespace krm::ui
