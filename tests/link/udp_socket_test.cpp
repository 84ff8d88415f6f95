#include "link/loopback_guard.h"
#include "link/udp_socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace krm {
namespace {

const Endpoint kLoopbackAny = Endpoint::fromOctets(127, 0, 0, 1, 0);

// Waits (bounded) for the next datagram on the socket.
std::optional<Datagram> nextDatagram(UdpSocket& s) {
    for (int i = 0; i < 50; ++i) {
        if (auto d = s.receive())
            return d;
        s.waitReadable(100);
    }
    return std::nullopt;
}

TEST(Endpoint, ParsesOnlyStrictDottedQuadsAndPrintsThemBack) {
    const auto e = Endpoint::parse("192.168.1.106", 39050);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->address, 0xC0A8016Au);
    EXPECT_EQ(e->port, 39050);
    EXPECT_EQ(e->addressText(), "192.168.1.106");
    EXPECT_EQ(e->toString(), "192.168.1.106:39050");
    EXPECT_EQ(*e, Endpoint::fromOctets(192, 168, 1, 106, 39050));
    EXPECT_FALSE(Endpoint::parse("", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("1", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("192.168.1", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("192.168.1.256", 1).has_value());
    EXPECT_FALSE(Endpoint::parse(" 127.0.0.1", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("127.0.0.1 ", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("localhost", 1).has_value());
    EXPECT_FALSE(Endpoint::parse("0x7f.0.0.1", 1).has_value());
}

TEST(Endpoint, LoopbackIsExactlyTheWhole127Block) {
    EXPECT_TRUE(Endpoint::fromOctets(127, 0, 0, 1, 0).isLoopback());
    EXPECT_TRUE(Endpoint::fromOctets(127, 255, 255, 254, 0).isLoopback());
    EXPECT_FALSE(Endpoint::fromOctets(126, 255, 255, 255, 0).isLoopback());
    EXPECT_FALSE(Endpoint::fromOctets(128, 0, 0, 1, 0).isLoopback());
    EXPECT_FALSE(Endpoint{}.isLoopback());
}

TEST(LoopbackGuard, FollowsTheEnvironmentVariable) {
    // The test command sets the variable; make sure of it whatever the caller did.
    ASSERT_EQ(::setenv("KRM416X_LOOPBACK_ONLY", "1", 1), 0);
    EXPECT_TRUE(LoopbackOnly());
    EXPECT_FALSE(DestinationAllowed(*Endpoint::parse("192.168.1.106", 39050)));
    EXPECT_FALSE(DestinationAllowed(*Endpoint::parse("10.0.0.1", 39050)));
    EXPECT_FALSE(DestinationAllowed(*Endpoint::parse("255.255.255.255", 39050)));
    EXPECT_TRUE(DestinationAllowed(*Endpoint::parse("127.0.0.2", 39050)));
    EXPECT_TRUE(DestinationAllowed(*Endpoint::parse("127.0.0.1", 1)));
    // Without the guard every destination is allowed (checked without the environment).
    EXPECT_TRUE(DestinationAllowed(*Endpoint::parse("10.0.0.1", 39050), false));
    EXPECT_FALSE(DestinationAllowed(*Endpoint::parse("10.0.0.1", 39050), true));
}

TEST(UdpSocket, SendToRefusesDestinationsOutsideLoopbackUnderTheGuard) {
    ASSERT_EQ(::setenv("KRM416X_LOOPBACK_ONLY", "1", 1), 0);
    UdpSocket s;
    ASSERT_TRUE(s.open(kLoopbackAny));
    // 0.0.0.0 is outside 127.0.0.0/8 but only ever reaches this machine, so even a
    // broken guard could not put the datagram on a network.
    const Endpoint outside = *Endpoint::parse("0.0.0.0", 39050);
    ASSERT_FALSE(DestinationAllowed(outside));
    EXPECT_FALSE(s.sendTo(outside, "%Z,FC81#"));
    // A refused send never reaches even a receiver on this machine: the guard stops it
    // before the kernel, so nothing arrives at the loopback peer either.
    UdpSocket peer;
    ASSERT_TRUE(peer.open(kLoopbackAny));
    EXPECT_TRUE(s.sendTo(peer.localEndpoint(), "allowed"));
    const auto got = nextDatagram(peer);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->data, "allowed");
    EXPECT_FALSE(peer.receive().has_value());
}

TEST(UdpSocket, RoundTripOnLoopbackKeepsBytesAndReportsSender) {
    UdpSocket a;
    UdpSocket b;
    std::string error;
    ASSERT_TRUE(a.open(kLoopbackAny, &error)) << error;
    ASSERT_TRUE(b.open(kLoopbackAny, &error)) << error;
    const Endpoint aAt = a.localEndpoint();
    const Endpoint bAt = b.localEndpoint();
    EXPECT_TRUE(aAt.isLoopback());
    EXPECT_NE(aAt.port, 0);
    EXPECT_NE(aAt.port, bAt.port);

    EXPECT_FALSE(b.receive().has_value()); // non-blocking: nothing waiting
    const std::string withNul("%Q,\0tail", 8);
    ASSERT_TRUE(a.sendTo(bAt, withNul));
    const auto got = nextDatagram(b);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->data, withNul);
    EXPECT_EQ(got->from, aAt);

    ASSERT_TRUE(b.sendTo(got->from, "reply"));
    const auto back = nextDatagram(a);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->data, "reply");
}

TEST(UdpSocket, FullSizeDatagramKeepsAll2048BytesAndLongerOnesAreCut) {
    UdpSocket a;
    UdpSocket b;
    ASSERT_TRUE(a.open(kLoopbackAny));
    ASSERT_TRUE(b.open(kLoopbackAny));
    std::string full(UdpSocket::kMaxDatagram, 'x');
    full.back() = 'E';
    ASSERT_TRUE(a.sendTo(b.localEndpoint(), full));
    auto got = nextDatagram(b);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->data.size(), 2048u);
    EXPECT_EQ(got->data.back(), 'E');

    ASSERT_TRUE(a.sendTo(b.localEndpoint(), std::string(3000, 'y')));
    got = nextDatagram(b);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->data, std::string(2048, 'y'));
}

