// The device's side of a firmware transfer, driven through DeviceCore with made-up times.
#include "sim/device_core.h"

#include "link/frame.h"
#include "sim/demo_image.h"
#include "tests/sim/firmware_transfer_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace krm::sim {
namespace {

using krm::test::AnnouncedBlocks;
using krm::test::BlockFrame;
using krm::test::Datagrams256;
using krm::test::FileBlocks;
using krm::test::FileChecksum;
using krm::test::FirmwareFile;
using krm::test::StartFrame;

const Endpoint kProgram = Endpoint::fromOctets(127, 0, 0, 1, 39050);
constexpr Millis kDelay{300};

// The good frames among the datagrams, as the program's splitter would see them.
std::vector<std::string> framesOf(const std::vector<Outgoing>& out) {
    std::vector<std::string> frames;
    FrameSplitter splitter;
    for (const Outgoing& o : out) {
        EXPECT_EQ(o.to, kProgram);
        splitter.split(o.data, [&](std::string_view f) { frames.emplace_back(f); });
    }
    return frames;
}

// A program-side sender over one core: every frame in 256-byte NUL-padded datagrams, the
// clock moving 10 ms per frame.
struct Sender {
    DeviceCore& core;
    Millis now{0};

    std::vector<std::string> send(const std::string& frame) {
        std::vector<Outgoing> out;
        for (const std::string& d : Datagrams256(frame)) {
            auto part = core.receive(d, kProgram, now);
            out.insert(out.end(), part.begin(), part.end());
        }
        now += Millis(10);
        return framesOf(out);
    }
    std::vector<std::string> tick(Millis at) { return framesOf(core.tick(at)); }
};

DeviceCore makeCore() {
    DeviceOptions options;
    options.completionDelay = kDelay;
    return DeviceCore(options, DemoDeviceImage());
}

// Two decimal digits at characters 7 and 8 of the report ("%" being character 1).
std::string statusDigits(const std::string& report) {
    return report.size() >= 8 ? report.substr(6, 2) : "";
}

TEST(FirmwareReceiver, StartFramesAreTheProgramsByteForByte) {
    EXPECT_EQ(StartFrame(1, 2560, 3), "%S,01,1,03,00A00,A44C#");
    EXPECT_EQ(StartFrame(1, 42995, 42), "%S,01,1,2A,0A7F3,5054#");
    EXPECT_EQ(StartFrame(0, 2048, 2), "%S,01,0,02,00800,C890#");
    const auto block = BlockFrame(1, 0, std::vector<std::uint8_t>(1024, 0xAB));
    EXPECT_EQ(block.size(), 2065u);
    EXPECT_EQ(Datagrams256(block).size(), 9u);
    EXPECT_EQ(BlockFrame(1, 256, std::vector<std::uint8_t>(1024, 0)).size(), 2066u);
}

struct FileCase {
    std::size_t length;
    int kind;
    std::size_t blocksSent; // data plus the checksum's two bytes, in 1,024-byte blocks
};

TEST(FirmwareReceiver, FilesAreReassembledByteForByteAndReportedOnlyAfterTheDelay) {
    for (const FileCase c :
         {FileCase{2560, 1, 3}, FileCase{1023, 0, 2}, FileCase{2048, 1, 3}, FileCase{700, 0, 1},
          FileCase{1022, 1, 1}, FileCase{256 * 1024 + 10, 0, 257}}) {
        SCOPED_TRACE(c.length);
        DeviceCore core = makeCore();
        Sender program{core};
        const auto file = FirmwareFile(c.length);
        const std::uint16_t crc = FileChecksum(file);
        const auto blocks = FileBlocks(file, crc);
        ASSERT_EQ(blocks.size(), c.blocksSent);

        const auto startAck = program.send(StartFrame(c.kind, c.length, AnnouncedBlocks(c.length)));
        ASSERT_EQ(startAck, std::vector<std::string>{"%S,01,00,FC61#"});
        EXPECT_EQ(core.firmware().inProgress(), 1);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const auto ack = program.send(BlockFrame(c.kind, i, blocks[i]));
            ASSERT_EQ(ack.size(), 1u) << "block " << i;
            EXPECT_EQ(ack[0],
                      CommandFrame('Y').byte(1).text(HexField(static_cast<int>(i), 2)).finish());
            EXPECT_TRUE(program.tick(program.now).empty()) << "no report with a block's ack";
        }
        const Millis last = program.now - Millis(10);
        EXPECT_EQ(core.nextDue(), last + kDelay);
        EXPECT_TRUE(program.tick(last + kDelay - Millis(1)).empty());
        EXPECT_EQ(core.firmware().inProgress(), 1);

        const auto report = program.tick(last + kDelay);
        ASSERT_EQ(report.size(), 1u);
        EXPECT_EQ(report[0].substr(0, 8), "%U,01,00");
        EXPECT_EQ(report[0],
                  CommandFrame('U').byte(1).text("00").text(std::to_string(c.kind)).finish());
        EXPECT_EQ(core.firmware().inProgress(), 0);
        EXPECT_FALSE(core.nextDue());
        EXPECT_TRUE(program.tick(last + 10 * kDelay).empty()) << "one report per transfer";

        ASSERT_EQ(core.firmware().finished().size(), 1u);
        const FirmwareRecord& record = core.firmware().finished()[0];
        EXPECT_EQ(record.kind, c.kind);
        EXPECT_EQ(record.length, c.length);
        EXPECT_EQ(record.blocks, AnnouncedBlocks(c.length));
        EXPECT_TRUE(record.data == file) << "the data bytes, and nothing of the checksum";
        EXPECT_EQ(record.computedChecksum, crc);
        EXPECT_EQ(record.carriedChecksum, crc);
        EXPECT_EQ(record.status, 0);
    }
}

