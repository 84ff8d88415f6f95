#include "link/discovery.h"
#include "link/network_settings.h"

#include "tests/link/fake_responder.h"
#include "tests/link/port_blocker.h"
#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace krm {
namespace {

using namespace std::chrono_literals;

std::string framed(const std::string& body) {
    return CommandFrame(body[1]).append(body.substr(3)).finish();
}

Ipv4Interface itf(const char* ip, bool up = true, bool loopback = false) {
    return Ipv4Interface{"test", Endpoint::parse(ip, 0)->address, up, loopback};
}

TEST(SearchReply, AcceptsOnlyLetterRWithFourDigitFieldReadingOne) {
    EXPECT_TRUE(IsSearchReply(framed("%R,01,0001,")));
    EXPECT_TRUE(IsSearchReply(framed("%R,01,0001,C0A8016A,"))); // other fields are free
    EXPECT_FALSE(IsSearchReply(framed("%R,01,1,")));            // too short
    EXPECT_FALSE(IsSearchReply(framed("%R,01,0002,")));         // another value
    EXPECT_FALSE(IsSearchReply(framed("%R,01,00001,")));        // five characters
    EXPECT_FALSE(IsSearchReply(framed("%R,01,000A,")));         // not decimal
    EXPECT_FALSE(IsSearchReply(framed("%R,01, 001,")));         // blank is not a digit
    EXPECT_FALSE(IsSearchReply(framed("%Q,01,0001,")));         // another letter
    EXPECT_FALSE(IsSearchReply(std::string(kSearchRequest)));   // our own request
    std::string bad = framed("%R,01,0001,");
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
    EXPECT_FALSE(IsSearchReply(bad));              // checksum
    EXPECT_FALSE(IsSearchReply(framed("%R,01,"))); // no field 2
}

TEST(NetworkSettings, DeviceIpMustBeAUnicastDottedQuad) {
    EXPECT_EQ(DeviceIpFromText("192.168.1.106"), "192.168.1.106");
    EXPECT_EQ(DeviceIpFromText("  10.0.0.7 \t"), "10.0.0.7");
    EXPECT_EQ(DeviceIpFromText("127.0.0.2"), "127.0.0.2");
    EXPECT_FALSE(DeviceIpFromText(""));
    EXPECT_FALSE(DeviceIpFromText("192.168.1"));
    EXPECT_FALSE(DeviceIpFromText("192.168.1.256"));
    EXPECT_FALSE(DeviceIpFromText("192.168.1.1.1"));
    EXPECT_FALSE(DeviceIpFromText("device.local"));
    EXPECT_FALSE(DeviceIpFromText("0.0.0.0"));
    EXPECT_FALSE(DeviceIpFromText("224.0.0.1"));
    EXPECT_FALSE(DeviceIpFromText("255.255.255.255"));
    EXPECT_TRUE(IsValidDeviceIp("172.16.0.1"));
    EXPECT_FALSE(IsValidDeviceIp("172.16.0.1x"));
}

TEST(NetworkSettings, StartupAddressFallsBackToTheFactoryAddress) {
    EXPECT_EQ(StartupDeviceIp(std::nullopt), "192.168.1.106");
    EXPECT_EQ(StartupDeviceIp(std::string()), "192.168.1.106");
    EXPECT_EQ(StartupDeviceIp(std::string("garbage")), "192.168.1.106");
    EXPECT_EQ(StartupDeviceIp(std::string("10.1.2.3")), "10.1.2.3");
    EXPECT_EQ(StartupDeviceIp(std::string(" 10.1.2.3")), "10.1.2.3");
}

TEST(NetworkSettings, UsableInterfacesAreUpNonLoopbackAndListedOnce) {
    const auto usable = UsableInterfaces({itf("10.1.2.3"), itf("10.1.2.3"), itf("10.9.9.9", false),
                                          itf("127.0.0.1", true, true), itf("127.0.1.1"),
                                          itf("0.0.0.0"), itf("192.168.5.9")});
    ASSERT_EQ(usable.size(), 2u);
    EXPECT_EQ(usable[0].address, Endpoint::parse("10.1.2.3", 0)->address);
    EXPECT_EQ(usable[1].address, Endpoint::parse("192.168.5.9", 0)->address);
}

TEST(NetworkSettings, SweepCoversHosts2To254OfEachNetworkOnceSkippingOwnAddresses) {
    // Only computes the list; nothing is sent.
    const auto targets =
        SweepTargets({itf("10.1.2.3"), itf("10.1.2.77"), itf("192.168.5.9")}, 39050);
    ASSERT_EQ(targets.size(), 2u * 253 - 3);
    std::set<std::uint32_t> addresses;
    for (const auto& t : targets) {
        EXPECT_EQ(t.port, 39050);
        const std::uint32_t host = t.address & 0xFF;
        EXPECT_GE(host, 2u);
        EXPECT_LE(host, 254u);
        addresses.insert(t.address);
    }
    EXPECT_EQ(addresses.size(), targets.size()); // no host twice
    EXPECT_FALSE(addresses.contains(Endpoint::parse("10.1.2.3", 0)->address));
    EXPECT_FALSE(addresses.contains(Endpoint::parse("10.1.2.77", 0)->address));
    EXPECT_FALSE(addresses.contains(Endpoint::parse("192.168.5.9", 0)->address));
    EXPECT_TRUE(addresses.contains(Endpoint::parse("10.1.2.2", 0)->address));
    EXPECT_TRUE(addresses.contains(Endpoint::parse("192.168.5.254", 0)->address));
    EXPECT_TRUE(SweepTargets({}, 39050).empty());
}

// Records the events the worker posts; the test thread runs them from its TaskQueue.
class RecordingDiscoveryEvents final : public DiscoveryEvents {
public:
    void searchStarted(int t) override { total = t; }
    void searchProgress(int done, int t) override {
        EXPECT_EQ(t, total);
        EXPECT_EQ(done, lastProgress + 1);
        lastProgress = done;
    }
    void deviceFound(const Endpoint& device) override { found.push_back(device); }
    void sweepFinished() override { ++finished; }
    void socketError(const std::string& reason) override { errors.push_back(reason); }

