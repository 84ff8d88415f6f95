#include "sim/virtual_device.h"

#include "link/clock.h"
#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "model/parsers.h"
#include "tests/sim/firmware_transfer_fixture.h"
#include "tests/sim/image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace krm::sim {
namespace {

// Long enough never to be reached on a working machine; the waits end on arrival.
constexpr Millis kPatience{3000};

// A raw program-side client on 127.0.0.1: a socket and a splitter.
class Client {
public:
    explicit Client(const Endpoint& device) : m_device(device) {
        EXPECT_TRUE(m_socket.open(Endpoint::fromOctets(127, 0, 0, 1, 0)));
    }
    bool send(const std::string& frame) { return m_socket.sendTo(m_device, frame); }

    // Collects good frames until `done` says so or patience runs out.
    std::vector<std::string>
    frames(const std::function<bool(const std::vector<std::string>&)>& done) {
        std::vector<std::string> got;
        const Millis deadline = systemClock().now() + kPatience;
        while (!done(got)) {
            const Millis left = deadline - systemClock().now();
            if (left.count() <= 0 || !m_socket.waitReadable(static_cast<int>(left.count())))
                break;
            while (auto d = m_socket.receive()) {
                ++datagrams;
                m_splitter.split(d->data, [&](std::string_view f) { got.emplace_back(f); });
            }
        }
        return got;
    }
    std::vector<std::string> framesUntilLetter(char letter) {
        return frames(
            [letter](const auto& got) { return !got.empty() && got.back()[1] == letter; });
    }

    int datagrams = 0;

private:
    UdpSocket m_socket;
    FrameSplitter m_splitter;
    Endpoint m_device;
};

// Waits until the device has taken in `count` frames of a letter.
bool waitReceived(const VirtualDevice& device, char letter, int count) {
    const Millis deadline = systemClock().now() + kPatience;
    while (device.framesReceived(letter) < count) {
        if (systemClock().now() > deadline)
            return false;
        std::this_thread::sleep_for(Millis(1));
    }
    return true;
}

class VirtualDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(device.start(Endpoint::fromOctets(127, 0, 0, 2, 0), &error)) << error;
        ASSERT_NE(device.endpoint().port, 0);
        client = std::make_unique<Client>(device.endpoint());
    }
    DeviceImage parsed(const std::vector<std::string>& frames) {
        DeviceImage image;
        ResetToStartupValues(image);
        for (const auto& f : frames)
            if (auto r = DispatchFrame(f))
                ApplyReport(*r, image);
        return image;
    }

    VirtualDevice device;
    std::unique_ptr<Client> client;
};

TEST_F(VirtualDeviceTest, HelloOverUdpGivesADumpEqualToTheDevicesImage) {
    ASSERT_TRUE(client->send(BuildZ()));
    const auto frames = client->framesUntilLetter('P');
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][1], 'Z');
    EXPECT_EQ(frames[1][1], 'Y');
    ASSERT_TRUE(ParseDump(frames[0]));
    const DeviceImage image = parsed(frames);
    test::ExpectDumpFieldsEqual(device.image(), image);
    test::ExpectIdentFieldsEqual(device.image(), image);
    EXPECT_EQ(image.inputs[1].name.view(), "Podium");
    EXPECT_EQ(device.framesReceived('Z'), 1);
}

TEST_F(VirtualDeviceTest, ParameterFrameChangesTheNextDump) {
    DeviceImage edited = device.image();
    edited.inputs[6].comp = Dynamics{1, 12, 34, 56, 78, 90};
    edited.inputs[9].phantom = 1;
    ASSERT_TRUE(client->send(BuildC(edited, 7)));
    ASSERT_TRUE(client->send(BuildO(edited, 10)));
    ASSERT_TRUE(client->send(BuildZ()));
    const DeviceImage image = parsed(client->framesUntilLetter('P'));
    EXPECT_EQ(image.inputs[6].comp.enable, 1);
    EXPECT_EQ(image.inputs[6].comp.threshold, 12);
    EXPECT_EQ(image.inputs[6].comp.ratio, 90);
    EXPECT_EQ(image.inputs[9].phantom, 1);
    test::ExpectDumpFieldsEqual(edited, image);
    EXPECT_EQ(device.image().inputs[6].comp.release, 56);
}

TEST_F(VirtualDeviceTest, StatusReportsStartOnQOneAndStopOnQZero) {
    ASSERT_TRUE(client->send(BuildQ(1)));
    const auto reports = client->frames([](const auto& got) { return got.size() >= 3; });
    ASSERT_EQ(reports.size(), 3u) << "three reports at 10 Hz";
    for (const auto& r : reports)
        EXPECT_TRUE(ParseStatus(r)) << r;
    EXPECT_TRUE(device.statusReportsOn());

    ASSERT_TRUE(client->send(BuildQ(0)));
    ASSERT_TRUE(waitReceived(device, 'Q', 2));
    EXPECT_FALSE(device.statusReportsOn());
    const int built = device.framesBuilt('Q');
    // Reports built before the stop may still be on their way; after them comes the
    // answer to a request sent now, and no report follows the stop.
    ASSERT_TRUE(client->send(CommandFrame('r').byte(1).byte(0).finish()));
    const auto after = client->framesUntilLetter('r');
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(reports.size() + after.size() - 1, static_cast<std::size_t>(built))
        << "every report the client saw was built before the stop";
    EXPECT_EQ(device.framesBuilt('Q'), built);
}

