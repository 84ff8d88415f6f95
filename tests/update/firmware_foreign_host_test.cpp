// A firmware transfer over the program's update socket to the virtual device while
// strangers answer in the device's place, ahead of it: their "%S", "%Y" and "%U" are never
// taken for the device's, so every transfer ends as it would with the device alone.
#include "update/firmware_transfer.h"
#include "update/update_channel.h"

#include "link/frame.h"
#include "sim/virtual_device.h"
#include "tests/support/paced_fake_clock.h"
#include "tests/update/recording_reporter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace krm {
namespace {

// Two strangers, one on another address with the device's port and one on the device's
// address with another port. Once the device has the start frame they answer "%S"; once
// it has block k, "%Y" for k; once it has every block, a "%U" with their own status. Each
// answer is repeated every 2 ms, up to 40 times, so it is there before the device's.
class Impostors {
public:
    Impostors(const sim::VirtualDevice& device, Endpoint program, int blocks, int status)
        : m_device(device), m_program(program), m_blocks(blocks), m_status(status) {}
    ~Impostors() { stop(); }

    bool start() {
        const Endpoint at = m_device.endpoint();
        if (!m_otherHost.open(Endpoint{Endpoint::parse("127.0.0.42", 0)->address, at.port}) ||
            !m_otherPort.open(Endpoint{at.address, 0}))
            return false;
        m_thread = std::thread([this] { run(); });
        return true;
    }
    void stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    int sent() const { return m_sent.load(); }

private:
    std::string answer() const {
        const int blocks = m_device.framesReceived('T');
        if (blocks >= m_blocks)
            return CommandFrame('U').byte(1).text(HexField(m_status, 2)).text("1").finish();
        if (blocks > 0)
            return CommandFrame('Y').byte(1).text(std::to_string(blocks - 1)).finish();
        if (m_device.framesReceived('S') > 0)
            return CommandFrame('S').byte(1).byte(0).finish();
        return {};
    }
    void run() {
        std::string last;
        int repeats = 0;
        while (!m_stop.load()) {
            const std::string a = answer();
            repeats = a == last ? repeats + 1 : 0;
            last = a;
            if (!a.empty() && repeats < 40) {
                m_sent += m_otherHost.sendTo(m_program, a) ? 1 : 0;
                m_sent += m_otherPort.sendTo(m_program, a) ? 1 : 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    const sim::VirtualDevice& m_device;
    const Endpoint m_program;
    const int m_blocks;
    const int m_status;
    UdpSocket m_otherHost;
    UdpSocket m_otherPort;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_sent{0};
};

TEST(FirmwareTransferOverUdp, AnswersOfOtherHostsOrPortsAreNeverTakenForTheDevices) {
    struct Case {
        const char* what;
        sim::FaultKnobs device;
        int impostorStatus;
        bool succeeds;
        std::string error; // the start of lastError().en
        int blocksTaken;   // block frames the device received
    };
    sim::FaultKnobs noStart;
    noStart.noStartAck = true;
    sim::FaultKnobs noBlock1;
    noBlock1.blockAckMissingAt = 1;
    sim::FaultKnobs failing;
    failing.completionStatus = 3;
    const Case cases[] = {
        {"device silent on the start", noStart, 0, false,
         "The device did not acknowledge the start", 0},
        {"device silent on block 1", noBlock1, 0, false, "Block 1 was not acknowledged", 2},
        {"device reports status 03", failing, 0, false, "%U,01,03,", 2},
        {"device reports success", {}, 1, true, "", 2},
    };
    std::vector<std::uint8_t> file(1500);
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<std::uint8_t>(i * 7 + i / 256);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::VirtualDevice device;
        ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.41", 0)));
        device.setKnobs(c.device);
        device.setCompletionDelay(Millis{150});
        UdpUpdateChannel channel;
        ASSERT_TRUE(channel.open(device.endpoint(), 0));
        Impostors impostors(device,
                            Endpoint{Endpoint::parse("127.0.0.1", 0)->address, channel.boundPort()},
                            2, c.impostorStatus);
        ASSERT_TRUE(impostors.start());

        test::FakeClock fake;
        test::PacedFakeClock clock(fake);
        test::RecordingReporter reporter;
        const std::atomic<bool> stop{false};
        FirmwareTransfer transfer(channel, clock, reporter, stop);
        const bool ok = transfer.runBytes(file, 1);
        impostors.stop();

        EXPECT_EQ(ok, c.succeeds) << transfer.lastError().en;
        EXPECT_EQ(transfer.lastError().en.rfind(c.error, 0), 0u) << transfer.lastError().en;
        EXPECT_EQ(device.framesReceived('T'), c.blocksTaken);
        EXPECT_GT(impostors.sent(), 0);
        EXPECT_GT(channel.foreignDatagrams(), 0u);
        if (c.succeeds) {
            ASSERT_EQ(device.firmwareTransfers().size(), 1u);
            EXPECT_EQ(device.firmwareTransfers()[0].data, file);
        }
    }
}

} // namespace
} // namespace krm
