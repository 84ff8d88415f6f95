// The program as main() builds it: one copy per local port, and a renamed channel's frame
// carrying the glyphs of the program's own renderer to the device.
#include "app/program.h"

#include "editors/strips/input_strip.h"
#include "presets/preset_library.h"
#include "sim/virtual_device.h"
#include "tests/support/ctl_process.h"
#include "ui/link_controller.h"
#include "ui/settings_section.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace krm::app {
namespace {

ProgramOptions options(const QTemporaryDir& dir, std::uint16_t localPort) {
    ProgramOptions o;
    o.window.settingsPath = dir.filePath(QStringLiteral("krm416x.ini"));
    o.window.localPort = localPort;
    o.window.startTimers = false;
    o.window.interfaces = [] { return std::vector<Ipv4Interface>{}; };
    o.window.dataFolder = dir.path();
    return o;
}

TEST(Program, RefusesWhileTheCommandLineToolHoldsItsPort) {
    QTemporaryDir dir;
    std::unique_ptr<QProcess> tool =
        test::StartCtlHoldingPort(QStringLiteral(KRM_CTL_BINARY), dir.path(), 39125);
    ASSERT_TRUE(tool);
    Program program(options(dir, 39125));
    EXPECT_FALSE(program.ok());
    EXPECT_TRUE(program.error().contains(
        QStringLiteral("The command-line tool krm416x-ctl is using port 39125")))
        << program.error().toStdString();
    EXPECT_FALSE(program.raisedRunningCopy());
    tool->kill();
    tool->waitForFinished(5000);
    // Once the tool has gone, the program starts on that port.
    Program after(options(dir, 39125));
    EXPECT_TRUE(after.ok()) << after.error().toStdString();
}

// The lock is the computer's, not the user's: a tool started by another user (another home,
// another runtime folder) beside a running window is refused and never binds the port that
// the window's device answers to.
TEST(Program, TheToolStartedByAnotherUserBesideARunningWindowIsRefused) {
    QTemporaryDir dir;
    Program program(options(dir, 39126));
    ASSERT_TRUE(program.ok()) << program.error().toStdString();
    QTemporaryDir otherHome;
    // Writable for the other user: only the lock may stop the backup.
    QFile::setPermissions(otherHome.path(), QFileDevice::Permissions(0x7777));
    std::unique_ptr<QProcess> tool = test::StartCtlAsAnotherUser(
        QStringLiteral(KRM_CTL_BINARY), otherHome.path(),
        {QStringLiteral("backup"), QStringLiteral("--device"), QStringLiteral("127.0.0.13"),
         QStringLiteral("--local-port"), QStringLiteral("39126"), QStringLiteral("--timeout"),
         QStringLiteral("20000"), otherHome.filePath(QStringLiteral("x.dat"))});
    ASSERT_TRUE(tool);
    ASSERT_TRUE(tool->waitForFinished(10000));
    EXPECT_EQ(tool->exitCode(), 4) << tool->readAllStandardError().toStdString();
    EXPECT_TRUE(tool->readAllStandardError().contains("the KRM-416X program is running on local "
                                                      "port 39126"));
    EXPECT_FALSE(QFile::exists(otherHome.filePath(QStringLiteral("x.dat"))));
}

TEST(Program, ASecondCopyOnTheSamePortRefusesAndTheFirstKeepsRunning) {
    QTemporaryDir dir;
    Program first(options(dir, 39123));
    ASSERT_TRUE(first.ok()) << first.error().toStdString();
    Program second(options(dir, 39123));
    EXPECT_FALSE(second.ok());
    EXPECT_TRUE(second.error().contains(QStringLiteral("already running")));
    // The second start asked the first copy to bring its window to the front.
    EXPECT_TRUE(second.error().contains(QStringLiteral("front")));
    EXPECT_TRUE(second.raisedRunningCopy());
    QElapsedTimer t;
    t.start();
    while (first.raiseRequests() == 0 && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(first.raiseRequests(), 1);
    EXPECT_TRUE(first.window().isVisible());
    // Another port is another device: that copy may run.
    Program other(options(dir, 39124));
    EXPECT_TRUE(other.ok());
}

TEST(Program, ARenamedChannelsFrameCarriesTheProgramsGlyphs) {
    sim::VirtualDevice device;
    ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.1", 0)));
    QTemporaryDir dir;
    ProgramOptions o = options(dir, 0);
    o.window.deviceOverride = QStringLiteral("127.0.0.1");
    o.window.devicePort = device.endpoint().port;
    Program program(o);
    ASSERT_TRUE(program.ok()) << program.error().toStdString();
    ui::MainWindow& w = program.window();
    w.session().connect();
    QElapsedTimer t;
    t.start();
    while (!w.session().isOnline() && t.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        w.link().timerTick();
    }
    ASSERT_TRUE(w.session().isOnline());

    InputStrip* strip = w.inputStrip(0);
    strip->setServices({[](const QString&) { return std::optional<QString>(QStringLiteral("AB")); },
                        [](const QString&) {}});
    strip->editName();
    t.restart();
    while (device.framesReceived('V') == 0 && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The frame on the wire: "%V,01,01,<32 name digits>,<576 bitmap digits>,CRC#".
    const std::string frame = device.lastFrame('V');
    ASSERT_GT(frame.size(), 9u + 33u + 576u);
    const std::string bitmap = frame.substr(9 + 33, 576);
    EXPECT_NE(bitmap.find_first_not_of('0'), std::string::npos) << "an empty bitmap went out";
    EXPECT_EQ(frame.substr(0, 9), "%V,01,01,");
    EXPECT_EQ(device.image().inputs[0].name.toUtf8(), "AB");
}

TEST(Program, PresetsAndSettingsLiveInTheDataFolderItIsGiven) {
    QTemporaryDir dir;
    Program program(options(dir, 0));
    ASSERT_TRUE(program.ok());
    ui::MainWindow& w = program.window();
    ASSERT_NE(w.presetLibrary(), nullptr);
    EXPECT_TRUE(w.presetLibrary()->isOpen()); // created with its tables
    w.settingsSection()->save();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Lib5302.mdb"))));
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("SAVE1.dat"))).size(), 23240);
    // Without a folder given, the program's own folder while it is writable.
    EXPECT_EQ(DefaultDataFolder(), QCoreApplication::applicationDirPath());
}

