#include "model/apply_frame.h"

#include "link/frame.h"
#include "model/frame_builders.h"
#include "tests/model/sender_fixture.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace krm {
namespace {

// Every frame the program can send for the image: a full picture of every field that
// travels, so that two images compare equal when these texts do.
std::vector<std::string> allFrames(const DeviceImage& image) {
    std::vector<std::string> frames;
    for (int ch = 1; ch <= kInputCount; ++ch) {
        for (auto build : {BuildA, BuildB, BuildC, BuildE, BuildF, BuildL, BuildO})
            frames.push_back(build(image, ch));
        for (int band = 1; band <= kPeqBands; ++band)
            frames.push_back(BuildG(image, ch, band));
        frames.push_back(BuildV(image, ch, nullptr));
        if (ch <= 18)
            frames.push_back(BuildAuxSends(image, ch));
        if (ch <= kMicInputCount)
            frames.push_back(BuildEffectSends(image, ch));
    }
    for (int bus = 1; bus <= kOutputCount; ++bus) {
        for (auto build : {BuildD, BuildH, BuildI, BuildJ, BuildK})
            frames.push_back(build(image, bus));
        frames.push_back(BuildA(image, 20 + bus));
        frames.push_back(BuildV(image, 20 + bus, nullptr));
    }
    for (int unit = 1; unit <= kMicUnitSlots; ++unit)
        frames.push_back(BuildX(image, unit));
    frames.push_back(BuildM(image));
    frames.push_back(BuildN(image));
    return frames;
}

// The sample image with every travelling field set to something other than its start
// value, EQ gains even so that halving loses nothing.
DeviceImage busyImage() {
    DeviceImage image = test::SampleImage();
    for (int i = 0; i < kInputCount; ++i) {
        InputChannel& c = image.inputs[static_cast<std::size_t>(i)];
        c.mute = i % 2;
        c.gain = 3 * i;
        for (int k = 0; k < kOutputCount; ++k)
            c.matrix[static_cast<std::size_t>(k)] = (i + k) % 16;
        c.comp = {i % 2, 60 - i, 1 + i, 20 + i, 2 * i, 10 + 4 * i};
        c.lpf = {20000 - 100 * i, 2, 2 + i % 7, (i + 1) % 2};
        c.hpf = {20 + 10 * i, 2, 8 - i % 7, i % 2};
        c.peqEnable = (i + 1) % 2;
        for (int b = 0; b < kPeqBands; ++b)
            c.peq[static_cast<std::size_t>(b)] = {
                100 * (b + 1) + i, 2 * (10 * b + i), 1 + b + i, 0, 0, (b + i) % 3};
        c.autoMixLevel = 4 * i;
        c.autoMixPriority = i % 2;
        c.source = i % 5;
        c.inputGain = i % 4;
        c.phantom = i < kMicInputCount ? (i % 3 == 0) : 0;
        c.name = Name16::fromGbk(i % 2 ? "\xD6\xF7\xCF\xAF" : "Vox");
        for (int k = 0; k < 6; ++k)
            c.auxSend[static_cast<std::size_t>(k)] = (5 * i + 11 * k) % 71;
        c.delaySend = 70 - i;
        c.revSend = 2 * i + 1;
    }
    for (int n = 0; n < kOutputCount; ++n) {
        OutputChannel& o = image.outputs[static_cast<std::size_t>(n)];
        o.mute = (n + 1) % 2;
        o.gain = 70 - n;
        o.geqEnable = n % 2;
        for (int b = 0; b < kGeqBands; ++b)
            o.geq[static_cast<std::size_t>(b)].gain = 2 * ((b * 7 + n) % 151);
        o.lineLevel = n % 2;
        o.delay = 25 * n;
        o.outK = (n + 1) % 2;
        o.limiter = {1, 50 - n, 2 + n, 30 + n, n, 20 + n};
        o.name = Name16::fromGbk(n % 2 ? "OUT" : "\xCF\xAF");
    }
    for (int u = 0; u < kMicUnitSlots; ++u)
        image.micUnits[static_cast<std::size_t>(u)] = {static_cast<std::uint8_t>(u), 0,
                                                       static_cast<std::uint8_t>(28 - u), 5, 0};
    image.nomAttn = 30;
    image.thresholdComp = 9;
    return image;
}

TEST(ApplyParameterFrame, RoundTripOfEveryLetterLandsEqualFields) {
    const DeviceImage sent = busyImage();
    DeviceImage received;
    ResetToStartupValues(received);
    ASSERT_NE(allFrames(received), allFrames(sent));
    for (const std::string& frame : allFrames(sent))
        EXPECT_TRUE(ApplyParameterFrame(frame, received)) << frame;
    EXPECT_EQ(allFrames(received), allFrames(sent));

    // Spot checks of the codings on the image itself.
    EXPECT_EQ(received.inputs[4].peq[2].gain, sent.inputs[4].peq[2].gain) << "doubled back";
    EXPECT_EQ(received.inputs[4].peq[2].type, sent.inputs[4].peq[2].type) << "type - 1";
    EXPECT_EQ(received.inputs[3].phantom, 1);
    EXPECT_EQ(received.inputs[4].phantom, 0);
    EXPECT_EQ(received.micUnits[0], (MicUnit{0, 0, 28, 5, 0})) << "FF back to 0";
    EXPECT_EQ(received.inputs[1].name.view(), "\xD6\xF7\xCF\xAF");
    EXPECT_EQ(received.outputs[1].name.view(), "OUT");
    EXPECT_EQ(received.outputs[6].geq[30].gain, sent.outputs[6].geq[30].gain);
}

TEST(ApplyParameterFrame, InputSendsAndBusFramesOfOneLetterAreToldApartByLength) {
    DeviceImage image;
    ResetToStartupValues(image);
    image.outputs[4].lineLevel = 1;
    image.outputs[4].delay = 99;
    // CH5's six aux sends; bus 5's MIC/LINE keeps its value.
    EXPECT_TRUE(ApplyParameterFrame("%I,01,05,01,02,03,04,05,06,DCC9#", image));
    EXPECT_EQ(image.inputs[4].auxSend, (std::array<std::int32_t, 6>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(image.outputs[4].lineLevel, 1);
    // CH5's delay and reverb sends after the tag 02; bus 5's delay keeps its value.
    EXPECT_TRUE(ApplyParameterFrame("%J,01,05,02,20,30,82F2#", image));
    EXPECT_EQ(image.inputs[4].delaySend, 0x20);
    EXPECT_EQ(image.inputs[4].revSend, 0x30);
    EXPECT_EQ(image.outputs[4].delay, 99);
    // And the other way round: bus frames leave the input's sends alone.
    EXPECT_TRUE(ApplyParameterFrame(BuildI(image, 5), image));
    EXPECT_TRUE(ApplyParameterFrame(BuildJ(image, 5), image));
    EXPECT_EQ(image.inputs[4].auxSend[5], 6);
    EXPECT_EQ(image.inputs[4].delaySend, 0x20);

    const DeviceImage before = image;
    for (const std::string body : {
             "%I,01,13,01,02,03,04,05,06,", // CH19 has no aux-send frame
             "%J,01,11,02,20,30,",          // nor CH17 an effect-send frame
             "%J,01,05,03,20,30,",          // an unknown tag
             "%I,01,05,01,02,03,04,05,",    // five sends
         }) {
        std::string frame = body;
        frame += HexField(FrameChecksum(frame), 4) + "#";
        EXPECT_FALSE(ApplyParameterFrame(frame, image)) << frame;
    }
    EXPECT_EQ(allFrames(image), allFrames(before));
    // The channels beyond the frames' range build nothing.
    EXPECT_EQ(BuildAuxSends(image, 19), "");
    EXPECT_EQ(BuildEffectSends(image, 17), "");
}

TEST(ApplyParameterFrame, OddGainsLoseTheirLastTenth) {
    DeviceImage sent = test::SampleImage();
    sent.inputs[3].peq[1].gain = 151;
    sent.outputs[0].geq[2].gain = 3;
    sent.outputs[0].geq[15].gain = 299;
    DeviceImage received;
    ResetToStartupValues(received);
    ASSERT_TRUE(ApplyParameterFrame(BuildG(sent, 4, 2), received));
    ASSERT_TRUE(ApplyParameterFrame(BuildH(sent, 1), received));
    EXPECT_EQ(received.inputs[3].peq[1].gain, 150);
    EXPECT_EQ(received.outputs[0].geq[2].gain, 2);
    EXPECT_EQ(received.outputs[0].geq[15].gain, 298);
    EXPECT_EQ(received.outputs[0].geq[30].gain, 300) << "even values come back whole";
    EXPECT_EQ(received.inputs[3].peq[1].type, 2);
    EXPECT_EQ(received.inputs[3].peq[1].freq, 1000);
}

TEST(ApplyParameterFrame, PhantomMaskSetsAndClearsAllSixteenMicChannels) {
    DeviceImage image;
    ResetToStartupValues(image);
    for (auto& c : image.inputs)
        c.phantom = 1;
    ASSERT_TRUE(ApplyParameterFrame("%O,01,05,02,8001,03,5521#", image));
    for (int k = 0; k < kMicInputCount; ++k)
        EXPECT_EQ(image.inputs[static_cast<std::size_t>(k)].phantom, k == 0 || k == 15) << k;
    EXPECT_EQ(image.inputs[16].phantom, 1) << "CH17 is not in the mask";
    EXPECT_EQ(image.inputs[4].source, 2);
    EXPECT_EQ(image.inputs[4].inputGain, 3);
    EXPECT_EQ(image.inputs[3].source, 0) << "only the addressed channel's source";
}

TEST(ApplyParameterFrame, ChannelOnlyLevelFrameAndUnitCallStoreNothing) {
    DeviceImage image = test::SampleImage();
    const auto before = allFrames(image);
    EXPECT_TRUE(ApplyParameterFrame("%A,01,1D,E997#", image));
    EXPECT_TRUE(ApplyParameterFrame("%W,01,03,FF60#", image));
    EXPECT_EQ(allFrames(image), before);
}

// A body with its correct checksum, for malformed-but-checked frames.
std::string framed(const std::string& body) {
    return body + HexField(FrameChecksum(body), 4) + "#";
}

TEST(ApplyParameterFrame, RejectsMalformedFramesAndLeavesImageUntouched) {
    DeviceImage image = test::SampleImage();
    const auto before = allFrames(image);
    const std::vector<std::string> bad = {
        "%A,01,03,01,2A,84EB#",                  // checksum off by one
        "%A,01,03,01,2A,84ea#",                  // lower-case checksum
        framed("%A,01,03,01,"),                  // input without its fader
        framed("%A,01,1D,01,2A,"),               // channel 29 with fields
        framed("%A,02,03,01,2A,"),               // another device address
        framed("%C,01,15,01,28,2D,0A,64,3C,"),   // channel 21 has no compressor
        framed("%C,01,01,01,28,2D,0A,64,"),      // one field short
        framed("%D,01,09,01,64,36,05,C8,00,"),   // bus 9
        framed("%D,01,00,01,64,36,05,C8,00,"),   // bus 0
        framed("%E,01,02,01,02,2ee0,04,01,"),    // lower-case hex
        framed("%F,01,02,00,02,00G0,08,01,"),    // not hex
        framed("%F,01,02,00,02,,08,01,"),        // empty field
        framed("%G,01,04,01,06,03,03E8,4B,0E,"), // band 6
        framed("%G,01,04,01,02,00,03E8,4B,0E,"), // type 0 would store -1
        framed("%H,01,01,01,0000014B,"),         // short band field
        framed("%B,01,05,10F3002,"),             // seven matrix digits
        framed("%M,01,01,04,01,1E,14,"),         // five of six settings
        framed("%O,01,15,02,8001,03,"),          // channel 21 has no source
        framed("%V,01,1D," + std::string(32, '0') + "," + std::string(576, '0') + ","),
        framed("%V,01,02," + std::string(32, '0') + "," + std::string(574, '0') + ","),
        framed("%X,01,0B,FF03FFFF01,"), // unit 11
        framed("%X,01,03,FF03FFFF,"),   // four unit bytes
        framed("%Q,01,01,"),            // link control, not a parameter
        framed("%Z,01,"),
        "%R,01,01,A0A1#",
        framed("%Y,01,"),
        "garbage",
        "",
    };
    for (const std::string& frame : bad)
        EXPECT_FALSE(ApplyParameterFrame(frame, image)) << frame;
    EXPECT_EQ(allFrames(image), before);

    // Checks come before any write: a "%G," with a good channel and a bad band must not
    // have stored the EQ switch.
    image.inputs[3].peqEnable = 0;
    EXPECT_FALSE(ApplyParameterFrame(framed("%G,01,04,01,07,03,03E8,4B,0E,"), image));
    EXPECT_EQ(image.inputs[3].peqEnable, 0);
    EXPECT_TRUE(ApplyParameterFrame(framed("%O,01,11,02,8001,01,"), image));
    EXPECT_EQ(image.inputs[16].source, 2);
}

TEST(ApplyParameterFrame, EightDigitValuesDecodeOnlyWhenTheyFitIn32Bits) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    DeviceImage image = test::SampleImage();
    const auto before = allFrames(image);
    // "%G," CH3, EQ on, band 2: type + 1, frequency, halved gain, Q.
    const std::vector<std::string> overflowing = {
        framed("%G,01,03,01,02,03,03E8,40000000,0E,"), // gain 2^30 doubled
        framed("%G,01,03,01,02,03,03E8,BFFFFFFF,0E,"), // gain -2^30 - 1 doubled
        framed("%G,01,03,01,02,80000000,03E8,4B,0E,"), // type -2^31 minus one
    };
    for (const std::string& frame : overflowing)
        EXPECT_FALSE(ApplyParameterFrame(frame, image)) << frame;
    EXPECT_EQ(allFrames(image), before);

    // The extreme values the builders can write still come back.
    ASSERT_TRUE(ApplyParameterFrame(framed("%G,01,03,01,02,7FFFFFFF,03E8,3FFFFFFF,0E,"), image));
    EXPECT_EQ(image.inputs[2].peq[1].gain, kMax - 1);
    EXPECT_EQ(image.inputs[2].peq[1].type, kMax - 1);
    ASSERT_TRUE(ApplyParameterFrame(framed("%G,01,03,01,02,03,03E8,C0000000,0E,"), image));
    EXPECT_EQ(image.inputs[2].peq[1].gain, kMin);
    // The builders never write such a field: the lowest gain goes out held to its byte.
    DeviceImage back;
    ResetToStartupValues(back);
    ASSERT_TRUE(ApplyParameterFrame(BuildG(image, 3, 2), back));
    EXPECT_EQ(back.inputs[2].peq[1].gain, 0);
}

TEST(ApplyParameterFrame, NameFromUtf16UnitsBackToGbk) {
    DeviceImage image;
    ResetToStartupValues(image);
    const std::string bitmap(576, 'F');
    // bus 3 (wire 23): "主席" then zero units
    ASSERT_TRUE(ApplyParameterFrame(
        framed("%V,01,17,4E3B5E2D000000000000000000000000," + bitmap + ","), image));
    EXPECT_EQ(image.outputs[2].name.view(), "\xD6\xF7\xCF\xAF");
    // Zero units end the name even when more follow.
    ASSERT_TRUE(ApplyParameterFrame(
        framed("%V,01,01,00410000004200000000000000000000," + bitmap + ","), image));
    EXPECT_EQ(image.inputs[0].name.view(), "A");
    ASSERT_TRUE(ApplyParameterFrame(framed("%V,01,01," + std::string(32, '0') + "," + bitmap + ","),
                                    image));
    EXPECT_TRUE(image.inputs[0].name.empty());
}

} // namespace
} // namespace krm
