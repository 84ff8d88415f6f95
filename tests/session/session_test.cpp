// End-to-end: the program's session against the virtual device over loopback.
#include "session_fixture.h"

#include "link/link_supervisor.h"
#include "model/senders.h"
#include "sim/device_frames.h"

namespace krm::test {
namespace {

using namespace std::chrono_literals;

TEST_F(SessionTest, ConnectBringsEveryDumpedFieldAndNameIntoTheImage) {
    session.toggleConnect();
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    EXPECT_FALSE(session.isConnecting());
    EXPECT_EQ(events.refreshes, 1);
    EXPECT_EQ(events.buttons.back(), true);
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);

    const DeviceImage theirs = device.image();
    const DeviceImage& ours = session.image();
    // Rebuilding the dump from both images compares every field the dump carries
    // (CH1..CH20, buses 1..8, the auto-mixer and the device text) in one go.
    EXPECT_EQ(sim::BuildDumpReply(ours), sim::BuildDumpReply(theirs));
    for (int c = 0; c < kInputCount; ++c)
        EXPECT_EQ(ours.inputs[c].name, theirs.inputs[c].name) << "CH" << c + 1;
    for (int o = 0; o < kOutputCount; ++o)
        EXPECT_EQ(ours.outputs[o].name, theirs.outputs[o].name) << "bus " << o + 1;
    EXPECT_EQ(ours.unitCount, theirs.unitCount);
    EXPECT_EQ(ours.micUnits, theirs.micUnits);
    // The demo device carries both kinds of name, so the code-page path is exercised.
    bool chinese = false, latin = false;
    for (const auto& in : ours.inputs) {
        for (char ch : in.name.view())
            (static_cast<unsigned char>(ch) >= 0x80 ? chinese : latin) = true;
    }
    EXPECT_TRUE(chinese);
    EXPECT_TRUE(latin);

    // "%Q," 1 followed the identification: status reports move the meters.
    ASSERT_TRUE(pumpUntil([&] { return events.statusUpdates >= 3; }));
    EXPECT_TRUE(device.statusReportsOn());
    bool anyMeter = false;
    for (const auto& in : session.image().inputs)
        anyMeter = anyMeter || in.meter > 0;
    EXPECT_TRUE(anyMeter);
}

TEST_F(SessionTest, EditSentWhileOnlineReachesTheDevice) {
    session.toggleConnect();
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    session.image().inputs[2].peq[1].gain = 151; // sent as 75, stored back as 150
    session.image().inputs[2].peq[1].freq = 1234;
    ASSERT_TRUE(session.commands().SendG(3, 2));
    session.image().outputs[5].mute = 1;
    ASSERT_TRUE(session.commands().SendA(26));
    ASSERT_TRUE(pumpUntil([&] {
        const DeviceImage d = device.image();
        return d.inputs[2].peq[1].freq == 1234 && d.outputs[5].mute == 1;
    }));
    EXPECT_EQ(device.image().inputs[2].peq[1].gain, 150);
}

TEST_F(SessionTest, SilentDeviceGetsThreeHellosFiveSecondsApartThenCannotConnect) {
    device.setSilent(true);
    session.toggleConnect();
    session.toggleConnect(); // a second press while connecting is ignored
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('Z') == 1; }));
    EXPECT_EQ(device.framesReceived('Q'), 1);

    tick(4999ms);
    settle();
    EXPECT_EQ(device.framesReceived('Z'), 1) << "no hello before 5 s";
    tick(1ms);
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('Z') == 2; }));
    tick(5000ms);
    ASSERT_TRUE(pumpUntil([&] { return device.framesReceived('Z') == 3; }));
    EXPECT_EQ(events.failures, 0);
    tick(5000ms);
    EXPECT_EQ(events.failures, 1) << "\"CANNOT CONNECT.\" 15 s after the press";
    EXPECT_FALSE(session.isConnecting());
    EXPECT_FALSE(session.receiverRunning());
    tick(5000ms);
    settle();
    EXPECT_EQ(device.framesReceived('Z'), 3) << "exactly three hellos";
    EXPECT_EQ(events.failures, 1);
}