    int total = -1;
    int lastProgress = 0;
    int finished = 0;
    std::vector<Endpoint> found;
    std::vector<std::string> errors;
};

// Fake devices on 127.0.0.x, all on one port; the computer "is" 127.0.0.4.
class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::setenv("KRM416X_LOOPBACK_ONLY", "1", 1), 0);
        const std::string good = framed("%R,01,0001,");
        addResponder("127.0.0.5", {good});                              // listed
        addResponder("127.0.0.6", {framed("%R,01,1,")});                // field 2 too short
        addResponder("127.0.0.7", {framed("%R,01,0002,")});             // another value
        addResponder("127.0.0.8", {good, good});                        // twice: one row
        addResponder("127.0.0.9", {good.substr(0, 6), good.substr(6)}); // split reply
        addResponder("127.0.0.4", {good});                              // this computer
        worker.setLocalPort(0);
        worker.setDevicePort(port);
    }
    void addResponder(const char* ip, std::vector<std::string> replies) {
        auto r = std::make_unique<test::FakeResponder>(*Endpoint::parse(ip, port), replies);
        ASSERT_TRUE(r->ok()) << ip;
        port = r->endpoint().port;
        responders.push_back(std::move(r));
    }
    // Runs posted events until the sweep is over and expected devices are listed (real
    // time bounded, only a guard against a hang).
    void runUntil(std::size_t devices) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while ((events.finished == 0 || events.found.size() < devices) &&
               std::chrono::steady_clock::now() < deadline)
            queue.waitAndRun(25ms);
    }
    int totalRequests() const {
        int n = 0;
        for (const auto& r : responders)
            n += r->requests();
        return n;
    }

    std::uint16_t port = 0;
    std::vector<std::unique_ptr<test::FakeResponder>> responders;
    test::FakeClock clock;
    TaskQueue queue;
    RecordingDiscoveryEvents events;
    std::vector<Ipv4Interface> interfaces{itf("127.0.0.4")};
    DiscoveryWorker worker{clock, [this] { return interfaces; }, queue.poster(), events};
};

