// End to end through the program's own window: the HELP section updates the virtual
// device's firmware from local files (after keeping its settings), refuses what it cannot
// send before the link goes down, shows only the busy message while an update runs, and
// resets the device to its factory values over the live link.
#include "tests/support/http_test_server.h"
#include "tests/support/window_on_device.h"

#include "kit/toggle_button.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"
#include "sim/device_frames.h"
#include "ui/maintenance_section.h"
#include "ui/system_page.h"
#include "update/factory_recovery.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <random>

namespace krm::test {
namespace {

using ui::MaintenanceSection;

std::vector<std::uint8_t> Bytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<std::uint8_t>(rng());
    return v;
}

void WriteFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

// The open message boxes' texts, oldest first; each is answered with `button`.
QStringList AnswerBoxes(QWidget& owner, QMessageBox::StandardButton button) {
    QStringList texts;
    for (QMessageBox* box : owner.findChildren<QMessageBox*>()) {
        if (!box->isVisible())
            continue;
        texts << box->text();
        QAbstractButton* b =
            box->button(button) ? box->button(button) : box->button(QMessageBox::Ok);
        b->click();
    }
    PumpEventsUntil([] { return false; }, 20);
    return texts;
}

QString WaitForBox(QWidget& owner, const QString& containing) {
    QString found;
    PumpEventsUntil([&] {
        for (QMessageBox* box : owner.findChildren<QMessageBox*>())
            if (box->isVisible() && box->text().contains(containing))
                found = box->text();
        return !found.isEmpty();
    });
    return found;
}

class MaintenanceTest : public ::testing::Test {
protected:
    MaintenanceTest()
        : rig({1366, 768}, [this](ui::MainWindowOptions& o) {
              o.clock = &rig.paced;
              o.dataFolder = rig.dir.path();
          }) {}

    MaintenanceSection& section() { return *rig.window().maintenanceSection(); }
    QString folder() const { return rig.dir.path(); }
    // The section's 100 ms timer, run by hand (the rig starts no timers).
    bool tickUntil(const std::function<bool()>& done) {
        return PumpEventsUntil([&] {
            rig.clock.advance(Millis(MaintenanceSection::kTimerMs));
            section().tick();
            return done();
        });
    }

