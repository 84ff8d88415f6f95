#include "update/firmware_transfer.h"

#include "link/frame.h"
#include "tests/update/fake_update_channel.h"
#include "tests/update/firmware_folder.h"
#include "tests/update/recording_reporter.h"
#include "tests/update/scripted_device.h"

#include <gtest/gtest.h>

#include <functional>

namespace krm {
namespace {

using test::FakeClock;
using test::FakeUpdateChannel;
using test::RecordingReporter;
using test::ScriptedDevice;

struct Rig {
    FakeClock clock;
    FakeUpdateChannel channel{clock};
    ScriptedDevice device{channel};
    RecordingReporter reporter;
    std::atomic<bool> stop{false};
    FirmwareTransfer transfer{channel, clock, reporter, stop};
    test::FirmwareFolder folder;

    bool send(const std::vector<std::uint8_t>& file, int kind = 1) {
        return transfer.run(folder.write("fw.bin", file), kind);
    }
};

std::vector<std::uint8_t> WithChecksum(std::vector<std::uint8_t> file) {
    const std::uint16_t crc =
        FrameChecksum(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    file.push_back(static_cast<std::uint8_t>(crc >> 8));
    file.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    return file;
}

TEST(FirmwareTransfer, SendsEveryBlockOnceWithTheChecksumAfterTheData) {
    struct Case {
        std::size_t length;
        const char* start;
        std::vector<int> indexes;
        std::vector<std::string> reports;
    };
    const Case cases[] = {
        {2560,
         "%S,01,1,03,00A00,",
         {0, 1, 2},
         {"range 3", "progress 1", "progress 2", "progress 3"}},
        // The checksum-only block 2 is sent and acknowledged, but never moves the bar.
        {2048, "%S,01,1,02,00800,", {0, 1, 2}, {"range 2", "progress 1", "progress 2"}},
        {700, "%S,01,1,01,002BC,", {0}, {"range 1", "progress 1"}},
        {1023, "%S,01,1,01,003FF,", {0, 1}, {"range 1", "progress 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        Rig rig;
        const std::vector<std::uint8_t> file = test::FirmwareBytes(c.length, 3);
        ASSERT_TRUE(rig.send(file));
        EXPECT_TRUE(rig.transfer.lastError().empty());

        ASSERT_EQ(rig.device.transfers.size(), 1u);
        const ScriptedDevice::Transfer& t = rig.device.transfers[0];
        EXPECT_EQ(t.startFrame.substr(0, t.startFrame.size() - 5), c.start);
        EXPECT_EQ(t.indexes, c.indexes);
        // The device's bytes: the file, its checksum high byte first, zeros to the block end.
        std::vector<std::uint8_t> expected = WithChecksum(file);
        expected.resize(c.indexes.size() * 1024, 0);
        EXPECT_EQ(t.bytes, expected);
        EXPECT_EQ(rig.reporter.calls, c.reports);

        // One start datagram, then nine full 256-byte datagrams per block.
        ASSERT_EQ(rig.channel.sent.size(), 1 + 9 * c.indexes.size());
        for (std::size_t i = 1; i < rig.channel.sent.size(); ++i)
            EXPECT_EQ(rig.channel.sent[i].data.size(), 256u);
    }
}

// The fake clock moves only by the transfer's own pauses, so the time a small transfer takes
// is exactly the sum of the pauses it is built from.
TEST(FirmwareTransfer, TakesExactlyThePrescribedPauses) {
    Rig rig;
    const Millis before = rig.clock.now();
    ASSERT_TRUE(rig.send(test::FirmwareBytes(700)));
    const long long start = 10         // after the start frame
                            + 20       // after its acknowledgement
                            + 99 * 50; // 100 empty polls, 50 ms apart
    const long long block = 9 * 20     // after each of the 9 datagrams
                            + 50       // after the last
                            + 20;      // after the acknowledgement, then one empty read
    // The device reports 160 ms after the last datagram: the wait starts 100 ms after it.
    const long long completion = 10 + 2 * 30 // two empty polls of the wait
                                 + 20        // after the report
                                 + 49 * 50;  // 50 empty polls, 50 ms apart
    EXPECT_EQ((rig.clock.now() - before).count(), start + block + completion);

    // Something left on the socket is read away first, 200 ms apart, and is not taken for
    // the acknowledgement of the new start.
    Rig stale;
    stale.device.startAck.clear();
    stale.channel.reply("%S,01,F09F#");
    const Millis t0 = stale.clock.now();
    EXPECT_FALSE(stale.send(test::FirmwareBytes(700)));
    EXPECT_EQ((stale.clock.now() - t0).count(), 200 + 10 + 800 * 10);
    EXPECT_EQ(stale.channel.sent.size(), 1u);
}

TEST(FirmwareTransfer, CompletionStatusDecidesAndANonZeroStatusIsShownAsSent) {
    Rig ok;
    ok.device.completionStatus = 0;
    EXPECT_TRUE(ok.send(test::FirmwareBytes(2560)));
    EXPECT_TRUE(ok.reporter.messages.empty());

    Rig refused;
    refused.device.completionStatus = 3;
    EXPECT_FALSE(refused.send(test::FirmwareBytes(2560)));
    ASSERT_EQ(refused.reporter.messages.size(), 1u);
    EXPECT_EQ(refused.reporter.messages[0].en, "%U,01,03,26E1#");
    EXPECT_EQ(refused.reporter.messages[0].zh, "%U,01,03,26E1#");
    EXPECT_EQ(refused.transfer.lastError().en, "%U,01,03,26E1#");
    // The whole file went out before the device judged it.
    EXPECT_EQ(refused.device.transfers[0].indexes.size(), 3u);
}

// No acknowledgement ends the transfer at once: nothing is sent again, and the wait is the
// prescribed one.
TEST(FirmwareTransfer, FailsWithoutRetryWhenTheDeviceDoesNotAnswer) {
    struct Case {
        const char* what;
        std::size_t length;
        std::function<void(ScriptedDevice&)> script;
        std::size_t datagrams;
        long long waitAfterLastDatagram;
        const char* reason;
    };
    const Case cases[] = {
        {"start unanswered", 700, [](ScriptedDevice& d) { d.startAck.clear(); }, 1, 10 + 800 * 10,
         "did not acknowledge the start"},
        {"start answered without %S", 700, [](ScriptedDevice& d) { d.startAck = "%Y,01,00,83E1#"; },
         1, 10 + 20 + 99 * 50, "did not acknowledge the start"},
        {"block 1 unanswered", 2560, [](ScriptedDevice& d) { d.ackedBlocks = 1; }, 1 + 9 + 9,
         20 + 50 + 200 * 10, "Block 1 was not acknowledged"},
        {"no completion report", 700, [](ScriptedDevice& d) { d.sendCompletion = false; }, 1 + 9,
         20 + 50 + 20 + 10 + 800 * 30, "did not report the end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        c.script(rig.device);
        EXPECT_FALSE(rig.send(test::FirmwareBytes(c.length)));
        EXPECT_EQ(rig.channel.sent.size(), c.datagrams);
        EXPECT_EQ((rig.clock.now() - rig.channel.sent.back().at).count(), c.waitAfterLastDatagram);
        EXPECT_NE(rig.transfer.lastError().en.find(c.reason), std::string::npos)
            << rig.transfer.lastError().en;
        EXPECT_FALSE(rig.transfer.lastError().zh.empty());
        EXPECT_TRUE(rig.reporter.messages.empty()); // the caller says "update fail"
    }
}

TEST(FirmwareTransfer, RefusesFilesTheStartFrameCannotAnnounceBeforeSendingAnything) {
    struct Case {
        const char* what;
        std::size_t length; // SIZE_MAX: no file at all
        const char* reason;
    };
    const Case cases[] = {
        {"empty", 0, "is empty"},
        {"one byte too long", 0x100000, "longer than 1048575 bytes"},
        {"missing", SIZE_MAX, "Cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        const std::filesystem::path file =
            c.length == SIZE_MAX ? rig.folder.path() / "absent.bin"
                                 : rig.folder.write("fw.bin", test::FirmwareBytes(c.length));
        EXPECT_FALSE(rig.transfer.run(file, 1));
        EXPECT_TRUE(rig.channel.sent.empty());
        EXPECT_EQ(rig.channel.reads, 0);
        EXPECT_TRUE(rig.reporter.calls.empty());
        const Message& why = rig.transfer.lastError();
        EXPECT_NE(why.en.find(c.reason), std::string::npos) << why.en;
        EXPECT_NE(why.en.find(file.string()), std::string::npos) << why.en;
        EXPECT_NE(why.zh.find(file.string()), std::string::npos) << why.zh;
    }
    // A file already in memory is held to the same limits.
    for (std::size_t length : {std::size_t{0}, std::size_t{0x100000}}) {
        Rig rig;
        EXPECT_FALSE(rig.transfer.runBytes(test::FirmwareBytes(length), 1)) << length;
        EXPECT_TRUE(rig.channel.sent.empty());
        EXPECT_FALSE(rig.transfer.lastError().empty());
    }
    // The longest file the length field can hold is sent; its last piece is 1,023 bytes, so
    // the checksum's low byte opens block 1024, written "400".
    Rig longest;
    EXPECT_TRUE(longest.send(test::FirmwareBytes(0xFFFFF)));
    EXPECT_EQ(longest.device.transfers[0].indexes.size(), 1025u);
    EXPECT_EQ(longest.device.frames.back().substr(0, 12), "%T,01,1,400,");
}

TEST(FirmwareTransfer, AStopEndsTheRunWithinOnePauseAndSaysNothing) {
    struct Case {
        const char* what;
        std::function<void(ScriptedDevice&)> script;
        std::function<bool(const Rig&)> stopWhen; // looked at on every read
    };
    const Case cases[] = {
        {"while waiting for the start's acknowledgement",
         [](ScriptedDevice& d) { d.startAck.clear(); },
         [](const Rig& r) { return r.channel.reads >= 300; }},
        {"while waiting for the completion report",
         [](ScriptedDevice& d) { d.sendCompletion = false; },
         [](const Rig& r) {
             return r.channel.sent.size() == 10 &&
                    r.clock.now() - r.channel.sent.back().at >= Millis{1000};
         }},
        {"while collecting the start's acknowledgement", [](ScriptedDevice&) {},
         [](const Rig& r) { return r.channel.reads == 30; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        c.script(rig.device);
        Millis stoppedAt{-1};
        rig.channel.onRead = [&](int) {
            if (!rig.stop && c.stopWhen(rig)) {
                rig.stop = true;
                stoppedAt = rig.clock.now();
            }
        };
        EXPECT_FALSE(rig.send(test::FirmwareBytes(700)));
        ASSERT_GE(stoppedAt.count(), 0);
        EXPECT_LE((rig.clock.now() - stoppedAt).count(), 50);
        EXPECT_TRUE(rig.transfer.stopped());
        EXPECT_TRUE(rig.transfer.lastError().empty());
        EXPECT_TRUE(rig.reporter.messages.empty());
    }
}

} // namespace
} // namespace krm
