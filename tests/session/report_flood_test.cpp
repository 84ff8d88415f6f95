// A device that floods the program with reports: the work queued for the owner thread
// stays bounded (one task per report kind) and the image ends with the newest values.
#include "session_fixture.h"

#include "sim/device_frames.h"

#include <thread>

namespace krm::test {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kReportKinds = 4; // dump, identification, status, levels

// The program's session talking to a raw socket that plays the device.
class FloodTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(peer.open(*Endpoint::parse("127.0.0.1", 0)));
        session.setDevice("127.0.0.1", peer.localEndpoint().port);
    }

    // Connects and answers the hello with the given image; returns once online.
    void connectWith(const DeviceImage& image) {
        session.connect();
        ASSERT_TRUE(peer.waitReadable(2000)); // "%Q," 0
        ASSERT_TRUE(peer.receive());
        ASSERT_TRUE(peer.waitReadable(2000)); // the hello
        const auto hello = peer.receive();
        ASSERT_TRUE(hello);
        program = hello->from;
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildDumpReply(image)));
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildIdentReply(image)));
        ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    }

    // Waits, without running any owner-thread task, until the receive thread has left
    // `reports` reports in all for the owner thread.
    bool receivedAll(std::uint64_t reports) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (session.reportsReceived() < reports) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "received " << session.reportsReceived() << " of " << reports;
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    UdpSocket peer;
    Endpoint program;
};

// Round r of the flood: every kind of report carries values that name the round.
DeviceImage roundImage(DeviceImage image, int r) {
    image.inputs[0].gain = r % 100;          // dump field 2 and level report field 5
    image.inputs[3].comp.threshold = r % 50; // dump only
    image.outputs[2].lineLevel = r % 2;      // dump and level report
    image.unitCount = r % 1000;              // identification and level report
    image.inputs[7].name = Name16::fromGbk(std::to_string(r));
    return image;
}

StatusReport roundStatus(int r) {
    StatusReport status;
    for (std::size_t c = 0; c < status.inputMeters.size(); ++c)
        status.inputMeters[c] = (r + static_cast<int>(c)) % 90;
    for (std::size_t o = 0; o < status.outputMeters.size(); ++o)
        status.outputMeters[o] = (2 * r + static_cast<int>(o)) % 90;
    status.openCh1to8 = static_cast<std::uint8_t>(r);
    return status;
}

TEST_F(FloodTest, FloodOfEveryReportKindLeavesOneTaskPerKindAndTheNewestValues) {
    const DeviceImage base = device.image();
    connectWith(base);
    queue.runPending();
    ASSERT_EQ(queue.pending(), 0u);
    const RecordingEvents before = events;
    const std::uint64_t reportsBefore = session.reportsReceived();

    constexpr int kRounds = 2000;
    for (int r = 0; r < kRounds; ++r) {
        const DeviceImage image = roundImage(base, r);
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildDumpReply(image)));
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildIdentReply(image)));
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildStatusReport(roundStatus(r))));
        ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildLevelsReport(image)));
        // Let the receive thread keep up so that the socket buffer (about 200 KB by
        // default, some 4 KB a datagram) loses nothing; the owner thread runs nothing
        // all the while.
        if (r % 5 == 4) {
            ASSERT_TRUE(receivedAll(reportsBefore + 4u * static_cast<unsigned>(r + 1)));
        }
    }
    ASSERT_TRUE(receivedAll(reportsBefore + 4u * kRounds));

    EXPECT_LE(queue.pending(), kReportKinds) << "8,000 reports, at most one task per kind";
    EXPECT_EQ(queue.runPending(), static_cast<int>(kReportKinds));
    EXPECT_EQ(events.refreshes, before.refreshes + 1);
    EXPECT_EQ(events.statusUpdates, before.statusUpdates + 1);
    EXPECT_EQ(events.levelUpdates, before.levelUpdates + 1);

    const DeviceImage newest = roundImage(base, kRounds - 1);
    const DeviceImage& ours = session.image();
    EXPECT_EQ(sim::BuildDumpReply(ours), sim::BuildDumpReply(newest));
    EXPECT_EQ(ours.inputs[7].name, newest.inputs[7].name);
    EXPECT_EQ(ours.unitCount, newest.unitCount);
    const StatusReport status = roundStatus(kRounds - 1);
    for (std::size_t c = 0; c < kInputCount; ++c)
        EXPECT_EQ(ours.inputs[c].meter, status.inputMeters[c]) << "CH" << c + 1;
    for (std::size_t o = 0; o < kOutputCount; ++o)
        EXPECT_EQ(ours.outputs[o].meter, status.outputMeters[o]) << "bus " << o + 1;
    EXPECT_EQ(ours.inputs[0].autoMixOpen, (status.openCh1to8 >> 0) & 1);
    EXPECT_EQ(ours.inputs[1].autoMixOpen, (status.openCh1to8 >> 1) & 1);
}

TEST_F(FloodTest, DumpThenIdentificationStillStoreTheDumpBeforeGoingOnline) {
    session.connect();
    ASSERT_TRUE(peer.waitReadable(2000));
    ASSERT_TRUE(peer.receive());
    ASSERT_TRUE(peer.waitReadable(2000));
    const auto hello = peer.receive();
    ASSERT_TRUE(hello);
    queue.runPending();

    DeviceImage image = device.image();
    image.inputs[4].comp.threshold = 33;
    const std::uint64_t reportsBefore = session.reportsReceived();
    ASSERT_TRUE(SendAsDevice(peer, hello->from, sim::BuildDumpReply(image)));
    ASSERT_TRUE(SendAsDevice(peer, hello->from, sim::BuildIdentReply(image)));
    ASSERT_TRUE(receivedAll(reportsBefore + 2));

    // The pages refresh from an image that already holds the dump.
    int thresholdAtRefresh = -1;
    events.onRefresh = [&] { thresholdAtRefresh = session.image().inputs[4].comp.threshold; };
    ASSERT_EQ(queue.pending(), 2u);
    ASSERT_EQ(queue.runPending(), 2);
    EXPECT_TRUE(session.isOnline());
    EXPECT_EQ(events.refreshes, 1);
    EXPECT_EQ(thresholdAtRefresh, 33);
}

} // namespace
} // namespace krm::test
