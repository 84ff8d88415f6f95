#include "kit/texts.h"
#include "ui/readout_model.h"

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

class Readout : public ::testing::Test {
protected:
    void SetUp() override {
        ResetToStartupValues(image);
        setLanguage(Language::English);
    }
    void TearDown() override { setLanguage(Language::English); }
    TypedEntryResult type(int channel, int kind, const char* text, int box = 0) {
        return ApplyTypedValue(image, channel, kind, box, QString::fromUtf8(text));
    }
    DeviceImage image;
};

TEST_F(Readout, CombinedBandKindShowsGainAndFrequencyWithItsOwnHzSpelling) {
    image.inputs[0].peq[0].gain = 180;
    image.inputs[0].peq[0].freq = 1000;
    image.inputs[0].peq[1].gain = 180;
    image.inputs[0].peq[1].freq = 1000;
    ReadoutTexts t = ReadoutFor(image, 0, 22);
    EXPECT_EQ(t.channel, QStringLiteral("CH 1"));
    EXPECT_EQ(t.parameter, QStringLiteral("BAND1"));
    EXPECT_EQ(t.box1, QStringLiteral("3.0dB"));
    EXPECT_EQ(t.box2, QStringLiteral("1000Hz"));
    t = ReadoutFor(image, 0, 23);
    EXPECT_EQ(t.box2, QStringLiteral("1000HZ"));
    image.inputs[0].peq[3].freq = 250;
    EXPECT_EQ(ReadoutFor(image, 0, 25).box2, QStringLiteral("250Hz"));
}

TEST_F(Readout, DisplayRulesOfEachKindFamily) {
    InputChannel& ch = image.inputs[3];
    ch.mute = 1;
    ch.gain = 70;
    ch.pan = 150;
    ch.comp.ratio = 25;
    ch.comp.gain = 35;
    ch.comp.attack = 12;
    ch.peq[2].q = 20;
    EXPECT_EQ(ReadoutFor(image, 3, 1).box1, QStringLiteral("OPEN"));
    EXPECT_EQ(ReadoutFor(image, 3, 2).box1, QStringLiteral("CLOSE"));
    EXPECT_EQ(ReadoutFor(image, 3, 3).box1, QStringLiteral("10dB"));
    EXPECT_EQ(ReadoutFor(image, 3, 4).box1, QStringLiteral("0.50"));
    EXPECT_EQ(ReadoutFor(image, 3, 13).box1, QStringLiteral("2.00"));
    EXPECT_EQ(ReadoutFor(image, 3, 13).parameter, QStringLiteral("BAND3 Q"));
    EXPECT_EQ(ReadoutFor(image, 3, 55).box1, QStringLiteral("1:2.5"));
    EXPECT_EQ(ReadoutFor(image, 3, 58).box1, QStringLiteral("3.5dB"));
    EXPECT_EQ(ReadoutFor(image, 3, 56).box1, QStringLiteral("12ms"));
    image.inputs[17].fxRevTime = 3;
    image.inputs[16].fxFeedback = 38;
    EXPECT_EQ(ReadoutFor(image, 0, 66).box1, QStringLiteral("0.3s"));
    EXPECT_EQ(ReadoutFor(image, 0, 70).box1, QStringLiteral("38%"));
    image.outputs[1].geq[30].gain = 0;
    const ReadoutTexts out = ReadoutFor(image, 25, 35);
    EXPECT_EQ(out.channel, QStringLiteral("M 2"));
    EXPECT_EQ(out.parameter, QStringLiteral("BAND31"));
    EXPECT_EQ(out.box1, QStringLiteral("-15.0dB"));
    EXPECT_TRUE(out.box2.isEmpty());

    setLanguage(Language::Chinese);
    EXPECT_EQ(ReadoutFor(image, 3, 1).parameter, QString::fromUtf8("静音"));
    EXPECT_EQ(ReadoutFor(image, 3, 8).parameter, QString::fromUtf8("频段2增益"));
}

TEST_F(Readout, KindZeroAndChannelsWithoutARecordShowNothing) {
    const ReadoutTexts t = ReadoutFor(image, 2, 0);
    EXPECT_EQ(t.channel, QStringLiteral("CH 3"));
    EXPECT_TRUE(t.parameter.isEmpty());
    EXPECT_TRUE(t.box1.isEmpty());
    EXPECT_TRUE(t.box2.isEmpty());
    // 20..23 count as inputs but no such channel exists: nothing, and nothing stored.
    EXPECT_TRUE(ReadoutFor(image, 21, 3).channel.isEmpty());
    EXPECT_FALSE(type(21, 3, "0").changed);
    EXPECT_FALSE(type(40, 3, "0").changed);
}

