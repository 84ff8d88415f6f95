#include "update/firmware_frames.h"

#include "link/frame.h"
#include "tests/update/firmware_folder.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

TEST(FirmwareFrames, StartFrameAnnouncesKindBlockCountAndLength) {
    struct Case {
        int kind;
        std::size_t length;
        const char* frame;
    };
    const Case cases[] = {
        //  kind  blocks  length   checksum
        {1, 42995, "%S,01,1,2A,0A7F3,5054#"}, // the digital firmware of a 3.x device
        {0, 2560, "%S,01,0,03,00A00,5848#"},     {1, 2048, "%S,01,1,02,00800,3494#"},
        {0, 700, "%S,01,0,01,002BC,2E56#"},      {1, 1023, "%S,01,1,01,003FF,BF11#"},
        {1, 0xFFFFF, "%S,01,1,400,FFFFF,3146#"}, // the longest file: three block digits
    };
    for (const Case& c : cases) {
        const FirmwarePlan plan = PlanFirmwareBlocks(test::FirmwareBytes(c.length));
        EXPECT_EQ(BuildFirmwareStart(c.kind, plan.announcedBlocks, plan.length), c.frame)
            << c.length;
    }
}

// Where the two checksum bytes land for each kind of last piece; every other byte of the
// blocks is the file's byte at that place, or zero past the end.
TEST(FirmwareFrames, BlockPlanPlacesChecksumRightAfterTheLastDataByte) {
    struct Case {
        std::size_t length;
        int announced;
        int blocks;
        std::size_t high; // offset of the checksum's high byte in the joined blocks
        std::vector<bool> carriesData;
    };
    const Case cases[] = {
        {2560, 3, 3, 2560, {true, true, true}},  // 512 bytes, checksum, zeros in block 2
        {2048, 2, 3, 2048, {true, true, false}}, // a block of its own, index 2
        {700, 1, 1, 700, {true}},
        {1023, 1, 2, 1023, {true, false}}, // high byte ends block 0, low byte opens block 1
        {1022, 1, 1, 1022, {true}},        // both fit exactly
        {1024, 1, 2, 1024, {true, false}},
        {1, 1, 1, 1, {true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::vector<std::uint8_t> file = test::FirmwareBytes(c.length, 7);
        const FirmwarePlan plan = PlanFirmwareBlocks(file);
        const std::uint16_t crc = FrameChecksum(
            std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
        EXPECT_EQ(plan.checksum, crc);
        EXPECT_EQ(plan.announcedBlocks, c.announced);
        ASSERT_EQ(plan.blocks.size(), static_cast<std::size_t>(c.blocks));
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < plan.blocks.size(); ++i) {
            EXPECT_EQ(plan.blocks[i].index, static_cast<int>(i));
            EXPECT_EQ(plan.blocks[i].carriesData, c.carriesData[i]) << "block " << i;
            joined.insert(joined.end(), plan.blocks[i].data.begin(), plan.blocks[i].data.end());
        }
        EXPECT_TRUE(std::equal(file.begin(), file.end(), joined.begin()));
        EXPECT_EQ(joined[c.high], crc >> 8);
        EXPECT_EQ(joined[c.high + 1], crc & 0xFF);
        EXPECT_TRUE(std::all_of(joined.begin() + static_cast<long>(c.high) + 2, joined.end(),
                                [](std::uint8_t b) { return b == 0; }));
    }
    const FirmwarePlan empty = PlanFirmwareBlocks({});
    EXPECT_EQ(empty.announcedBlocks, 0);
    EXPECT_TRUE(empty.blocks.empty());
}

TEST(FirmwareFrames, BlockFrameIsAnnotatedHexAndCutInto256ByteDatagrams) {
    FirmwareBlockData data{};
    data[0] = 0xDE;
    data[1] = 0xAD;
    const std::string frame = BuildFirmwareBlock(1, 5, data);
    //                           kind index data
    EXPECT_EQ(frame, "%T,01,1,05,DEAD" + std::string(2044, '0') + ",A34D#");
    EXPECT_EQ(frame.size(), 2065u);

    // From index 256 the index takes three digits; the frame still fits 9 datagrams.
    data.fill(0x01);
    const std::string wide = BuildFirmwareBlock(0, 256, data);
    std::string ones;
    for (int i = 0; i < 1024; ++i)
        ones += "01";
    EXPECT_EQ(wide, "%T,01,0,100," + ones + ",CC0B#");
    ASSERT_EQ(wide.size(), 2066u);

    const std::vector<std::string> datagrams = CutIntoDatagrams(wide);
    ASSERT_EQ(datagrams.size(), 9u);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(datagrams[i], wide.substr(i * 256, 256));
    EXPECT_EQ(datagrams[8], wide.substr(2048) + std::string(256 - 18, '\0'));
}

} // namespace
} // namespace krm