TEST(Program, DataFolderIsBesideABuiltProgramAndPerUserForAnInstalledOne) {
    QTemporaryDir root;
    const QString user = root.filePath(QStringLiteral("home/.local/share/krm416x"));
    auto touch = [&](const QString& relative) {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    };
    touch(QStringLiteral("usr/share/applications/krm416x.desktop"));
    QDir().mkpath(root.filePath(QStringLiteral("usr/bin")));
    touch(QStringLiteral("opt/share/applications/other.desktop"));
    QDir().mkpath(root.filePath(QStringLiteral("opt/bin")));
    QDir().mkpath(root.filePath(QStringLiteral("build/app")));
    const QString readOnly = root.filePath(QStringLiteral("ro/bin"));
    QDir().mkpath(readOnly);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner);

    struct Row {
        QString programFolder;
        bool installed;
        QString expected;
    };
    std::vector<Row> rows{
        {root.filePath(QStringLiteral("build/app")), false,
         root.filePath(QStringLiteral("build/app"))},
        {root.filePath(QStringLiteral("usr/bin")), true, user},
        {root.filePath(QStringLiteral("opt/bin")), false, root.filePath(QStringLiteral("opt/bin"))},
        {QString(), false, user},
    };
    // Root writes into any folder, so only another user sees a read-only one as such.
    if (::geteuid() != 0)
        rows.push_back({readOnly, false, user});
    for (const Row& row : rows) {
        SCOPED_TRACE(row.programFolder.toStdString());
        EXPECT_EQ(IsInstalledProgramFolder(row.programFolder), row.installed);
        EXPECT_EQ(DataFolderFor(row.programFolder, user), row.expected);
    }
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
} // namespace krm::app