    WindowOnDevice rig;
};

TEST_F(MaintenanceTest, LocalUpdateKeepsTheSettingsSendsBothFilesAndOffersToReconnect) {
    ASSERT_TRUE(rig.connected());
    // The device reports basic version 3.10: the "-3" pair is chosen.
    const std::vector<std::uint8_t> digital = Bytes(2560, 1), dsp = Bytes(1023, 2);
    WriteFile(QDir(folder()).filePath("Digital-KRM416X-3.bin"), digital);
    WriteFile(QDir(folder()).filePath("DSP-KRM416X-3.bin"), dsp);
    rig.window().systemPage()->showSection(3);
    EXPECT_FALSE(section().updateButton()->isVisible()); // no update page configured

    section().pressLocal();
    const QString question = WaitForBox(rig.window(), QStringLiteral("If do you update"));
    EXPECT_TRUE(question.contains(QStringLiteral("Hardware version：3.1")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("Local version：3.0")));
    EXPECT_TRUE(question.contains(QStringLiteral("Digital-KRM416X-3.bin (2560 bytes)")));
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    EXPECT_TRUE(section().busy());
    // The settings were kept before anything else happened.
    const auto rows =
        rig.window().presetLibrary()
            ? DeviceSettings(*rig.window().presetLibrary(), folder().toStdU16String()).rows()
            : std::nullopt;
    ASSERT_TRUE(rows && !rows->empty());
    EXPECT_EQ(rows->back(), "1:BEFORE UPDATE");

    // While it runs, LOCAL and RECOVERY only say that it is busy.
    // CONNECT and Search would bind the port the update is about to take: refused too.
    section().pressLocal();
    section().pressRecovery();
    emit rig.window().systemPage()->connectPressed();
    emit rig.window().systemPage()->searchPressed();
    EXPECT_EQ(
        AnswerBoxes(rig.window(), QMessageBox::Ok),
        (QStringList{QStringLiteral("Updateing......."), QStringLiteral("Reseting device......."),
                     QStringLiteral("Updateing......."), QStringLiteral("Updateing.......")}));
    EXPECT_TRUE(rig.window().session().isOnline()); // CONNECT did not disconnect

    ASSERT_TRUE(tickUntil([&] { return !rig.window().session().receiverRunning(); }));
    EXPECT_FALSE(rig.window().session().isOnline());
    // The outcome comes first and alone; the offer to connect again follows once it was read.
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("Update successfully")).isEmpty());
    EXPECT_EQ(AnswerBoxes(rig.window(), QMessageBox::Ok),
              QStringList{QStringLiteral("Update successfully")});
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("Connect to the device again")).isEmpty());
    EXPECT_EQ(AnswerBoxes(rig.window(), QMessageBox::Cancel).size(), 1);
    EXPECT_FALSE(section().busy());
    EXPECT_EQ(section().versionText(2), QStringLiteral("Basic version：3.1"));

    // The device reassembled both files, digital first, and found their checksums right.
    const std::vector<sim::FirmwareRecord> got = rig.device.firmwareTransfers();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, 1);
    EXPECT_EQ(got[0].data, digital);
    EXPECT_EQ(got[1].kind, 0);
    EXPECT_EQ(got[1].data, dsp);
    for (const sim::FirmwareRecord& r : got) {
        EXPECT_EQ(r.computedChecksum, r.carriedChecksum);
        EXPECT_EQ(r.status, 0);
    }
    // The device stopped reporting before the link went down, and the link stays down
    // until the operator connects again.
    EXPECT_FALSE(rig.device.statusReportsOn());
    rig.window().session().connect();
    EXPECT_TRUE(PumpEventsUntil([&] { return rig.window().session().isOnline(); }));
}

TEST_F(MaintenanceTest, AFailedTransferSaysWhyAndAMissingFileIsRefusedBeforeTheLinkGoesDown) {
    ASSERT_TRUE(rig.connected());
    // No files at all: refused with the files' names, the link untouched.
    section().pressLocal();
    const QString refused = WaitForBox(rig.window(), QStringLiteral("Digital-KRM416X-3.bin"));
    EXPECT_TRUE(refused.contains(QStringLiteral("DSP-KRM416X-3.bin"))) << refused.toStdString();
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    EXPECT_TRUE(rig.window().session().isOnline());
    EXPECT_EQ(rig.device.framesReceived('S'), 0);

    // The device reports status 03 for the first file: its reply is shown, then
    // "update fail", and the second file is never sent.
    WriteFile(QDir(folder()).filePath("Digital-KRM416X-3.bin"), Bytes(700, 3));
    WriteFile(QDir(folder()).filePath("DSP-KRM416X-3.bin"), Bytes(700, 4));
    rig.device.setCompletionStatus(3);
    section().pressLocal();
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("If do you update")).isEmpty());
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    ASSERT_TRUE(tickUntil([&] { return !section().busy(); }));
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("update fail")).isEmpty());
    const QStringList shown = AnswerBoxes(rig.window(), QMessageBox::Ok);
    EXPECT_TRUE(shown.filter(QStringLiteral("%U,01,03")).size() == 1)
        << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("update fail")));
    EXPECT_FALSE(shown.join('|').contains(QStringLiteral("Connect to the device again")));
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("Connect to the device again")).isEmpty());
    AnswerBoxes(rig.window(), QMessageBox::Cancel);
    EXPECT_EQ(rig.device.framesReceived('S'), 1);
    EXPECT_FALSE(section().statusLabel()->text().isEmpty());
}

