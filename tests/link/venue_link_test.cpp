#include "link/frame.h"
#include "link/venue_link.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm {
namespace {

using namespace std::chrono_literals;

// Frames handed to one channel, in order.
class Inbox {
public:
    VenueChannel::FrameHandler handler() {
        return [this](std::string_view frame) {
            {
                std::lock_guard lock(m_mutex);
                m_frames.emplace_back(frame);
            }
            m_changed.notify_all();
        };
    }
    // Waits (bounded, as a guard against a hang only) until count frames arrived.
    std::vector<std::string> waitFor(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 5s, [&] { return m_frames.size() >= count; });
        return m_frames;
    }
    std::vector<std::string> frames() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_frames;
};

// Waits (bounded, as a guard against a hang only) until the counter reaches count.
bool WaitCount(const std::function<std::uint64_t()>& counter, std::uint64_t count) {
    for (int i = 0; i < 5000 && counter() < count; ++i)
        std::this_thread::sleep_for(1ms);
    return counter() >= count;
}

std::string Frame(char letter, int value) {
    return CommandFrame(letter).byte(value).text("ABCDEFGH").finish();
}

// Two devices and two strangers on 127.0.1.x, one venue on an ephemeral port.
class VenueLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::setenv("KRM416X_LOOPBACK_ONLY", "1", 1), 0);
        ASSERT_TRUE(a.open(Endpoint::fromOctets(127, 0, 1, 1, 0)));
        ASSERT_TRUE(b.open(Endpoint::fromOctets(127, 0, 1, 2, 0)));
        ASSERT_TRUE(stranger.open(Endpoint::fromOctets(127, 0, 1, 3, 0)));
        ASSERT_TRUE(aOtherPort.open(Endpoint::fromOctets(127, 0, 1, 1, 0)));
        venue.setLocalPort(0);
        ASSERT_TRUE(venue.start());
        chA.setDevice(a.localEndpoint());
        chB.setDevice(b.localEndpoint());
    }
    Endpoint venueAt() const { return Endpoint::fromOctets(127, 0, 0, 1, venue.boundPort()); }

    UdpSocket a, b, stranger, aOtherPort;
    // The inboxes outlive the channels, which outlive nothing of the venue's thread.
    Inbox gotA, gotB;
    VenueLink venue;
    VenueChannel chA{venue};
    VenueChannel chB{venue};
};

TEST_F(VenueLinkTest, EachDeviceGetsItsOwnFramesFromInterleavedDatagramsCutMidFrame) {
    ASSERT_TRUE(chA.attach(gotA.handler()));
    ASSERT_TRUE(chB.attach(gotB.handler()));
    EXPECT_EQ(venue.channelCount(), 2u);
    const std::string a1 = Frame('Z', 1), a2 = Frame('Y', 2), a3 = Frame('Q', 3);
    const std::string b1 = Frame('Z', 11), b2 = Frame('Y', 12), b3 = Frame('Q', 13);
    const std::string forged = Frame('Q', 99);
    struct Step {
        UdpSocket* from;
        std::string text;
    };
    // Each device's frames are cut at different places and their pieces alternate: one
    // pending text for both would join A's head with B's tail. The strangers' pieces
    // (another host; the first device's host on another port) fall between them too.
    const std::vector<Step> steps = {
        {&a, a1.substr(0, 5)},
        {&b, b1.substr(0, 9)},
        {&stranger, forged.substr(0, 7)},
        {&a, a1.substr(5) + a2.substr(0, 3)},
        {&aOtherPort, forged.substr(7)},
        {&b, b1.substr(9) + b2},
        {&a, a2.substr(3)},
        {&stranger, forged},
        {&b, b3.substr(0, 4)},
        {&a, a3},
        {&aOtherPort, forged},
        {&b, b3.substr(4)},
    };
    for (const Step& step : steps)
        ASSERT_TRUE(step.from->sendTo(venueAt(), step.text));

    EXPECT_EQ(gotA.waitFor(3), (std::vector<std::string>{a1, a2, a3}));
    EXPECT_EQ(gotB.waitFor(3), (std::vector<std::string>{b1, b2, b3}));
    ASSERT_TRUE(WaitCount([&] { return venue.foreignDatagrams(); }, 4));
    EXPECT_EQ(venue.foreignDatagrams(), 4u);
    EXPECT_EQ(chA.datagramsReceived(), 4u);
    EXPECT_EQ(chB.datagramsReceived(), 4u);
    EXPECT_EQ(chA.framesReceived(), 3u);
    EXPECT_EQ(chB.framesReceived(), 3u);

    // Each channel sends to its own device, from the venue's one port.
    ASSERT_TRUE(chA.SendFrame(a1));
    ASSERT_TRUE(chB.SendFrame(b1));
    for (auto [socket, want] : {std::pair{&a, a1}, std::pair{&b, b1}}) {
        ASSERT_TRUE(socket->waitReadable(5000));
        const auto d = socket->receive();
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->data, want);
        EXPECT_EQ(d->from.port, venue.boundPort());
    }
}

