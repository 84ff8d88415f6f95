#include "model/frame_builders.h"

#include "link/frame.h"
#include "tests/model/sender_fixture.h"

#include <gtest/gtest.h>

#include <limits>

#include <string>

namespace krm {
namespace {

// The fields of a frame between the address and the checksum, e.g. "03,01,2A,".
std::string fieldsOf(const std::string& frame) {
    EXPECT_TRUE(FrameChecksumOk(frame)) << frame;
    EXPECT_EQ(frame.substr(2, 4), ",01,") << frame;
    return frame.substr(6, frame.size() - 6 - 5);
}

TEST(BuildA, ChannelRangesPickInputBusOrChannelAlone) {
    DeviceImage image = test::SampleImage();
    image.inputs[19].gain = 5;
    image.outputs[7].mute = 1;
    image.outputs[7].gain = 70;
    EXPECT_EQ(fieldsOf(BuildA(image, 20)), "14,00,05,");
    EXPECT_EQ(fieldsOf(BuildA(image, 21)), "15,00,1E,") << "bus 1";
    EXPECT_EQ(fieldsOf(BuildA(image, 28)), "1C,01,46,") << "bus 8";
    EXPECT_EQ(fieldsOf(BuildA(image, 29)), "1D,");
    EXPECT_EQ(fieldsOf(BuildA(image, 0)), "00,");
    EXPECT_EQ(fieldsOf(BuildA(image, 255)), "FF,");
    EXPECT_TRUE(BuildA(image, 256).empty());
}

TEST(BuildG, HalvesGainTowardZeroAndSendsTypePlusOne) {
    DeviceImage image = test::SampleImage();
    PeqBand& band5 = image.inputs[0].peq[4];
    band5 = {20000, 151, 200, 0, 0, 0};
    // ch  eq band type freq gain q
    EXPECT_EQ(fieldsOf(BuildG(image, 1, 5)), "01,00,05,01,4E20,4B,C8,");
    band5.gain = 1;
    band5.type = 1;
    EXPECT_EQ(fieldsOf(BuildG(image, 1, 5)), "01,00,05,02,4E20,00,C8,");
    band5.gain = 300;
    EXPECT_EQ(fieldsOf(BuildG(image, 1, 5)), "01,00,05,02,4E20,96,C8,");
    // Values no byte or word holds (an image never held to its ranges) go out held to the
    // field, never as eight digits that would shift every field after them.
    band5.type = std::numeric_limits<std::int32_t>::min();
    band5.freq = std::numeric_limits<std::int32_t>::max();
    band5.gain = -3;
    band5.q = 256;
    EXPECT_EQ(fieldsOf(BuildG(image, 1, 5)), "01,00,05,00,FFFF,00,FF,");
}

TEST(BuildH, AlwaysCarriesSixtyTwoDigits) {
    DeviceImage image = test::SampleImage();
    for (int bus = 1; bus <= kOutputCount; ++bus) {
        const std::string f = fieldsOf(BuildH(image, bus));
        ASSERT_EQ(f.size(), 3u + 3u + 63u) << f; // "bb," "en," 62 digits + ","
        EXPECT_EQ(f.find(',', 6), 6u + 62u);
    }
    // Gains outside 0..300 must not widen the field and shift the bands after them.
    image.outputs[0].geq[3].gain = 1000;
    image.outputs[0].geq[4].gain = -20;
    const std::string f = fieldsOf(BuildH(image, 1));
    EXPECT_EQ(f.size(), 3u + 3u + 63u);
    EXPECT_EQ(f.substr(6 + 6, 4), "9600") << "clamped to 300 and 0";
    EXPECT_TRUE(BuildH(image, 0).empty());
    EXPECT_TRUE(BuildH(image, 9).empty());
}

TEST(BuildB, KeepsOneDigitPerBusEvenForIllegalCodes) {
    DeviceImage image = test::SampleImage();
    image.inputs[4].matrix[0] = 16;
    image.inputs[4].matrix[1] = -1;
    EXPECT_EQ(fieldsOf(BuildB(image, 5)), "05,F0F30029,");
}

TEST(BuildO, PhantomMaskTakesCh1ToCh16Only) {
    DeviceImage image = test::SampleImage();
    EXPECT_EQ(fieldsOf(BuildO(image, 5)), "05,02,8001,03,");
    image.inputs[16].phantom = 1; // CH17 has no phantom power
    image.inputs[0].phantom = 0;
    image.inputs[7].phantom = 1;
    EXPECT_EQ(fieldsOf(BuildO(image, 20)), "14,00,8080,00,");
}

TEST(BuildV, NameTextIsEightUnitsCutToEightBytes) {
    DeviceImage image = test::SampleImage();
    // "主席" (chair) in GBK, on bus 1 (wire 21).
    image.outputs[0].name = Name16::fromGbk("\xD6\xF7\xCF\xAF");
    std::string f = fieldsOf(BuildV(image, 21, nullptr));
    EXPECT_EQ(f.substr(0, 3 + 33), "15,4E3B5E2D000000000000000000000000,");
    EXPECT_EQ(f.size(), 3u + 33u + 577u);

    // Fifteen Latin letters (a setting file may hold them) travel as the first eight.
    image.inputs[0].name = Name16::fromGbk("ABCDEFGHIJKLMNO");
    f = fieldsOf(BuildV(image, 1, nullptr));
    EXPECT_EQ(f.substr(0, 3 + 33), "01,00410042004300440045004600470048,");

    // Five Chinese characters (10 bytes) are cut to four whole ones, never half of one.
    image.inputs[1].name = Name16::fromGbk("\xD6\xF7\xCF\xAF\xD6\xF7\xCF\xAF\xD6\xF7");
    f = fieldsOf(BuildV(image, 2, nullptr));
    EXPECT_EQ(f.substr(0, 3 + 33), "02,4E3B5E2D4E3B5E2D0000000000000000,");
    // Seven letters and a Chinese character make 9 bytes: the character is left out whole.
    image.inputs[2].name = Name16::fromGbk("ABCDEFG\xD6\xF7");
    f = fieldsOf(BuildV(image, 3, nullptr));
    EXPECT_EQ(f.substr(0, 3 + 33), "03,00410042004300440045004600470000,");

    image.inputs[3].name = Name16{};
    f = fieldsOf(BuildV(image, 4, nullptr));
    EXPECT_EQ(f.substr(0, 3 + 33), "04," + std::string(32, '0') + ",");
}

TEST(BuildQWZ, FramesWithoutImage) {
    EXPECT_EQ(BuildZ(), "%Z,01,F143#");
    EXPECT_EQ(BuildQ(1), "%Q,01,01,B5E1#");
    EXPECT_TRUE(BuildQ(-1).empty());
    EXPECT_EQ(fieldsOf(BuildW(6)), "06,");
    EXPECT_TRUE(BuildW(-1).empty());
}

} // namespace
} // namespace krm