// The device's basic version decides the pair; it is asked over the live link, and a pair
// that cannot be sent is refused by name while the device still reports and nothing was
// kept.
TEST_F(MaintenanceTest, ThePairTheDeviceTakesIsCheckedBeforeAnythingChanges) {
    ASSERT_TRUE(rig.connected());
    const QDir dir(folder());
    WriteFile(dir.filePath("Digital-KRM416X.bin"), Bytes(700, 5));
    WriteFile(dir.filePath("DSP-KRM416X.bin"), Bytes(700, 6));
    auto nothingChanged = [&] {
        EXPECT_TRUE(rig.window().session().isOnline());
        EXPECT_TRUE(rig.window().session().receiverRunning());
        EXPECT_TRUE(rig.device.statusReportsOn());
        EXPECT_EQ(rig.device.framesReceived('S'), 0);
        const auto rows =
            DeviceSettings(*rig.window().presetLibrary(), folder().toStdU16String()).rows();
        EXPECT_TRUE(!rows || rows->empty());
        EXPECT_FALSE(section().busy());
    };
    struct Case {
        const char* what;
        const char* basic;
        const char* extra; // written before LOCAL; null: none
        QStringList named;
        QStringList notNamed;
    };
    const QString digital3 = dir.filePath("Digital-KRM416X-3.bin");
    const QString dsp3 = dir.filePath("DSP-KRM416X-3.bin");
    const Case cases[] = {
        {"3.00 with only the plain pair", "300", nullptr, {digital3, dsp3}, {}},
        {"3.10 without the DSP -3 file",
         "310",
         "Digital-KRM416X-3.bin",
         {dsp3},
         {digital3, QStringLiteral("Digital-KRM416X.bin")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.device.setBasicVersion(c.basic);
        if (c.extra)
            WriteFile(dir.filePath(c.extra), Bytes(700, 7));
        const int asked = rig.device.framesReceived('r');
        section().pressLocal();
        const QString refused = WaitForBox(rig.window(), QStringLiteral("Nothing was changed"));
        ASSERT_FALSE(refused.isEmpty());
        EXPECT_EQ(rig.device.framesReceived('r'), asked + 1);
        for (const QString& file : c.named)
            EXPECT_TRUE(refused.contains(QStringLiteral("Cannot read the firmware file \"") + file))
                << refused.toStdString();
        for (const QString& file : c.notNamed)
            EXPECT_FALSE(refused.contains(QStringLiteral("file \"") + file))
                << refused.toStdString();
        EXPECT_EQ(AnswerBoxes(rig.window(), QMessageBox::Ok).size(), 1); // no question behind it
        nothingChanged();
    }

    // A device that does not answer the question: said so after three tries, nothing changed.
    rig.device.setBasicVersion("");
    section().pressLocal();
    EXPECT_TRUE(section().busy());
    ASSERT_TRUE(tickUntil([&] { return !section().busy(); }));
    const QString silent =
        WaitForBox(rig.window(), QStringLiteral("did not tell its basic version"));
    EXPECT_FALSE(silent.isEmpty());
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    nothingChanged();

    // With the link down the question goes on the update socket, with the same check.
    rig.window().session().disconnect();
    ASSERT_FALSE(rig.window().session().receiverRunning());
    rig.device.setBasicVersion("300");
    const int asked = rig.device.framesReceived('r');
    section().pressLocal();
    const QString offline = WaitForBox(rig.window(), QStringLiteral("Nothing was changed"));
    EXPECT_TRUE(offline.contains(QStringLiteral("file \"") + dir.filePath("DSP-KRM416X-3.bin")))
        << offline.toStdString();
    EXPECT_EQ(rig.device.framesReceived('r'), asked + 1);
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    EXPECT_TRUE(PumpEventsUntil([&] { return !section().busy(); }));
    EXPECT_EQ(rig.device.framesReceived('S'), 0);
}

TEST_F(MaintenanceTest, RecoveryResetsTheDeviceOverTheLiveLinkAndReturnsToTheChannelView) {
    ASSERT_TRUE(rig.connected());
    rig.window().toggleControlGroup(1);
    rig.window().showPage(0, ui::View::System);
    rig.window().systemPage()->showSection(3);

    section().pressRecovery();
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("If do you recovery")).isEmpty());
    AnswerBoxes(rig.window(), QMessageBox::Ok);
    EXPECT_TRUE(section().recoveryShown());
    EXPECT_TRUE(section().progressBar()->isVisible());
    section().tick();
    section().tick();
    EXPECT_EQ(section().animationPosition(), 2);
    EXPECT_EQ(rig.window().image().inputs[0].name.toUtf8(), "CH 1");

    ASSERT_TRUE(tickUntil([&] { return !section().recoveryShown(); }));
    EXPECT_EQ(AnswerBoxes(rig.window(), QMessageBox::Ok),
              QStringList{QStringLiteral("Reset successfully.")});
    EXPECT_EQ(rig.window().pages().view(), ui::View::Channel);
    EXPECT_TRUE(rig.window().session().isOnline()); // the link was never taken down
    EXPECT_TRUE(PumpEventsUntil([&] {
        const DeviceImage d = rig.device.image();
        return d.inputs[0].name.toUtf8() == "CH 1" && d.inputs[5].gain == 60 &&
               d.micUnits[0] == MicUnit{};
    }));
}