// Sends a whole file with the given carried checksum; returns every frame the device sent,
// the completion report (if any) last.
std::vector<std::string> sendFile(DeviceCore& core, int kind, const std::vector<std::uint8_t>& file,
                                  std::uint16_t carried) {
    Sender program{core};
    auto frames = program.send(StartFrame(kind, file.size(), AnnouncedBlocks(file.size())));
    const auto blocks = FileBlocks(file, carried);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        for (auto& f : program.send(BlockFrame(kind, i, blocks[i])))
            frames.push_back(std::move(f));
    for (auto& f : program.tick(program.now + kDelay))
        frames.push_back(std::move(f));
    return frames;
}

std::string lettersOf(const std::vector<std::string>& frames) {
    std::string s;
    for (const auto& f : frames)
        s += f[1];
    return s;
}

TEST(FirmwareReceiver, WrongCarriedChecksumOrEmptyFileReportsStatus01) {
    DeviceCore core = makeCore();
    const auto file = FirmwareFile(1500);
    const std::uint16_t crc = FileChecksum(file);
    const auto frames = sendFile(core, 1, file, static_cast<std::uint16_t>(crc ^ 0x0100));
    ASSERT_EQ(lettersOf(frames), "SYYU");
    EXPECT_EQ(frames.back(), "%U,01,01,1,7FDC#");
    const FirmwareRecord& record = core.firmware().finished().back();
    EXPECT_EQ(record.computedChecksum, crc);
    EXPECT_EQ(record.carriedChecksum, crc ^ 0x0100);
    EXPECT_EQ(record.status, 1);
    EXPECT_TRUE(record.data == file);

    // An empty file: start, no block, and a report that it was not taken.
    const auto empty = sendFile(core, 0, {}, 0);
    ASSERT_EQ(lettersOf(empty), "SU");
    EXPECT_EQ(statusDigits(empty.back()), "01");
    EXPECT_EQ(core.firmware().finished().size(), 2u);
}

TEST(FirmwareReceiver, FaultKnobsTakeAwayAnswersOrBendTheReport) {
    struct Case {
        const char* name;
        std::function<void(FaultKnobs&)> set;
        const char* letters; // the device's frames for a three-block file
        const char* status;
        bool checksumsAgree;
    };
    for (const Case& c : std::vector<Case>{
             {"honest", [](FaultKnobs&) {}, "SYYYU", "00", true},
             {"noStartAck", [](FaultKnobs& k) { k.noStartAck = true; }, "YYYU", "00", true},
             {"blockAckMissingAt 1", [](FaultKnobs& k) { k.blockAckMissingAt = 1; }, "SYYU", "00",
              true},
             {"blockAckMissingAt 2 (the last)", [](FaultKnobs& k) { k.blockAckMissingAt = 2; },
              "SYYU", "00", true},
             {"completionStatus 3", [](FaultKnobs& k) { k.completionStatus = 3; }, "SYYYU", "03",
              true},
             {"checksumMismatch", [](FaultKnobs& k) { k.checksumMismatch = true; }, "SYYYU", "01",
              false},
         }) {
        SCOPED_TRACE(c.name);
        DeviceCore core = makeCore();
        c.set(core.knobs());
        const auto file = FirmwareFile(2100);
        const auto frames = sendFile(core, 1, file, FileChecksum(file));
        EXPECT_EQ(lettersOf(frames), c.letters);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(statusDigits(frames.back()), c.status);
        ASSERT_EQ(core.firmware().finished().size(), 1u) << "the device took the file in";
        const FirmwareRecord& record = core.firmware().finished()[0];
        EXPECT_TRUE(record.data == file);
        EXPECT_EQ(record.computedChecksum == record.carriedChecksum, c.checksumsAgree);
        EXPECT_EQ(record.status, std::stoi(c.status));
    }

    // Where the missing acknowledgement is the one of block 1, block 0's is still there.
    DeviceCore core = makeCore();
    core.knobs().blockAckMissingAt = 1;
    const auto file = FirmwareFile(2100);
    const auto frames = sendFile(core, 1, file, FileChecksum(file));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[1], "%Y,01,00,83E1#");
    EXPECT_EQ(frames[2], CommandFrame('Y').byte(1).byte(2).finish());
}