TEST_F(VenueLinkTest, AttachRefusesATakenAddressAndDetachOrReaddressingMovesTheTraffic) {
    Inbox gotSecond; // outlives the channel that feeds it
    VenueChannel second{venue};
    second.setDevice(a.localEndpoint());
    ASSERT_TRUE(chA.attach(gotA.handler()));
    EXPECT_FALSE(second.attach(gotSecond.handler())); // the first keeps the address
    EXPECT_FALSE(second.receiving());
    EXPECT_FALSE(chB.SendFrame(Frame('Z', 0))); // not attached: nothing goes out

    // A's half frame is pending when A's channel lets go of the address; the rest, taken
    // by the channel that now listens there, is not joined with it.
    const std::string x = Frame('Z', 5);
    ASSERT_TRUE(a.sendTo(venueAt(), x.substr(0, 6)));
    ASSERT_TRUE(WaitCount([&] { return chA.datagramsReceived(); }, 1));
    chA.detach();
    EXPECT_FALSE(chA.attached());
    EXPECT_FALSE(chA.SendFrame(x));
    second.setDevice(a.localEndpoint());
    ASSERT_TRUE(second.receiving());
    ASSERT_TRUE(a.sendTo(venueAt(), x.substr(6)));
    ASSERT_TRUE(a.sendTo(venueAt(), x));
    EXPECT_EQ(gotSecond.waitFor(1), std::vector<std::string>{x});
    EXPECT_TRUE(gotA.frames().empty());

    // Readdressed while attached: the channel follows its device to another address.
    second.setDevice(b.localEndpoint());
    ASSERT_TRUE(b.sendTo(venueAt(), Frame('Y', 7)));
    ASSERT_TRUE(a.sendTo(venueAt(), Frame('Y', 8))); // nobody listens to A any more
    EXPECT_EQ(gotSecond.waitFor(2), (std::vector<std::string>{x, Frame('Y', 7)}));
    ASSERT_TRUE(WaitCount([&] { return venue.foreignDatagrams(); }, 1));
    EXPECT_EQ(venue.foreignDatagrams(), 1u);

    // Attached again, the first channel has forgotten the half frame it held before.
    ASSERT_TRUE(chA.attach(gotA.handler()));
    ASSERT_TRUE(a.sendTo(venueAt(), x.substr(6)));
    ASSERT_TRUE(a.sendTo(venueAt(), Frame('Y', 10)));
    EXPECT_EQ(gotA.waitFor(1), std::vector<std::string>{Frame('Y', 10)});

    // Channels stay attached across a stop and a start of the venue.
    venue.stop();
    EXPECT_FALSE(second.SendFrame(x));
    ASSERT_TRUE(venue.start());
    ASSERT_TRUE(b.sendTo(venueAt(), Frame('Y', 9)));
    EXPECT_EQ(gotSecond.waitFor(3).back(), Frame('Y', 9));
}

TEST_F(VenueLinkTest, NoFrameReachesAHandlerAfterItsDetachReturns) {
    std::atomic<bool> detached{false};
    std::atomic<int> late{0};
    std::atomic<int> seen{0};
    // The handler lingers so that a detach that did not wait for it would return while
    // it still runs.
    ASSERT_TRUE(chA.attach([&](std::string_view) {
        ++seen;
        std::this_thread::sleep_for(50us);
        if (detached.load())
            ++late;
    }));
    // A handler that detaches its own channel gets no more of the datagram it is in.
    std::atomic<int> ownCalls{0};
    ASSERT_TRUE(chB.attach([&](std::string_view) {
        ++ownCalls;
        chB.detach();
    }));
    ASSERT_TRUE(b.sendTo(venueAt(), Frame('Q', 1) + Frame('Q', 2) + Frame('Q', 3)));

    // A floods while the owner detaches its channel under way.
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        for (int i = 0; flooding.load(); i = (i + 1) % 200) {
            a.sendTo(venueAt(), Frame('P', i));
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(WaitCount([&] { return static_cast<std::uint64_t>(seen.load()); }, 50));
    chA.detach();
    detached.store(true);
    // A's datagrams now count as foreign: wait until many more have been dropped.
    const std::uint64_t foreign = venue.foreignDatagrams();
    EXPECT_TRUE(WaitCount([&] { return venue.foreignDatagrams(); }, foreign + 50));
    flooding.store(false);
    flood.join();
    EXPECT_EQ(late.load(), 0);
    EXPECT_EQ(ownCalls.load(), 1);
    EXPECT_FALSE(chB.attached());
    EXPECT_EQ(venue.channelCount(), 0u);
}

} // namespace
} // namespace krm