TEST_F(SessionTest, SilenceShowsOfflineEveryTenSecondsAndTheNextReportOnlineAgain) {
    session.toggleConnect();
    ASSERT_TRUE(pumpUntil([&] { return events.statusUpdates >= 1; }));
    device.setHaltReports(true);
    settle();
    queue.runPending();
    events.indicators.clear();

    tick(9999ms);
    EXPECT_TRUE(events.indicators.empty());
    tick(1ms);
    ASSERT_EQ(events.indicators.size(), 1u);
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Offline);
    EXPECT_TRUE(session.isOnline()) << "senders keep sending while the indicator is dark";
    // Within the few seconds before the link offers a handshake of its own, the reports
    // come back: the next one lights the indicator without any new hello.
    tick(LinkSupervisor::kHealInterval - 1ms);
    device.setHaltReports(false);
    ASSERT_TRUE(pumpUntil([&] { return events.indicators.back() == LinkIndicator::Online; }));
    EXPECT_EQ(device.framesReceived('Z'), 1) << "no new connect needed";

    // A device that stays silent (it hears but never answers): the notice repeats.
    device.setSilent(true);
    settle();
    queue.runPending();
    events.indicators.clear();
    tick(10000ms);
    tick(10000ms);
    EXPECT_EQ(events.indicators,
              (std::vector<LinkIndicator>{LinkIndicator::Offline, LinkIndicator::Offline}))
        << "repeated after another 10 s of silence";
}

TEST_F(SessionTest, LevelReportReachesTheWindowsOnlyWhileOnline) {
    // A raw peer stands in for the device so that "P" can arrive before any hello.
    UdpSocket peer;
    ASSERT_TRUE(peer.open(*Endpoint::parse("127.0.0.1", 0)));
    session.setDevice("127.0.0.1", peer.localEndpoint().port);
    session.connect();
    ASSERT_TRUE(peer.waitReadable(2000));
    const auto hello = peer.receive();
    ASSERT_TRUE(hello);
    const Endpoint program = hello->from;

    DeviceImage levels = session.image();
    levels.inputs[0].gain = 12;
    levels.outputs[0].lineLevel = 1;
    ASSERT_TRUE(peer.sendTo(program, sim::BuildLevelsReport(levels)));
    ASSERT_TRUE(pumpUntil([&] { return session.image().inputs[0].gain == 12; }));
    EXPECT_EQ(session.image().outputs[0].lineLevel, 1);
    EXPECT_EQ(events.levelUpdates, 0) << "not online yet: image only";

    ASSERT_TRUE(peer.sendTo(program, sim::BuildDumpReply(levels)));
    ASSERT_TRUE(peer.sendTo(program, sim::BuildIdentReply(levels)));
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    levels.inputs[0].gain = 40;
    ASSERT_TRUE(peer.sendTo(program, sim::BuildLevelsReport(levels)));
    ASSERT_TRUE(pumpUntil([&] { return events.levelUpdates == 1; }));
    EXPECT_EQ(session.image().inputs[0].gain, 40);
}

TEST_F(SessionTest, HandshakeOnTheWire) {
    UdpSocket peer;
    ASSERT_TRUE(peer.open(*Endpoint::parse("127.0.0.1", 0)));
    session.setDevice("127.0.0.1", peer.localEndpoint().port);
    session.toggleConnect();
    auto next = [&]() -> std::string {
        if (!peer.waitReadable(2000))
            return {};
        auto d = peer.receive();
        return d ? d->data : std::string{};
    };
    // "%Q," 0 (stop reports), then the hello.
    EXPECT_EQ(next(), "%Q,01,00,25E0#");
    ASSERT_TRUE(peer.waitReadable(2000));
    const auto hello = peer.receive();
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->data, "%Z,01,F143#");
    // Dump, then identification: online, then "%Q," 1. (Together they are longer than
    // one 2,048-byte receive buffer, so they travel as two datagrams.)
    const DeviceImage image = device.image();
    ASSERT_TRUE(peer.sendTo(hello->from, sim::BuildDumpReply(image)));
    ASSERT_TRUE(peer.sendTo(hello->from, sim::BuildIdentReply(image)));
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    EXPECT_EQ(next(), "%Q,01,01,B5E1#");
}

TEST_F(SessionTest, LossyOrSplittingDeviceConnectsOrFailsButNeverHangs) {
    struct Case {
        double drop;
        bool split;
    };
    for (const Case c : {Case{0.2, false}, Case{0.0, true}, Case{0.2, true}}) {
        session.shutdown();
        RecordingEvents fresh;
        events = fresh;
        device.setDropShare(c.drop);
        device.setSplitFrames(c.split);
        session.connect();
        // Up to three hellos; each gets a fair real-time chance before the clock jumps.
        for (int hello = 0; hello < 4 && !session.isOnline() && events.failures == 0; ++hello) {
            PumpUntil(
                queue, [&] { return session.isOnline(); }, 300ms);
            if (!session.isOnline())
                tick(5000ms);
        }
        EXPECT_TRUE(session.isOnline() || events.failures == 1)
            << "drop " << c.drop << " split " << c.split << " connecting " << session.isConnecting()
            << " hellos " << device.framesReceived('Z');
        if (!c.drop) {
            EXPECT_TRUE(session.isOnline()) << "split frames alone must still connect";
            EXPECT_EQ(sim::BuildDumpReply(session.image()), sim::BuildDumpReply(device.image()));
        }
    }
}

} // namespace
} // namespace krm::test
