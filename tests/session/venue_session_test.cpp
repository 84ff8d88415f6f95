// End-to-end: several sessions of the program share one local port, each talking to its
// own device of a venue of virtual devices.
#include "session_fixture.h"

#include "link/venue_link.h"
#include "model/senders.h"
#include "sim/device_frames.h"
#include "sim/virtual_venue.h"

#include <array>
#include <memory>

namespace krm::test {
namespace {

using namespace std::chrono_literals;

class VenueSessionTest : public ::testing::Test {
protected:
    static constexpr int kDevices = 3;

    void SetUp() override {
        // The second room was changed on the device; the third does not answer. Both
        // answering devices cut their frames in pieces, so the pieces of two devices
        // reach the one port interleaved.
        DeviceImage changed = rooms.device(1).image();
        changed.inputs[2].peq[1].freq = 1234;
        changed.outputs[4].mute = 1 - changed.outputs[4].mute;
        rooms.device(1).setImage(changed);
        rooms.device(0).setSplitFrames(true);
        rooms.device(1).setSplitFrames(true);
        rooms.device(2).setSilent(true);
        ASSERT_TRUE(rooms.start(Endpoint::fromOctets(127, 0, 2, 1, 0)));
        venue.setLocalPort(0);
        for (int i = 0; i < kDevices; ++i)
            sessions[i] = std::make_unique<DeviceSession>(venue, rooms.endpoint(i), clock,
                                                          queue.poster(), events[i]);
    }
    void TearDown() override {
        for (auto& s : sessions)
            s->shutdown();
        rooms.stop();
    }
    DeviceSession& session(int i) { return *sessions[i]; }

    FakeClock clock;
    TaskQueue queue;
    std::array<RecordingEvents, kDevices> events;
    sim::VirtualVenue rooms{kDevices};
    VenueLink venue;
    std::array<std::unique_ptr<DeviceSession>, kDevices> sessions;
};

TEST_F(VenueSessionTest, EachSessionOnTheSharedPortReadsAndEditsOnlyItsOwnDevice) {
    // Nothing opens a socket of its own: without the venue's port there is no receiver.
    session(0).connect();
    EXPECT_EQ(events[0].socketErrors, 1);
    EXPECT_FALSE(session(0).receiverRunning());
    session(0).disconnect();

    ASSERT_TRUE(venue.start());
    for (int i = 0; i < kDevices; ++i)
        session(i).connect();
    ASSERT_TRUE(PumpUntil(queue, [&] { return session(0).isOnline() && session(1).isOnline(); }));
    EXPECT_FALSE(session(2).isOnline());
    EXPECT_TRUE(session(2).isConnecting());
    EXPECT_EQ(venue.channelCount(), 3u);
    for (int i = 0; i < kDevices; ++i)
        EXPECT_EQ(session(i).boundPort(), venue.boundPort());

    // Each image holds its own device's dump: the changed room differs from the other.
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE("room " + std::to_string(i + 1));
        EXPECT_EQ(sim::BuildDumpReply(session(i).image()),
                  sim::BuildDumpReply(rooms.device(i).image()));
    }
    EXPECT_EQ(session(1).image().inputs[2].peq[1].freq, 1234);
    EXPECT_NE(session(0).image().inputs[2].peq[1].freq, 1234);
    EXPECT_NE(session(0).image().outputs[4].mute, session(1).image().outputs[4].mute);
    // The silent room heard the hello and answered nothing; no other room's reports
    // moved its session.
    EXPECT_GE(rooms.device(2).framesReceived('Z'), 1);
    EXPECT_EQ(session(2).reportsReceived(), 0u);
    EXPECT_EQ(events[2].refreshes, 0);

    // An edit through the first session reaches the first device and no other.
    session(0).image().inputs[5].peq[0].freq = 777;
    ASSERT_TRUE(session(0).commands().SendG(6, 1));
    ASSERT_TRUE(
        PumpUntil(queue, [&] { return rooms.device(0).image().inputs[5].peq[0].freq == 777; }));
    EXPECT_EQ(rooms.device(1).framesReceived('G'), 0);
    EXPECT_NE(rooms.device(1).image().inputs[5].peq[0].freq, 777);

    // Status reports keep flowing to each session on its own.
    const int before0 = events[0].statusUpdates;
    const int before1 = events[1].statusUpdates;
    ASSERT_TRUE(PumpUntil(queue, [&] {
        return events[0].statusUpdates > before0 + 2 && events[1].statusUpdates > before1 + 2;
    }));

    // One session leaving lets go of its device only.
    session(1).disconnect();
    EXPECT_FALSE(session(1).receiverRunning());
    EXPECT_TRUE(session(0).receiverRunning());
    EXPECT_EQ(venue.channelCount(), 2u);
    const int still0 = events[0].statusUpdates;
    ASSERT_TRUE(PumpUntil(queue, [&] { return events[0].statusUpdates > still0 + 2; }));
    EXPECT_TRUE(session(0).isOnline());
}

} // namespace
} // namespace krm::test