TEST(UdpSocket, WaitReadableReportsDataTimeoutAndWake) {
    UdpSocket a;
    UdpSocket b;
    ASSERT_TRUE(a.open(kLoopbackAny));
    ASSERT_TRUE(b.open(kLoopbackAny));
    EXPECT_FALSE(b.waitReadable(0));
    // A wake before the wait releases it without data (and is consumed by it).
    b.wake();
    EXPECT_FALSE(b.waitReadable(-1));
    EXPECT_FALSE(b.waitReadable(0));
    // A wake from another thread releases a wait without limit.
    std::thread waker([&] { b.wake(); });
    EXPECT_FALSE(b.waitReadable(-1));
    waker.join();
    ASSERT_TRUE(a.sendTo(b.localEndpoint(), "x"));
    EXPECT_TRUE(b.waitReadable(5000));
    EXPECT_TRUE(b.receive().has_value());
}

TEST(UdpSocket, ClosedOrMovedFromSocketRefusesEverything) {
    UdpSocket a;
    EXPECT_FALSE(a.isOpen());
    EXPECT_FALSE(a.sendTo(Endpoint::fromOctets(127, 0, 0, 1, 9), "x"));
    EXPECT_FALSE(a.receive().has_value());
    EXPECT_FALSE(a.waitReadable(0));
    EXPECT_FALSE(a.setBroadcast(true));
    EXPECT_EQ(a.localEndpoint(), Endpoint{});

    ASSERT_TRUE(a.open(kLoopbackAny));
    const Endpoint at = a.localEndpoint();
    EXPECT_TRUE(a.setBroadcast(true));
    UdpSocket b(std::move(a));
    EXPECT_FALSE(a.isOpen()); // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_TRUE(b.isOpen());
    EXPECT_EQ(b.localEndpoint(), at);
    UdpSocket c;
    c = std::move(b);
    EXPECT_EQ(c.localEndpoint(), at);
    c.close();
    EXPECT_FALSE(c.isOpen());
}

TEST(UdpSocket, OpenReportsBindFailureWithReason) {
    UdpSocket s;
    std::string error;
    // 192.0.2.1 (TEST-NET-1) is not an address of this machine: bind fails.
    EXPECT_FALSE(s.open(Endpoint::fromOctets(192, 0, 2, 1, 0), &error));
    EXPECT_FALSE(s.isOpen());
    EXPECT_NE(error.find("bind"), std::string::npos) << error;
}

TEST(UdpSocket, ReuseAddressLetsTwoSocketsShareAPort) {
    UdpSocket a;
    ASSERT_TRUE(a.open(kLoopbackAny));
    UdpSocket b;
    std::string error;
    EXPECT_TRUE(b.open(Endpoint::fromOctets(127, 0, 0, 1, a.localEndpoint().port), &error))
        << error;
}

} // namespace
} // namespace krm
