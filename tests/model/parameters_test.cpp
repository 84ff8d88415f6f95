// The parameter table against the image, the frames and the readout's numbering: every
// entry reaches its own field, names resolve both ways, and the texts and typed values
// follow the scales.
#include "model/parameter_frames.h"
#include "model/parameters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>

namespace krm {
namespace {

TEST(ParameterTable, EveryEntryOwnsOneFieldAndEveryPathResolvesBack) {
    DeviceImage image;
    ResetToStartupValues(image);
    std::set<std::string> paths;
    std::set<const std::int32_t*> fields;
    for (const Parameter& p : Parameters()) {
        const Channel c = p.side == Side::Input    ? Channel::input(3)
                          : p.side == Side::Output ? Channel::output(4)
                                                   : Channel::device();
        const std::string path = p.path(c);
        EXPECT_TRUE(paths.insert(path).second) << "two entries named " << path;
        EXPECT_TRUE(fields.insert(&p.field(image, c.index, p.sub)).second)
            << path << " shares its field";
        const auto found = FindParameter(path);
        ASSERT_TRUE(found) << path;
        EXPECT_EQ(found->parameter, &p);
        EXPECT_EQ(found->channel, c);
        // Writing through the entry changes exactly its field, held to its range.
        DeviceImage before = image;
        p.set(image, c, p.range.max + 1000);
        EXPECT_EQ(p.get(image, c), p.rangeFor(c).max) << path;
        p.field(image, c.index, p.sub) = p.field(before, c.index, p.sub);
        EXPECT_EQ(std::memcmp(&before, &image, sizeof image), 0) << path;
    }
    EXPECT_EQ(FindParameter("in3.peq2.gain")->parameter, &Param(ParamKind::PeqGain, 1));
    EXPECT_EQ(FindParameter("out5.limiter.ratio")->channel, Channel::output(4));
    EXPECT_EQ(FindParameter("automix.nomAttn")->parameter, &Param(ParamKind::NomAttn));
    EXPECT_FALSE(FindParameter("in21.gain"));
    EXPECT_FALSE(FindParameter("in0.gain"));
    EXPECT_FALSE(FindParameter("in17.phantom")); // line inputs have no phantom power
    EXPECT_FALSE(FindParameter("out1.peq1.gain"));
}

TEST(ParameterTable, FramesCarryTheChannelAsEachLetterNumbersIt) {
    DeviceImage image;
    ResetToStartupValues(image);
    // Outputs travel as 21..28 in the level frame and as 1..8 in their own frames.
    EXPECT_EQ(FrameKey(Param(ParamKind::OutGain), Channel::output(2)), "A23");
    EXPECT_EQ(FrameKey(Param(ParamKind::Delay), Channel::output(2)), "J3");
    EXPECT_EQ(FrameKey(Param(ParamKind::PeqFreq, 3), Channel::input(0)), "G1.4");
    // CH3's sends and bus 3's MIC/LINE and delay share letters but are other groups: one
    // must never replace the other in a queue.
    EXPECT_NE(FrameKey(Param(ParamKind::AuxSend, 1), Channel::input(2)),
              FrameKey(Param(ParamKind::LineLevel), Channel::output(2)));
    EXPECT_NE(FrameKey(Param(ParamKind::RevSend), Channel::input(2)),
              FrameKey(Param(ParamKind::Delay), Channel::output(2)));
    EXPECT_EQ(FrameKey(Param(ParamKind::RevSend), Channel::input(2)),
              FrameKey(Param(ParamKind::DelaySend), Channel::input(2)));
    EXPECT_EQ(
        BuildParameterFrame(image, Param(ParamKind::OutMute), Channel::output(7)).substr(0, 9),
        "%A,01,1C,");
    EXPECT_EQ(
        BuildParameterFrame(image, Param(ParamKind::LimRatio), Channel::output(7)).substr(0, 9),
        "%D,01,08,");
    EXPECT_EQ(
        BuildParameterFrame(image, Param(ParamKind::PeqGain, 4), Channel::input(19)).substr(0, 15),
        "%G,01,14,00,05,");
    // The filters go out for the microphone inputs only; the effect sends up to CH16.
    EXPECT_TRUE(BuildParameterFrame(image, Param(ParamKind::HpfFreq), Channel::input(16)).empty());
    EXPECT_FALSE(BuildParameterFrame(image, Param(ParamKind::HpfFreq), Channel::input(15)).empty());
    EXPECT_TRUE(
        BuildParameterFrame(image, Param(ParamKind::DelaySend), Channel::input(16)).empty());
    EXPECT_TRUE(BuildParameterFrame(image, Param(ParamKind::InSolo), Channel::input(0)).empty());
    EXPECT_EQ(BuildParameterFrame(image, Param(ParamKind::NomAttn), Channel::device()).substr(0, 6),
              "%M,01,");
}

TEST(ParameterTable, TextsAndTypedValuesFollowTheScales) {
    const Channel ch1 = Channel::input(0);
    EXPECT_EQ(ValueText(Param(ParamKind::PeqGain), ch1, 120), "-3.0dB");
    EXPECT_EQ(ValueText(Param(ParamKind::CompRatio), ch1, 25), "1:2.5");
    EXPECT_EQ(ValueText(Param(ParamKind::Source), ch1, 2), "D2");
    EXPECT_EQ(ValueText(Param(ParamKind::Delay), Channel::output(0), 3), "1.5 ms");
    // Any 32-bit code reads as its own number, the lowest too (no wrap-around).
    EXPECT_EQ(ValueText(Param(ParamKind::InPan), ch1, INT32_MIN), "-21474837.48");
    EXPECT_EQ(ValueText(Param(ParamKind::InPan), ch1, 0), "-1.00");
    EXPECT_EQ(CodeFromText(Param(ParamKind::PeqGain), ch1, "-3DB"), 120);
    EXPECT_EQ(CodeFromText(Param(ParamKind::CompRatio), ch1, "1:2.5"), 25);
    EXPECT_EQ(CodeFromText(Param(ParamKind::InGain), ch1, "+12"), 70);
    EXPECT_EQ(CodeFromText(Param(ParamKind::PeqFreq), ch1, ".5"), 20);
    EXPECT_EQ(CodeFromText(Param(ParamKind::InMute), ch1, " OPEN "), 1);
    for (const char* bad : {"", "-", "1e3", "0x10", "1..2", "inf", "nan", "3 dB dB", "2:1"})
        EXPECT_FALSE(CodeFromText(Param(ParamKind::InGain), ch1, bad)) << bad;
    // The line inputs offer two input gains, the microphone inputs four.
    DeviceImage image;
    EXPECT_TRUE(Param(ParamKind::InputGain).set(image, Channel::input(17), 3));
    EXPECT_EQ(image.inputs[17].inputGain, 1);
    EXPECT_EQ(ParamForReadout(Side::Input, 66), &Param(ParamKind::FxRevTime));
    EXPECT_EQ(ParamForReadout(Side::Output, 35), &Param(ParamKind::GeqGain, 30));
    EXPECT_EQ(ParamForReadout(Side::Output, 66), nullptr);
}

} // namespace
} // namespace krm