TEST_F(Readout, TypedBandValuesAreClampedAndSentAsThePeqBand) {
    TypedEntryResult r = type(0, 23, "25000", 1);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(image.inputs[0].peq[1].freq, 20000);
    EXPECT_EQ(r.send, TypedSend::G);
    EXPECT_EQ(r.selector, 1);
    EXPECT_EQ(r.band, 2);
    type(0, 23, "5", 1);
    EXPECT_EQ(image.inputs[0].peq[1].freq, 20);
    type(0, 23, "1234.9Hz", 1);
    EXPECT_EQ(image.inputs[0].peq[1].freq, 1234);
    // Box 2 of a kind that is not a combined band does nothing.
    const int gain = image.inputs[0].gain;
    EXPECT_FALSE(type(0, 3, "5", 1).changed);
    EXPECT_EQ(image.inputs[0].gain, gain);
    // CH19 keeps its value but sends no PEQ frame.
    r = type(18, 22, "1000", 1);
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(image.inputs[18].peq[0].freq, 1000);
    EXPECT_EQ(r.send, TypedSend::None);
    EXPECT_EQ(type(17, 26, "800", 1).send, TypedSend::G); // CH18 still sends
    // The first box of a band kind goes out as the PEQ editor's knobs send it: "%G," for
    // every input, CH19 and CH20 included.
    r = type(18, 22, "3");
    EXPECT_EQ(image.inputs[18].peq[0].gain, 180);
    EXPECT_EQ(r.send, TypedSend::G);
    EXPECT_EQ(r.selector, 19);
    EXPECT_EQ(r.band, 1);
    r = type(19, 14, "2.5"); // band 4 gain
    EXPECT_EQ(image.inputs[19].peq[3].gain, 175);
    EXPECT_EQ(r.send, TypedSend::G);
    EXPECT_EQ(r.selector, 20);
    EXPECT_EQ(r.band, 4);
    r = type(19, 18, "700"); // band 5 frequency
    EXPECT_EQ(image.inputs[19].peq[4].freq, 700);
    EXPECT_EQ(r.send, TypedSend::G);
    EXPECT_EQ(r.band, 5);
}

TEST_F(Readout, TypedSwitchTextReadsOpenCloseOnOffInAnyCase) {
    TypedEntryResult r = type(4, 1, "open");
    EXPECT_TRUE(r.changed);
    EXPECT_EQ(image.inputs[4].mute, 1);
    EXPECT_EQ(r.send, TypedSend::A);
    EXPECT_EQ(r.selector, 5);
    EXPECT_FALSE(type(4, 1, "1").changed);
    EXPECT_EQ(image.inputs[4].mute, 1);
    EXPECT_TRUE(type(4, 1, " Close ").changed);
    EXPECT_EQ(image.inputs[4].mute, 0);
    // A line input's mute goes out too, as its strip sends it.
    r = type(16, 1, "OPEN");
    EXPECT_EQ(image.inputs[16].mute, 1);
    EXPECT_EQ(r.send, TypedSend::A);
    EXPECT_EQ(r.selector, 17);
    // Solo: stored, but no frame carries it.
    r = type(4, 2, "OPEN");
    EXPECT_EQ(image.inputs[4].solo, 1);
    EXPECT_EQ(r.send, TypedSend::None);
    // Output mute goes out as wire channel 21..28.
    r = type(24 + 2, 1, "open");
    EXPECT_EQ(image.outputs[2].mute, 1);
    EXPECT_EQ(r.selector, 23);
}

TEST_F(Readout, TypedLevelsClampToTheirCodeRange) {
    type(0, 3, "-70");
    EXPECT_EQ(image.inputs[0].gain, 0);
    type(0, 3, "12");
    EXPECT_EQ(image.inputs[0].gain, 70);
    type(0, 3, "10.9");
    EXPECT_EQ(image.inputs[0].gain, 70);
    type(0, 3, "-6dB");
    EXPECT_EQ(image.inputs[0].gain, 54);
    // Thresholds stop at 0 dB.
    type(0, 54, "5");
    EXPECT_EQ(image.inputs[0].comp.threshold, 60);
    EXPECT_EQ(type(0, 54, "-20").send, TypedSend::C);
    EXPECT_EQ(image.inputs[0].comp.threshold, 40);
    // Text that is not a number changes nothing (it is not read as 0 dB).
    EXPECT_FALSE(type(0, 3, "loud").changed);
    EXPECT_FALSE(type(0, 3, "").changed);
    EXPECT_FALSE(type(0, 3, "1e3").changed);
    EXPECT_EQ(image.inputs[0].gain, 54);
    // EQ gain, Q and pan.
    type(1, 5, "-20");
    EXPECT_EQ(image.inputs[1].peq[0].gain, 0);
    type(1, 5, "-0.7");
    EXPECT_EQ(image.inputs[1].peq[0].gain, 143);
    type(1, 7, "0.05");
    EXPECT_EQ(image.inputs[1].peq[0].q, 1);
    type(1, 7, "25");
    EXPECT_EQ(image.inputs[1].peq[0].q, 200);
    type(1, 4, "-0.5");
    EXPECT_EQ(image.inputs[1].pan, 50);
}

TEST_F(Readout, TypedRatiosAndGainsUseTheFullNumberWithinTheCodeRange) {
    EXPECT_TRUE(type(2, 55, "2.5").changed);
    EXPECT_EQ(image.inputs[2].comp.ratio, 25);
    type(2, 55, "10.5"); // within 1..10 by its integer part, but no code above 100
    EXPECT_EQ(image.inputs[2].comp.ratio, 100);
    type(2, 55, "0.5");
    EXPECT_EQ(image.inputs[2].comp.ratio, 10);
    type(2, 58, "20.5");
    EXPECT_EQ(image.inputs[2].comp.gain, 200);
    type(2, 57, "5"); // release starts at 20 ms
    EXPECT_EQ(image.inputs[2].comp.release, 20);
    TypedEntryResult r = type(24 + 7, 44, "5"); // the limiter's release starts at 1 ms
    EXPECT_EQ(image.outputs[7].limiter.release, 5);
    EXPECT_EQ(r.send, TypedSend::D);
    EXPECT_EQ(r.selector, 8);
    type(0, 66, "0.5"); // reverb time below 1 s becomes 0.1 s
    EXPECT_EQ(image.inputs[17].fxRevTime, 1);
    type(0, 66, "2.5");
    EXPECT_EQ(image.inputs[17].fxRevTime, 25);
    r = type(24, 5, "3");
    EXPECT_EQ(image.outputs[0].geq[0].gain, 180);
    EXPECT_EQ(r.send, TypedSend::H);
    EXPECT_EQ(r.selector, 1);
}

} // namespace
} // namespace krm::ui