TEST(FirmwareReceiver, DamagedStrayOrOutOfOrderFramesGetNoAnswer) {
    DeviceCore core = makeCore();
    Sender program{core};
    const auto file = FirmwareFile(3000);
    const auto blocks = FileBlocks(file, FileChecksum(file));
    ASSERT_EQ(blocks.size(), 3u);

    EXPECT_TRUE(program.send(BlockFrame(1, 0, blocks[0])).empty()) << "no transfer started";
    for (const std::string& start : {
             StartFrame(1, 3000, 2),                // count disagrees with length
             StartFrame(2, 3000, 3),                // no such kind
             StartFrame(1, 4096 * 1024, 4096),      // longer than any firmware
             std::string("%S,01,1,03,00BB8,0000#"), // bad frame checksum
         })
        EXPECT_TRUE(program.send(start).empty()) << start;
    EXPECT_EQ(core.firmware().inProgress(), 0);

    ASSERT_EQ(program.send(StartFrame(1, 3000, 3)).size(), 1u);
    std::string damaged = BlockFrame(1, 0, blocks[0]);
    damaged[20] = damaged[20] == '0' ? '1' : '0'; // one data digit off: the checksum fails
    EXPECT_TRUE(program.send(damaged).empty()) << "bad frame checksum";
    EXPECT_TRUE(program.send(BlockFrame(0, 0, blocks[0])).empty()) << "another kind";
    EXPECT_TRUE(program.send(BlockFrame(1, 1, blocks[1])).empty()) << "index skipped";
    EXPECT_TRUE(program.send(CommandFrame('U').byte(1).text("1").finish()).empty())
        << "the program's own end frame is not answered";

    // None of that moved the transfer: block 0 is still the one awaited.
    EXPECT_EQ(program.send(BlockFrame(1, 0, blocks[0])).size(), 1u);
    EXPECT_TRUE(program.send(BlockFrame(1, 0, blocks[0])).empty()) << "repeated block";
    EXPECT_EQ(program.send(BlockFrame(1, 1, blocks[1])).size(), 1u);
    EXPECT_EQ(program.send(BlockFrame(1, 2, blocks[2])).size(), 1u);
    EXPECT_TRUE(program.send(BlockFrame(1, 3, blocks[2])).empty()) << "beyond the file";
    const auto report = program.tick(program.now + kDelay);
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(statusDigits(report[0]), "00");
    EXPECT_TRUE(core.firmware().finished().back().data == file);
}

TEST(FirmwareReceiver, ANewStartDropsWhatTheDeviceHeldAndItsPendingReport) {
    DeviceCore core = makeCore();
    Sender program{core};
    const auto first = FirmwareFile(700, 1);
    program.send(StartFrame(0, 700, 1));
    program.send(BlockFrame(0, 0, FileBlocks(first, FileChecksum(first))[0]));
    ASSERT_TRUE(core.nextDue());

    const auto second = FirmwareFile(1200, 2);
    const auto frames = sendFile(core, 1, second, FileChecksum(second));
    EXPECT_EQ(lettersOf(frames), "SYYU") << "only the second transfer reports";
    ASSERT_EQ(core.firmware().finished().size(), 1u);
    EXPECT_TRUE(core.firmware().finished()[0].data == second);
}

TEST(FirmwareReceiver, BasicVersionCanBeChangedOnTheCore) {
    DeviceCore core = makeCore();
    const std::string query = CommandFrame('r').byte(1).byte(0).finish();
    core.setBasicVersion("299");
    auto frames = framesOf(core.receive(query, kProgram, Millis(0)));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], CommandFrame('r').byte(1).text("299").finish());
    core.setBasicVersion("300");
    frames = framesOf(core.receive(query, kProgram, Millis(0)));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].substr(0, 10), "%r,01,300,");
}

} // namespace
} // namespace krm::sim