// The update page announces 3.3 to a device at 3.1: both files are fetched over HTTP and
// sent, the digital one ("upate2.bin") first.
TEST(RemoteUpdateWindow, UpdateDownloadsBothFilesAndSendsTheDigitalOneFirst) {
    HttpTestServer server;
    const std::string dsp(3000, 'd'), digital(1500, 'g');
    server.serve("/dsp.bin", {200, dsp});
    server.serve("/digital.bin", {200, digital});
    server.serve("/update.html", {200,
                                  "<html>news ##$$" + server.url("/dsp.bin") + "%%%%" +
                                      server.url("/digital.bin") + "%%%%33$$## more</html>",
                                  {},
                                  7});
    QTemporaryDir firmware;
    WindowOnDevice rig({1366, 768}, [&](ui::MainWindowOptions& o) {
        o.clock = &rig.paced;
        o.firmwareFolder = firmware.path();
        o.updatePageUrl = QString::fromStdString(server.url("/update.html"));
    });
    ASSERT_TRUE(rig.connected());
    MaintenanceSection& section = *rig.window().maintenanceSection();
    rig.window().showPage(0, ui::View::System);
    rig.window().systemPage()->showSection(3);
    EXPECT_TRUE(section.updateButton()->isVisible());

    section.pressUpdate(); // no question: the remote update starts at once
    ASSERT_TRUE(PumpEventsUntil(
        [&] {
            rig.clock.advance(Millis(MaintenanceSection::kTimerMs));
            section.tick();
            return !section.busy();
        },
        15000));
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("Update successfully.")).isEmpty());
    EXPECT_EQ(AnswerBoxes(rig.window(), QMessageBox::Ok),
              QStringList{QStringLiteral("Update successfully.")});
    ASSERT_FALSE(WaitForBox(rig.window(), QStringLiteral("Connect to the device again")).isEmpty());
    AnswerBoxes(rig.window(), QMessageBox::Cancel);
    EXPECT_EQ(section.versionText(3), QStringLiteral("Remote version：3.3"));

    const std::vector<sim::FirmwareRecord> got = rig.device.firmwareTransfers();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, 1);
    EXPECT_EQ(std::string(got[0].data.begin(), got[0].data.end()), digital);
    EXPECT_EQ(got[1].kind, 0);
    EXPECT_EQ(std::string(got[1].data.begin(), got[1].data.end()), dsp);
    EXPECT_TRUE(QFile::exists(QDir(firmware.path()).filePath("upate1.bin")));
}

} // namespace
} // namespace krm::test
