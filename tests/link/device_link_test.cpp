#include "link/device_link.h"
#include "link/frame.h"
#include "link/loopback_guard.h"

#include "tests/link/port_blocker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace krm {
namespace {

using namespace std::chrono_literals;

std::string framed(const std::string& body) {
    return CommandFrame(body[1]).append(body.substr(3)).finish();
}

// Collects frames handed over by the receive thread, with the thread that handed them.
class Collector {
public:
    DeviceLink::FrameHandler handler() {
        return [this](std::string_view frame) {
            {
                std::lock_guard lock(m_mutex);
                m_frames.emplace_back(frame);
                m_threads.insert(std::this_thread::get_id());
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
    std::set<std::thread::id> threads() {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_frames;
    std::set<std::thread::id> m_threads;
};

// A device stand-in on 127.0.0.1 and a link on an ephemeral local port aimed at it.
class DeviceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::setenv("KRM416X_LOOPBACK_ONLY", "1", 1), 0);
        ASSERT_TRUE(device.open(Endpoint::fromOctets(127, 0, 0, 1, 0)));
        link.setLocalPort(0);
        link.setDeviceIp("127.0.0.1");
        link.setDevicePort(device.localEndpoint().port);
    }
    Endpoint linkAt() const { return Endpoint::fromOctets(127, 0, 0, 1, link.boundPort()); }
    std::optional<Datagram> deviceReceive() {
        for (int i = 0; i < 50; ++i) {
            if (auto d = device.receive())
                return d;
            device.waitReadable(100);
        }
        return std::nullopt;
    }

    // The collector outlives the link, whose destructor joins the thread that feeds it.
    Collector got;
    UdpSocket device;
    DeviceLink link;
};

TEST(DatagramText, EndsAtFirstNulOrTakesEverything) {
    EXPECT_EQ(DatagramText(std::string_view("%Q,\0junk", 8)), "%Q,");
    EXPECT_EQ(DatagramText(std::string_view("\0junk", 5)), "");
    EXPECT_EQ(DatagramText(std::string(2048, 'x')).size(), 2048u);
}

TEST(DeviceLinkSettings, StartsAtTheFactoryAddressAndPortAndValidatesTheAddress) {
    DeviceLink l;
    EXPECT_EQ(l.deviceIp(), "192.168.1.106");
    EXPECT_TRUE(l.deviceIpValid());
    EXPECT_EQ(l.devicePort(), 39050);
    EXPECT_EQ(l.localPort(), 39050);
    EXPECT_FALSE(l.rxRunning());
    EXPECT_FALSE(l.isOnline());
    l.setDeviceIp("192.168.1.300");
    EXPECT_EQ(l.deviceIp(), "192.168.1.300"); // kept as typed
    EXPECT_FALSE(l.deviceIpValid());
    l.setOnline(true);
    EXPECT_TRUE(l.isOnline());
}

TEST_F(DeviceLinkTest, ReceivesSplitJoinedAndNulPaddedFramesAndDropsCorruptOnes) {
    ASSERT_TRUE(link.start(got.handler()));
    ASSERT_TRUE(link.rxRunning());
    ASSERT_NE(link.boundPort(), 0);
    const std::string a = framed("%Z,01,4B4B,");
    const std::string b = framed("%Y,01,0043,");
    const std::string c = framed("%Q,01,7F7F,");
    std::string corrupt = framed("%Q,01,0000,");
    corrupt[corrupt.size() - 2] = corrupt[corrupt.size() - 2] == '0' ? '1' : '0';
    const std::string e = framed("%P,01,10,");

    ASSERT_TRUE(device.sendTo(linkAt(), a.substr(0, 5))); // frame cut over two datagrams
    ASSERT_TRUE(device.sendTo(linkAt(), a.substr(5)));
    ASSERT_TRUE(device.sendTo(linkAt(), b + c));   // two frames in one datagram
    ASSERT_TRUE(device.sendTo(linkAt(), corrupt)); // bad checksum: dropped
    std::string padded = e;                        // text ends at the first NUL
    padded += '\0';
    padded += framed("%Q,01,FF,");
    ASSERT_TRUE(device.sendTo(linkAt(), padded));

    const auto frames = got.waitFor(4);
    EXPECT_EQ(frames, (std::vector<std::string>{a, b, c, e}));
    EXPECT_EQ(link.datagramsReceived(), 5u);
    EXPECT_EQ(link.framesReceived(), 4u);
    // Every frame was handed over on the receive thread, never the caller's.
    const auto threads = got.threads();
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

// Waits (bounded, as a guard against a hang only) until the counter reaches count.
bool WaitCount(const std::function<std::uint64_t()>& counter, std::uint64_t count) {
    for (int i = 0; i < 5000 && counter() < count; ++i)
        std::this_thread::sleep_for(1ms);
    return counter() >= count;
}

TEST_F(DeviceLinkTest, TakesFramesOnlyFromTheDeviceAndNeverMixesAnotherSendersText) {
    // Another port of the device's host, and another host on the device's port.
    UdpSocket otherPort;
    UdpSocket otherHost;
    ASSERT_TRUE(otherPort.open(Endpoint::fromOctets(127, 0, 0, 1, 0)));
    ASSERT_TRUE(otherHost.open(Endpoint::fromOctets(127, 0, 0, 61, device.localEndpoint().port)));
    ASSERT_TRUE(link.start(got.handler()));
    const std::string x = framed("%Z,01,4B4B,");
    const std::string y = framed("%Y,01,0043,");
    const std::string forged = framed("%Q,01,7F7F,");
    struct Step {
        UdpSocket* from;
        std::string text;
    };
    // The foreign frame is cut in two, and its halves arrive between the device's halves:
    // mixed into one pending text, the pieces would make frames of their own.
    const std::vector<Step> steps = {
        {&device, x.substr(0, 4)},
        {&otherPort, forged.substr(0, 6)},
        {&device, x.substr(4)},
        {&otherHost, forged.substr(6) + forged},
        {&otherPort, forged.substr(6)},
        {&otherHost, framed("%Y,01,9999,")},
        {&device, y},
    };
    for (const Step& step : steps)
        ASSERT_TRUE(step.from->sendTo(linkAt(), step.text));
    EXPECT_EQ(got.waitFor(2), (std::vector<std::string>{x, y}));
    ASSERT_TRUE(WaitCount([&] { return link.foreignDatagrams(); }, 4));
    EXPECT_EQ(link.foreignDatagrams(), 4u);
    EXPECT_EQ(link.datagramsReceived(), 3u);
    EXPECT_EQ(link.framesReceived(), 2u);

    // The device's text left pending when the link turns to another device is not joined
    // with what the new device sends.
    const std::string z = framed("%Q,01,01,");
    ASSERT_TRUE(device.sendTo(linkAt(), z.substr(0, 5)));
    ASSERT_TRUE(WaitCount([&] { return link.datagramsReceived(); }, 4));
    link.setDevicePort(otherPort.localEndpoint().port);
    ASSERT_TRUE(otherPort.sendTo(linkAt(), z.substr(5)));
    ASSERT_TRUE(device.sendTo(linkAt(), y)); // the old device is now a stranger
    ASSERT_TRUE(otherPort.sendTo(linkAt(), forged));
    EXPECT_EQ(got.waitFor(3), (std::vector<std::string>{x, y, forged}));
    EXPECT_EQ(link.foreignDatagrams(), 5u);
    EXPECT_EQ(link.datagramsReceived(), 6u);
}

TEST_F(DeviceLinkTest, SendFrameReachesTheDeviceFromTheBoundPortOnlyWhileRunning) {
    const std::string hello = framed("%Z,");
    EXPECT_FALSE(link.SendFrame(hello)); // no receive thread yet
    ASSERT_TRUE(link.start(got.handler()));
    EXPECT_TRUE(link.SendFrame(hello));
    const auto d = deviceReceive();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->data, hello);
    EXPECT_EQ(d->from.port, link.boundPort());

    // The device replies to where the request came from, and the link takes it.
    ASSERT_TRUE(device.sendTo(d->from, framed("%Y,01,")));
    EXPECT_EQ(got.waitFor(1).size(), 1u);

    link.stop();
    EXPECT_FALSE(link.rxRunning());
    EXPECT_EQ(link.boundPort(), 0);
    EXPECT_FALSE(link.SendFrame(hello));
    EXPECT_FALSE(device.receive().has_value());
}

TEST_F(DeviceLinkTest, SendFrameRefusesInvalidAndNonLoopbackAddresses) {
    ASSERT_TRUE(LoopbackOnly());
    ASSERT_TRUE(link.start(got.handler()));
    link.setDeviceIp("not an address");
    EXPECT_FALSE(link.SendFrame(framed("%Z,")));
    // Refused by the loopback guard. 0.0.0.0 lies outside 127.0.0.0/8 yet would only
    // ever reach this machine, so even a broken guard could not put the frame on a
    // network.
    link.setDeviceIp("0.0.0.0");
    ASSERT_TRUE(link.deviceIpValid());
    EXPECT_FALSE(link.SendFrame(framed("%Z,")));
    // Back on loopback (port kept across address changes), sends go out again.
    link.setDeviceIp("127.0.0.1");
    EXPECT_TRUE(link.SendFrame(framed("%Q,01,00,")));
    const auto d = deviceReceive();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->data, framed("%Q,01,00,"));
    EXPECT_FALSE(device.receive().has_value());
}

TEST_F(DeviceLinkTest, StopJoinsAtOnceAndANewStartIsNotStoppedByTheOldRequest) {
    ASSERT_TRUE(link.start(got.handler()));
    const std::uint16_t firstPort = link.boundPort();
    link.stop(); // returns only once the thread has been joined
    EXPECT_FALSE(link.rxRunning());
    link.stop(); // a second stop is harmless
    EXPECT_FALSE(link.rxRunning());
    // Nothing receives on the old port any more.
    EXPECT_TRUE(device.sendTo(Endpoint::fromOctets(127, 0, 0, 1, firstPort), framed("%Y,01,")));

    ASSERT_TRUE(link.start(got.handler()));
    EXPECT_TRUE(link.rxRunning());
    ASSERT_TRUE(device.sendTo(linkAt(), framed("%Q,01,01,")));
    const auto frames = got.waitFor(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], framed("%Q,01,01,"));
    EXPECT_EQ(link.datagramsReceived(), 1u);

