#include "sim/virtual_venue.h"

#include "link/clock.h"
#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "model/parsers.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

namespace krm::sim {
namespace {

int ThreadsOfThisProcess() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

// A venue of 200 rooms on 127.0.3.1.., each with an image of its own, one of them silent;
// a program-side socket asks every room for its dump, a batch at a time so that the
// replies never overflow its receive buffer.
TEST(VirtualVenue, TwoHundredRoomsOnOneThreadEachAnswerWithTheirOwnImage) {
    constexpr int kRooms = 200;
    constexpr int kSilent = 57;
    VirtualVenue venue(kRooms);
    for (int i = 0; i < kRooms; ++i) {
        DeviceImage image = venue.device(i).image();
        image.inputs[0].peq[0].freq = 100 + 7 * i;
        venue.device(i).setImage(image);
    }
    venue.device(kSilent).setSilent(true);
    // A running venue of one first: helper threads that start with the process's first
    // thread of its own (a sanitizer's) are then counted on both sides.
    VirtualVenue lone(1);
    ASSERT_TRUE(lone.start(Endpoint::fromOctets(127, 0, 3, 230, 0)));
    const int threadsBefore = ThreadsOfThisProcess();
    const Endpoint first = Endpoint::fromOctets(127, 0, 3, 1, 0);
    std::string error;
    ASSERT_TRUE(venue.start(first, &error)) << error;
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore + 1) << "one thread serves every room";
    EXPECT_FALSE(venue.start(first)) << "already running";

    UdpSocket program;
    ASSERT_TRUE(program.open(Endpoint::fromOctets(127, 0, 0, 1, 0)));
    std::map<std::uint32_t, FrameSplitter> splitters; // one per room, as the program keeps
    std::map<std::uint32_t, DeviceImage> answered;
    for (int batch = 0; batch < kRooms; batch += 10) {
        int expected = 0;
        for (int i = batch; i < batch + 10; ++i) {
            EXPECT_EQ(venue.endpoint(i).address, first.address + static_cast<std::uint32_t>(i));
            EXPECT_TRUE(venue.device(i).running());
            ASSERT_TRUE(program.sendTo(venue.endpoint(i), BuildZ()));
            expected += i == kSilent ? 0 : 1;
        }
        std::size_t want = answered.size() + static_cast<std::size_t>(expected);
        const Millis deadline = systemClock().now() + Millis(5000);
        while (answered.size() < want && systemClock().now() < deadline) {
            program.waitReadable(100);
            while (auto d = program.receive()) {
                splitters[d->from.address].split(d->data, [&](std::string_view frame) {
                    if (auto dump = ParseDump(frame)) {
                        DeviceImage image;
                        ResetToStartupValues(image);
                        ApplyReport(*DispatchFrame(frame), image);
                        answered[d->from.address] = image;
                    }
                });
            }
        }
    }
    ASSERT_EQ(answered.size(), static_cast<std::size_t>(kRooms - 1));
    for (int i = 0; i < kRooms; ++i) {
        const auto it = answered.find(first.address + static_cast<std::uint32_t>(i));
        if (i == kSilent) {
            EXPECT_EQ(it, answered.end());
            EXPECT_EQ(venue.device(i).framesReceived('Z'), 1);
            continue;
        }
        ASSERT_NE(it, answered.end()) << "room " << i;
        EXPECT_EQ(it->second.inputs[0].peq[0].freq, 100 + 7 * i) << "room " << i;
    }

    venue.stop();
    EXPECT_FALSE(venue.running());
    EXPECT_FALSE(venue.device(0).running());
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
}

// A socket that allows no sharing of its address and port; 0 when the bind fails.
class ExclusiveSocket {
public:
    explicit ExclusiveSocket(const Endpoint& at) {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(at.address);
        sa.sin_port = htons(at.port);
        socklen_t len = sizeof sa;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
            m_port = ntohs(sa.sin_port);
    }
    ~ExclusiveSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ExclusiveSocket(const ExclusiveSocket&) = delete;
    ExclusiveSocket& operator=(const ExclusiveSocket&) = delete;
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

TEST(VirtualVenue, ARoomThatCannotBindLeavesNothingOpenOrRunning) {
    // The second room's address and port are held by someone else.
    const ExclusiveSocket blocker(Endpoint::fromOctets(127, 0, 3, 250, 0));
    ASSERT_NE(blocker.port(), 0);
    VirtualVenue venue(3);
    std::string error;
    EXPECT_FALSE(venue.start(Endpoint::fromOctets(127, 0, 3, 249, blocker.port()), &error));
    EXPECT_NE(error.find("127.0.3.250"), std::string::npos) << error;
    EXPECT_FALSE(venue.running());
    EXPECT_FALSE(venue.device(0).running());
    // The first room's socket, opened before the failure, has been closed again.
    const ExclusiveSocket afterwards(Endpoint::fromOctets(127, 0, 3, 249, blocker.port()));
    EXPECT_EQ(afterwards.port(), blocker.port());
}

} // namespace
} // namespace krm::sim
