// Setting files as documents, through the window's own wiring: a room prepared without the
// device (NEW, edits, SAVE AS, reopened), the title and its star, a damaged file refused,
// the close question, and a CONNECT that meets settings the device does not have — sent to
// it or taken from it — against the virtual device on loopback.
#include "app/program.h"
#include "kit/toggle_button.h"
#include "model/parameters.h"
#include "model/setting_diff.h"
#include "presets/setting_file.h"
#include "presets/setting_recall.h"
#include "services/setting_document.h"
#include "sim/virtual_device.h"
#include "tests/support/fake_clock.h"
#include "tests/support/window_on_device.h"
#include "ui/notice_banner.h"
#include "ui/system_page.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

// Clicks the button of the window's open box named `button` and returns the box's text.
QString answer(QWidget& owner, const char* boxName, const char* button) {
    QMessageBox* box = nullptr;
    test::PumpEventsUntil([&] {
        box = owner.findChild<QMessageBox*>(QString::fromLatin1(boxName));
        return box && box->isVisible();
    });
    if (!box)
        return {};
    const QString text = box->text();
    for (QAbstractButton* b : box->buttons())
        if (b->objectName() == QLatin1String(button) || b->text() == QLatin1String(button))
            b->click();
    test::PumpEventsUntil(
        [&] { return owner.findChild<QMessageBox*>(QString::fromLatin1(boxName)) == nullptr; });
    return text;
}

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(DocumentInTheWindow, ARoomIsPreparedSavedReopenedAndNotLostOnClose) {
    QTemporaryDir dir;
    test::FakeClock clock;
    MainWindowOptions o;
    o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
    o.clock = &clock;
    o.localPort = 0;
    o.startTimers = false;
    o.interfaces = [] { return std::vector<Ipv4Interface>{}; };
    QString picked = dir.filePath(QStringLiteral("room-204"));
    o.pickFile = [&picked](bool, const QString&) { return picked; };
    app::Program program(o);
    MainWindow& w = program.window();
    w.show();
    const Parameter& gain = Param(ParamKind::InGain);
    const Parameter& q = Param(ParamKind::PeqQ, 1);

    // NEW: the factory values, untitled and unsaved; SAVE asks where and adds ".dat".
    w.newFile();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — Untitled *"));
    w.edits().set(gain, Channel::input(2), 30);
    w.edits().set(q, Channel::input(4), 12);
    w.saveFileCommand();
    const QString file = picked + QStringLiteral(".dat");
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — room-204.dat"));
    const QByteArray saved = bytesOf(file);
    ASSERT_EQ(saved.size(), static_cast<int>(kSettingFileSize));

    // An edit shows the star, its undo takes it away again.
    w.edits().set(gain, Channel::input(2), 40);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — room-204.dat *"));
    w.undo();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — room-204.dat"));

    // Reopened over other settings: the same image; saved again, the same bytes.
    w.edits().set(gain, Channel::input(2), 50);
    w.saveFileCommand();
    w.edits().set(gain, Channel::input(2), 30);
    w.saveFileCommand();
    EXPECT_EQ(bytesOf(file), saved);
    w.newFile();
    ASSERT_TRUE(w.openFile(file));
    EXPECT_EQ(gain.get(w.image(), Channel::input(2)), 30);
    EXPECT_EQ(q.get(w.image(), Channel::input(4)), 12);

    // A short file is refused by name and changes nothing.
    const QString damaged = dir.filePath(QStringLiteral("damaged.dat"));
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(saved.left(1000));
    f.close();
    EXPECT_FALSE(w.openFile(damaged));
    EXPECT_TRUE(answer(w, "", "OK").contains(QStringLiteral("damaged.dat")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — room-204.dat"));
    EXPECT_EQ(gain.get(w.image(), Channel::input(2)), 30);

    // Closing with unsaved changes asks: Cancel keeps the window, SAVE writes and closes.
    w.edits().set(gain, Channel::input(2), 20);
    w.close();
    EXPECT_TRUE(answer(w, "unsavedQuestion", "CANCEL").contains(QStringLiteral("room-204.dat")));
    EXPECT_TRUE(w.isVisible());
    w.close();
    answer(w, "unsavedQuestion", "SAVE");
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        w.closeTick();
        return !w.isVisible();
    }));
    EXPECT_NE(bytesOf(file), saved);
}

TEST(DocumentInTheWindow, ConnectMeetingOfflineSettingsSendsOrTakesAsAnswered) {
    QTemporaryDir files;
    QString picked;
    test::WindowOnDevice rig(QSize(1366, 768), [&](MainWindowOptions& o) {
        o.pickFile = [&picked](bool, const QString&) { return picked; };
        o.clock = &rig.paced; // the resend's pauses pass in real time
    });
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    const Parameter& gain = Param(ParamKind::InGain);
    const int theirs = rig.device.image().inputs[0].gain;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — 127.0.0.1"));

    // The device's settings saved as a room file, then one level changed in it offline.
    picked = files.filePath(QStringLiteral("room.dat"));
    w.saveAsCommand();
    w.session().disconnect();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return !w.session().isOnline(); }));
    const int ours = theirs == 40 ? 30 : 40;
    w.edits().set(gain, Channel::input(0), ours);
    w.saveFileCommand();

    // CONNECT asks, naming the difference; TAKE keeps the device's level and the window
    // is the device's again.
    QTest::mouseClick(w.systemPage()->connectButton(), Qt::LeftButton);
    const QString question = answer(w, "offlineChangesQuestion", "takeDeviceSettings");
    EXPECT_TRUE(question.contains(QStringLiteral("in1.gain"))) << question.toStdString();
    EXPECT_EQ(gain.get(w.image(), Channel::input(0)), theirs);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — 127.0.0.1"));

    // SEND TO DEVICE from the reopened file: the device ends with the file's level, and
    // nothing is asked.
    w.session().disconnect();
    ASSERT_TRUE(test::PumpEventsUntil([&] { return !w.session().isOnline(); }));
    ASSERT_TRUE(w.openFile(picked));
    w.sendToDevice();
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return w.settingRecall().total() > 0 && !w.settingRecall().running() &&
               rig.device.image().inputs[0].gain == ours;
    }));
    EXPECT_EQ(w.findChild<QMessageBox*>(QStringLiteral("offlineChangesQuestion")), nullptr);
    EXPECT_TRUE(test::PumpEventsUntil([&] {
        return w.noticeBanner()->text() ==
               QStringLiteral("SEND TO DEVICE: the device has the whole setting.");
    })) << w.noticeBanner()->text().toStdString();
    // The device now holds the file in every field the resend carries.
    DeviceImage file;
    ASSERT_TRUE(ReadSettingFile(picked.toStdU16String(), file));
    for (const SettingDifference& d : DiffImages(file, rig.device.image()))
        ADD_FAILURE() << d.path << ": file " << d.a << ", device " << d.b;
    EXPECT_EQ(gain.get(w.image(), Channel::input(0)), ours);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("KRM-416X 3.1 — 127.0.0.1"));
}

} // namespace
} // namespace krm::ui
