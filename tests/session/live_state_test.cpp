// Meters and auto-mixer states only show while the device reports to an online link:
// leaving online clears them, and reports from outside an online link do not move them.
#include "session_fixture.h"

#include "model/parsers.h"
#include "sim/device_frames.h"

#include <string>

namespace krm::test {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kHello = "%Z,01,F143#";

// Everything a status report moves, as one comparable text.
std::string LiveState(const DeviceImage& image) {
    std::string s;
    for (const InputChannel& in : image.inputs)
        s += std::to_string(in.meter) + "/" + std::to_string(in.meter2) + "/" +
             std::to_string(in.autoMixOpen) + "/" + std::to_string(in.autoMixLast) + " ";
    for (const OutputChannel& out : image.outputs)
        s += std::to_string(out.meter) + " ";
    return s;
}

std::string Cleared() {
    DeviceImage image;
    ClearStatus(image);
    return LiveState(image);
}

bool AnyInputMeter(const DeviceImage& image) {
    for (const InputChannel& in : image.inputs)
        if (in.meter > 0)
            return true;
    return false;
}

bool AnyOpenChannel(const DeviceImage& image) {
    for (const InputChannel& in : image.inputs)
        if (in.autoMixOpen != 0)
            return true;
    return false;
}

// A status report with every meter high, every channel open and CH3 held.
StatusReport LoudReport() {
    StatusReport report;
    report.inputMeters.fill(80);
    report.outputMeters.fill(80);
    report.openCh1to8 = report.openCh9to16 = 0xFF;
    report.heldChannel = 3;
    return report;
}

class LiveStateTest : public SessionTest {
protected:
    // Connected to the virtual device, with meters moving and talkers open.
    void connectUntilMetersMove() {
        DeviceImage image = device.image();
        image.lastHold = 1;
        device.setImage(image);
        session.toggleConnect();
        ASSERT_TRUE(pumpUntil(
            [&] { return AnyInputMeter(session.image()) && AnyOpenChannel(session.image()); }));
        ASSERT_NE(LiveState(session.image()), Cleared());
    }
};

TEST_F(LiveStateTest, DisconnectAndExitClearMetersAndAutoMixerStates) {
    for (const bool viaShutdown : {false, true}) {
        SCOPED_TRACE(viaShutdown ? "shutdown" : "disconnect");
        connectUntilMetersMove();
        const int updates = events.statusUpdates;
        if (viaShutdown)
            session.shutdown();
        else
            session.toggleConnect();
        if (!viaShutdown) {
            EXPECT_FALSE(session.isOnline());
        }
        EXPECT_EQ(LiveState(session.image()), Cleared());
        EXPECT_GT(events.statusUpdates, updates) << "the strips repaint their meters";
        // Reports already on their way when the link went down move nothing.
        settle();
        EXPECT_EQ(LiveState(session.image()), Cleared());
    }
}

TEST_F(LiveStateTest, SilentDeviceGoesOfflineWithMetersAtZeroAndComesBackMoving) {
    connectUntilMetersMove();
    device.setHaltReports(true);
    settle();
    queue.runPending();
    ASSERT_NE(LiveState(session.image()), Cleared()) << "the last report still shows";

    tick(10000ms); // the silence limit
    ASSERT_EQ(events.indicators.back(), LinkIndicator::Offline);
    EXPECT_EQ(LiveState(session.image()), Cleared());

    device.setHaltReports(false);
    ASSERT_TRUE(pumpUntil([&] { return AnyInputMeter(session.image()); }));
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);
}

TEST_F(LiveStateTest, StatusReportsMoveMetersOnlyWhileOnline) {
    UdpSocket peer;
    ASSERT_TRUE(peer.open(*Endpoint::parse("127.0.0.1", 0)));
    session.setDevice("127.0.0.1", peer.localEndpoint().port);
    session.connect();
    ASSERT_TRUE(peer.waitReadable(2000));
    const auto stop = peer.receive();
    ASSERT_TRUE(stop);
    const Endpoint program = stop->from;
    DeviceImage image = device.image();
    image.lastHold = 1;

    // Connecting, not yet online: another device's reports reach the socket.
    std::uint64_t reports = session.reportsReceived();
    ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildStatusReport(LoudReport())));
    ASSERT_TRUE(pumpUntil([&] { return session.reportsReceived() == reports + 1; }));
    settle();
    EXPECT_EQ(LiveState(session.image()), Cleared());
    EXPECT_EQ(events.statusUpdates, 0);

    ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildDumpReply(image)));
    ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildIdentReply(image)));
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    ASSERT_TRUE(SendAsDevice(peer, program, sim::BuildStatusReport(LoudReport())));
    ASSERT_TRUE(pumpUntil([&] { return events.statusUpdates == 1; }));
    EXPECT_EQ(session.image().inputs[0].meter, 80);
    EXPECT_EQ(session.image().outputs[7].meter, 80);
    EXPECT_EQ(session.image().inputs[15].autoMixOpen, 1);
    EXPECT_EQ(session.image().inputs[2].autoMixLast, 1);

    // After a disconnect the same report (still delivered by the old socket's queue
    // or by a device that did not hear "%Q," 0) leaves the meters down.
    session.disconnect();
    EXPECT_EQ(LiveState(session.image()), Cleared());
    session.connect();
    reports = session.reportsReceived();
    // The new receive socket's hello (the first attempt's is still queued before it).
    std::optional<Datagram> hello;
    auto isNewHello = [&] {
        return hello->data == kHello && hello->from.port == session.boundPort();
    };
    while (peer.waitReadable(2000) && (hello = peer.receive()) && !isNewHello()) {
    }
    ASSERT_TRUE(hello && isNewHello());
    ASSERT_TRUE(SendAsDevice(peer, hello->from, sim::BuildStatusReport(LoudReport())));
    ASSERT_TRUE(pumpUntil([&] { return session.reportsReceived() == reports + 1; }));
    settle();
    EXPECT_EQ(LiveState(session.image()), Cleared());
}

} // namespace
} // namespace krm::test