    // start() on a running link replaces the thread.
    ASSERT_TRUE(link.start(got.handler()));
    EXPECT_TRUE(link.rxRunning());
    ASSERT_TRUE(device.sendTo(linkAt(), framed("%Q,01,02,")));
    EXPECT_EQ(got.waitFor(2).size(), 2u);
}

TEST_F(DeviceLinkTest, StopFromTheHandlerEndsTheLoopAndTheOwnerJoinsIt) {
    std::atomic<int> calls{0};
    ASSERT_TRUE(link.start([&](std::string_view) {
        ++calls;
        link.stop();
    }));
    ASSERT_TRUE(device.sendTo(linkAt(), framed("%Q,01,01,") + framed("%Q,01,02,")));
    // Both frames of the datagram are handed over; the loop ends after them.
    for (int i = 0; i < 500 && calls.load() < 2; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(calls.load(), 2);
    link.stop();
    EXPECT_FALSE(link.rxRunning());
}

TEST_F(DeviceLinkTest, ConcurrentSendsFromTwoThreadsArriveWholeAndUnmixed) {
    ASSERT_TRUE(link.start(got.handler()));
    constexpr int kPerThread = 100;
    std::atomic<int> accepted{0};
    auto sender = [&](char letter) {
        for (int i = 0; i < kPerThread; ++i)
            if (link.SendFrame(CommandFrame(letter).byte(i).text(std::string(40, letter)).finish()))
                ++accepted;
    };
    std::thread one(sender, 'A');
    std::thread two(sender, 'B');
    // Drain while they send, so that the receive buffer never overflows.
    std::vector<std::string> seen;
    for (int i = 0; i < 5000 && seen.size() < 2 * kPerThread; ++i) {
        if (auto d = device.receive())
            seen.push_back(d->data);
        else
            device.waitReadable(10);
    }
    one.join();
    two.join();
    EXPECT_EQ(accepted.load(), 2 * kPerThread);
    ASSERT_EQ(seen.size(), 2u * kPerThread);
    // Each frame is "%<letter>,<index>,<40 x letter>,<checksum>#": intact, and every
    // index of each sender arrived exactly once.
    std::set<std::string> distinct;
    int perLetter[2] = {0, 0};
    for (const auto& s : seen) {
        EXPECT_TRUE(FrameChecksumOk(s)) << s;
        ASSERT_TRUE(s[1] == 'A' || s[1] == 'B') << s;
        ASSERT_EQ(s.size(), 6u + 40 + 6) << s;
        EXPECT_EQ(s.substr(6, 40), std::string(40, s[1])) << s;
        ++perLetter[s[1] - 'A'];
        distinct.insert(s);
    }
    EXPECT_EQ(perLetter[0], kPerThread);
    EXPECT_EQ(perLetter[1], kPerThread);
    EXPECT_EQ(distinct.size(), seen.size());
}

TEST_F(DeviceLinkTest, BindFailureCallsTheSocketErrorHandlerAndStartsNothing) {
    test::PortBlocker blocker;
    ASSERT_NE(blocker.port(), 0);
    std::vector<std::string> errors;
    link.setSocketErrorHandler([&](const std::string& reason) { errors.push_back(reason); });
    link.setLocalPort(blocker.port());
    EXPECT_FALSE(link.start(got.handler()));
    EXPECT_FALSE(link.rxRunning());
    EXPECT_FALSE(link.SendFrame(framed("%Z,")));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("bind"), std::string::npos) << errors[0];
    blocker.release();

    EXPECT_TRUE(link.start(got.handler()));
    EXPECT_EQ(errors.size(), 1u);
}

} // namespace
} // namespace krm
