// End to end: a local firmware update run against the virtual device on loopback, driven
// as the window drives it (the transfer on a worker, polls from the owner's thread). The
// settings are kept before anything goes out, and without them nothing does; both files
// arrive after the device stopped reporting; a stop in the middle of the first file ends
// the run with nothing more sent.
#include "session_fixture.h"

#include "model/edit_service.h"
#include "model/paced_sender.h"
#include "tests/support/paced_fake_clock.h"
#include "tests/update/firmware_folder.h"
#include "tests/update/recording_reporter.h"
#include "update/local_update_run.h"
#include "update/update_worker.h"

namespace krm::test {
namespace {

class LocalUpdateRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.start(*Endpoint::parse("127.0.66.1", 0)));
        session.setLocalPort(0);
        session.setDevice("127.0.66.1", device.endpoint().port);
        session.toggleConnect();
        // Online once the dump is in; the reports are switched on right after.
        ASSERT_TRUE(
            PumpUntil(queue, [&] { return session.isOnline() && device.statusReportsOn(); }));
        folder.write("Digital-KRM416X-3.bin", digital);
        folder.write("DSP-KRM416X-3.bin", dsp);
    }
    void TearDown() override {
        bulk.waitIdle();
        session.shutdown();
        device.stop();
    }

    // A run as the window makes it: the update socket on the link's own local port.
    std::unique_ptr<LocalUpdateRun> makeRun(LocalUpdateRun::Backup backup) {
        LocalUpdateRun::Target target{"127.0.66.1", device.endpoint().port, session.boundPort()};
        auto run = std::make_unique<LocalUpdateRun>(
            LocalUpdateRun::Parts{session, edits, paced, reporter, stop}, std::move(target),
            PlanLocalUpdate(folder.path(), "310").plan, std::move(backup));
        run->useWorker(worker, [this] { ++ended; });
        return run;
    }
    bool pollUntilDone(LocalUpdateRun& run, const std::function<void()>& each = {}) {
        return PumpUntil(
            queue,
            [&] {
                if (each)
                    each();
                return run.poll();
            },
            std::chrono::seconds(20));
    }

    FakeClock clock;
    PacedFakeClock paced{clock};
    TaskQueue queue;
    RecordingEvents events;
    sim::VirtualDevice device;
    DeviceSession session{clock, queue.poster(), events};
    PacedSender linked{session.sink(), clock};
    PacedSender bulk{session.sink(), paced};
    EditService edits{session.image(), session.sink(), linked, bulk};
    RecordingReporter reporter;
    std::atomic<bool> stop{false};
    std::atomic<int> ended{0};
    UpdateWorker worker;
    FirmwareFolder folder;
    std::vector<std::uint8_t> digital = FirmwareBytes(12000, 1); // 12 blocks
    std::vector<std::uint8_t> dsp = FirmwareBytes(900, 2);
};

TEST_F(LocalUpdateRunTest, WithoutTheSettingsKeptNothingIsSentAndTheLinkStaysUp) {
    const int stopsBefore = device.framesReceived('Q');
    std::unique_ptr<LocalUpdateRun> run = makeRun([](Message& why) {
        why = {"the disk is full", "磁盘已满"};
        return false;
    });
    EXPECT_FALSE(run->start());
    EXPECT_TRUE(run->poll());
    EXPECT_EQ(run->outcome(), LocalUpdateRun::Outcome::BackupFailed);
    const Message told = run->failureMessage();
    EXPECT_EQ(told.en, "The device's settings could not be kept, so nothing was sent: the "
                       "disk is full");
    EXPECT_EQ(told.zh, "无法保存设备设置，未发送任何内容：磁盘已满");
    bulk.waitIdle();
    EXPECT_EQ(device.framesReceived('Q'), stopsBefore);
    EXPECT_EQ(device.framesReceived('S'), 0);
    EXPECT_TRUE(device.statusReportsOn());
    EXPECT_TRUE(session.isOnline());
    EXPECT_TRUE(session.receiverRunning());
    EXPECT_EQ(ended.load(), 0);
}

TEST_F(LocalUpdateRunTest, TheSettingsGoFirstThenTheReportsStopAndBothFilesArrive) {
    bool quietWhenKept = false;
    std::unique_ptr<LocalUpdateRun> run = makeRun([&](Message&) {
        quietWhenKept = !bulk.busy() && session.isOnline();
        return true;
    });
    const int stopsBefore = device.framesReceived('Q');
    ASSERT_TRUE(run->start());
    EXPECT_TRUE(quietWhenKept);
    EXPECT_EQ(run->step(), LocalUpdateRun::Step::StoppingReports);
    ASSERT_TRUE(pollUntilDone(*run));
    EXPECT_EQ(run->outcome(), LocalUpdateRun::Outcome::Succeeded) << run->detail().en;
    EXPECT_EQ(ended.load(), 1);
    EXPECT_FALSE(worker.busy());
    // Eight "%Q," 0 went out before the link went down, and it stays down.
    EXPECT_EQ(device.framesReceived('Q'), stopsBefore + 8);
    EXPECT_FALSE(device.statusReportsOn());
    EXPECT_FALSE(session.isOnline());
    EXPECT_FALSE(session.receiverRunning());
    const std::vector<sim::FirmwareRecord> got = device.firmwareTransfers();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, 1);
    EXPECT_EQ(got[0].data, digital);
    EXPECT_EQ(got[1].kind, 0);
    EXPECT_EQ(got[1].data, dsp);
    EXPECT_EQ(reporter.messages.back().en, "Update successfully");
}

TEST_F(LocalUpdateRunTest, AStopDuringTheFirstFileEndsTheRunWithNothingMoreSent) {
    // Raised on the worker, in the first pause after the device has two blocks.
    paced.setPauseHook([&](Millis) {
        if (device.framesReceived('T') >= 2)
            stop = true;
    });
    std::unique_ptr<LocalUpdateRun> run = makeRun([](Message&) { return true; });
    ASSERT_TRUE(run->start());
    ASSERT_TRUE(pollUntilDone(*run));
    EXPECT_EQ(run->outcome(), LocalUpdateRun::Outcome::Cancelled);
    EXPECT_EQ(ended.load(), 1);
    EXPECT_TRUE(stop.load());
    EXPECT_TRUE(device.firmwareTransfers().empty()); // the digital file was not finished
    EXPECT_EQ(device.framesReceived('S'), 1);        // and the DSP file never started
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(run->failureMessage().en, "The update was stopped.");
}

} // namespace
} // namespace krm::test