TEST_F(DiscoveryTest, ListsEachAnsweringDeviceOnceAndNeverProbesThisComputer) {
    const Millis began = clock.now();
    ASSERT_TRUE(worker.start());
    EXPECT_TRUE(worker.running());
    runUntil(3);
    // Let late or duplicate replies in, and every responder count its requests.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (totalRequests() < 2 * 5 && std::chrono::steady_clock::now() < deadline)
        queue.waitAndRun(10ms);
    queue.waitAndRun(50ms);
    worker.stop();
    queue.runPending();
    EXPECT_FALSE(worker.running());

    EXPECT_EQ(events.total, 252);
    EXPECT_EQ(events.lastProgress, 252);
    EXPECT_EQ(events.finished, 1);
    std::vector<std::string> found;
    for (const auto& d : events.found) {
        found.push_back(d.addressText());
        EXPECT_EQ(d.port, port);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"127.0.0.5", "127.0.0.8", "127.0.0.9"}));
    // Every other device got the request exactly twice; this computer never.
    for (std::size_t i = 0; i + 1 < responders.size(); ++i)
        EXPECT_EQ(responders[i]->requests(), 2) << i;
    EXPECT_EQ(responders.back()->requests(), 0);
    // The sweep was paced on the injected clock: 5 ms after each host.
    EXPECT_EQ(clock.now() - began, 252 * DiscoveryWorker::kHostPause);
    EXPECT_TRUE(events.errors.empty());
}

TEST_F(DiscoveryTest, NewSearchForgetsTheOldListAndStopIsImmediate) {
    ASSERT_TRUE(worker.start());
    runUntil(3);
    worker.stop();
    queue.runPending();
    events = RecordingDiscoveryEvents();
    ASSERT_TRUE(worker.start());
    runUntil(3);
    worker.stop();
    queue.runPending();
    EXPECT_EQ(events.found.size(), 3u);
    EXPECT_EQ(responders[0]->requests(), 4);

    // A stop in the middle of a sweep (the real 5 ms pauses) ends it at once: the
    // sweep is cut short and never reports finishing.
    DiscoveryWorker slow(
        systemClock(), [this] { return interfaces; }, queue.poster(), events);
    slow.setLocalPort(0);
    slow.setDevicePort(port);
    events = RecordingDiscoveryEvents();
    ASSERT_TRUE(slow.start());
    slow.stop();
    EXPECT_FALSE(slow.running());
    EXPECT_EQ(slow.boundPort(), 0);
    queue.runPending();
    EXPECT_EQ(events.finished, 0);
    EXPECT_LT(events.lastProgress, 252);
}

TEST_F(DiscoveryTest, NoNetworkMeansAnEmptySweep) {
    interfaces.clear();
    ASSERT_TRUE(worker.start());
    runUntil(0);
    worker.stop();
    queue.runPending();
    EXPECT_EQ(events.total, 0);
    EXPECT_EQ(events.finished, 1);
    EXPECT_TRUE(events.found.empty());
    for (const auto& r : responders)
        EXPECT_EQ(r->requests(), 0);
}

TEST_F(DiscoveryTest, SocketFailureIsPostedAndStartsNothing) {
    test::PortBlocker blocker;
    ASSERT_NE(blocker.port(), 0);
    worker.setLocalPort(blocker.port());
    EXPECT_FALSE(worker.start());
    EXPECT_FALSE(worker.running());
    queue.runPending();
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_NE(events.errors[0].find("bind"), std::string::npos) << events.errors[0];
    EXPECT_EQ(events.total, -1); // no sweep began
    for (const auto& r : responders)
        EXPECT_EQ(r->requests(), 0);
}

} // namespace
} // namespace krm
