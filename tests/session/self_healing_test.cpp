// End-to-end: a device that reboots while connected is connected again without the
// operator, once the link has shown "OFFLINE"; the session says which modules it found
// changed. The device's reboot runs on its own (real) clock, kept short; the link's
// timeouts run on the fake clock.
#include "session_fixture.h"

#include "link/link_supervisor.h"
#include "sim/device_frames.h"

#include <thread>

namespace krm::test {
namespace {

using namespace std::chrono_literals;

class SelfHealingTest : public SessionTest {
protected:
    void connectReporting() {
        session.connect();
        ASSERT_TRUE(pumpUntil([&] { return session.isOnline() && events.statusUpdates >= 1; }));
    }
    // The link's timer up to the first "OFFLINE" notice, with nothing arriving meanwhile.
    void silenceUntilOffline() {
        settle();
        queue.runPending();
        events.indicators.clear();
        tick(LinkSupervisor::kSilenceLimit);
        ASSERT_EQ(events.indicators, std::vector<LinkIndicator>{LinkIndicator::Offline});
    }
    bool waitUntilBooted() {
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        while (device.booting()) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
};

TEST_F(SelfHealingTest, RebootedDeviceIsReadAnewAndReportsAgainWithoutTheOperator) {
    connectReporting();
    ASSERT_EQ(events.refreshes, 1);

    // Edited or reset elsewhere: the device comes back with other values.
    DeviceImage other = device.image();
    other.inputs[0].gain = other.inputs[0].gain == 40 ? 41 : 40;
    other.inputs[2].peq[1].gain = other.inputs[2].peq[1].gain == 200 ? 199 : 200;
    other.outputs[3].limiter.threshold = other.outputs[3].limiter.threshold == 20 ? 21 : 20;
    other.inputs[5].name = Name16::fromUtf16(u"Podium");
    device.reboot(300ms, other);

    silenceUntilOffline();
    EXPECT_TRUE(session.isOnline()) << "dark, not disconnected";
    ASSERT_TRUE(waitUntilBooted());
    const int hellosBefore = device.framesReceived('Z');
    tick(LinkSupervisor::kHealInterval);
    ASSERT_TRUE(pumpUntil([&] { return !events.reconnected.empty(); }));

    EXPECT_EQ(device.framesReceived('Z'), hellosBefore + 1) << "one offer, no operator";
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);
    EXPECT_EQ(events.refreshes, 2) << "every page reread the image";
    EXPECT_EQ(sim::BuildDumpReply(session.image()), sim::BuildDumpReply(device.image()));
    EXPECT_EQ(session.image().inputs[5].name.view(), "Podium");
    ASSERT_EQ(events.reconnected.size(), 1u);
    EXPECT_EQ(events.reconnected[0],
              (std::vector<ImageModule>{ImageModule::Levels, ImageModule::Peq, ImageModule::Limiter,
                                        ImageModule::Names}));
    EXPECT_FALSE(session.isConnecting());
    EXPECT_EQ(events.failures, 0);

    // "%Q," 1 went out again: the device reports, the meters move, no notice follows.
    const int updates = events.statusUpdates;
    ASSERT_TRUE(pumpUntil([&] { return events.statusUpdates > updates + 2; }));
    EXPECT_TRUE(device.statusReportsOn());
    tick(LinkSupervisor::kHealInterval);
    settle();
    EXPECT_EQ(device.framesReceived('Z'), hellosBefore + 1);
    EXPECT_EQ(events.reconnected.size(), 1u);
}

TEST_F(SelfHealingTest, SameSettingsAfterARebootListNoChangedModule) {
    connectReporting();
    device.reboot(0ms, device.image());
    silenceUntilOffline();
    tick(LinkSupervisor::kHealInterval);
    ASSERT_TRUE(pumpUntil([&] { return !events.reconnected.empty(); }));
    EXPECT_TRUE(events.reconnected[0].empty());
}

TEST_F(SelfHealingTest, NoHandshakeIsOfferedAfterDisconnectOrWhileAnUpdateHoldsThePort) {
    for (bool update : {false, true}) {
        SCOPED_TRACE(update ? "firmware update" : "DISCONNECT");
        connectReporting();
        device.reboot(0ms, device.image());
        silenceUntilOffline();
        if (update)
            session.stopForUpdate();
        else
            session.disconnect();
        settle();
        const int hellos = device.framesReceived('Z');
        for (int i = 0; i < 10; ++i)
            tick(LinkSupervisor::kHealInterval);
        settle();
        EXPECT_EQ(device.framesReceived('Z'), hellos);
        EXPECT_FALSE(session.isOnline());
        EXPECT_TRUE(events.reconnected.empty());
    }
}

} // namespace
} // namespace krm::test