TEST_F(VirtualDeviceTest, SilentDeviceLetsTheHelloGoUnanswered) {
    device.setSilent(true);
    ASSERT_TRUE(client->send(BuildZ()));
    ASSERT_TRUE(waitReceived(device, 'Z', 1)) << "the device did take the hello in";
    device.setSilent(false);
    ASSERT_TRUE(client->send("%R,01,01,A0A1#"));
    const auto frames = client->framesUntilLetter('R');
    ASSERT_EQ(frames.size(), 1u) << "the first answer is the search reply: no dump came";
    EXPECT_EQ(client->datagrams, 1);
}

TEST_F(VirtualDeviceTest, CorruptChecksumsAreRejectedByTheSplitter) {
    device.setCorruptShare(1.0);
    ASSERT_TRUE(client->send(BuildZ()));
    ASSERT_TRUE(waitReceived(device, 'Z', 1));
    device.setCorruptShare(0.0);
    ASSERT_TRUE(client->send("%R,01,01,A0A1#"));
    const auto frames = client->framesUntilLetter('R');
    EXPECT_EQ(frames.size(), 1u) << "dump, identification and levels all failed the check";
    EXPECT_GE(client->datagrams, 5) << "yet they did arrive";
}

TEST_F(VirtualDeviceTest, SplitFramesArriveWholeAndRepliesFollowEachSender) {
    device.setSplitFrames(true);
    Client second(device.endpoint());
    ASSERT_TRUE(client->send(BuildZ()));
    ASSERT_TRUE(second.send("%R,01,01,A0A1#"));
    const auto frames = client->framesUntilLetter('P');
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(ParseDump(frames[0]));
    EXPECT_GT(client->datagrams, 6) << "every frame came in pieces";
    const auto search = second.framesUntilLetter('R');
    EXPECT_EQ(search.size(), 1u) << "the second client gets only its own answer";
}

TEST(VirtualDevice, StopsAndStartsAgainOnTheSamePort) {
    VirtualDevice device;
    ASSERT_TRUE(device.start(Endpoint::fromOctets(127, 0, 0, 3, 0)));
    const Endpoint bound = device.endpoint();
    EXPECT_FALSE(device.start(bound)) << "already running";
    device.stop();
    EXPECT_FALSE(device.running());
    ASSERT_TRUE(device.start(bound));
    Client client(bound);
    ASSERT_TRUE(client.send("%R,01,01,A0A1#"));
    EXPECT_EQ(client.framesUntilLetter('R').size(), 1u);
}

// The program's update socket is bound to any address on the device's own port; the
// device on 127.0.0.2 shares the port number. Hello, version query and a whole transfer
// go over that pair, every answer back to the port the request came from.
TEST(VirtualDeviceFirmware, TakesAFileFromAProgramBoundToTheDevicePort) {
    VirtualDevice device;
    device.setCompletionDelay(Millis(40));
    std::string error;
    ASSERT_TRUE(device.start(Endpoint::fromOctets(127, 0, 0, 2, 0), &error)) << error;
    const Endpoint deviceAt = device.endpoint();
    UdpSocket program;
    ASSERT_TRUE(program.open(Endpoint::fromOctets(0, 0, 0, 0, deviceAt.port), &error)) << error;

    FrameSplitter splitter;
    std::vector<std::string> got;
    // Frames until one of `letter` has come (or patience runs out); returns that one.
    auto await = [&](char letter) -> std::string {
        const Millis deadline = systemClock().now() + kPatience;
        for (;;) {
            for (const auto& f : got)
                if (f[1] == letter)
                    return f;
            const Millis left = deadline - systemClock().now();
            if (left.count() <= 0 || !program.waitReadable(static_cast<int>(left.count())))
                return "";
            while (auto d = program.receive()) {
                EXPECT_EQ(d->from, deviceAt);
                splitter.split(DatagramText(d->data),
                               [&](std::string_view f) { got.emplace_back(f); });
            }
        }
    };
    auto sendAll = [&](const std::string& frame) {
        for (const std::string& d : test::Datagrams256(frame))
            ASSERT_TRUE(program.sendTo(deviceAt, d));
    };

    // Identification: the dump, then "Y"; the hardware version is the dump's last field.
    ASSERT_TRUE(program.sendTo(deviceAt, BuildZ()));
    const std::string dump = await('Z');
    ASSERT_FALSE(dump.empty()) << "the hello was answered to the shared port";
    const auto report = ParseDump(dump);
    ASSERT_TRUE(report && report->deviceText);
    EXPECT_EQ(report->deviceText->substr(report->deviceText->size() - 2), "31");
    EXPECT_FALSE(await('Y').empty());

    const std::string versionQuery = CommandFrame('r').byte(1).byte(0).finish();
    for (const char* version : {"300", "299"}) {
        device.setBasicVersion(version);
        got.clear();
        ASSERT_TRUE(program.sendTo(deviceAt, versionQuery));
        EXPECT_EQ(await('r'), CommandFrame('r').byte(1).text(version).finish());
    }

    const auto file = test::FirmwareFile(1800);
    const auto blocks = test::FileBlocks(file, test::FileChecksum(file));
    got.clear();
    sendAll(test::StartFrame(1, file.size(), 2));
    EXPECT_EQ(await('S'), "%S,01,00,FC61#");
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        got.clear();
        sendAll(test::BlockFrame(1, i, blocks[i]));
        EXPECT_EQ(await('Y'), CommandFrame('Y').byte(1).byte(static_cast<int>(i)).finish());
    }
    got.erase(std::remove_if(got.begin(), got.end(), [](const auto& f) { return f[1] == 'Y'; }),
              got.end());
    EXPECT_EQ(await('U'), "%U,01,00,1,83DD#");
    const auto records = device.firmwareTransfers();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(records[0].data == file);
    EXPECT_EQ(records[0].status, 0);
    EXPECT_EQ(device.firmwareTransfersInProgress(), 0);
}

} // namespace
} // namespace krm::sim
