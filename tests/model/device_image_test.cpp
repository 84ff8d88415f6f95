#include "model/device_image.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

DeviceImage startup() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

TEST(DeviceImage, StartupValuesOfInputs) {
    const DeviceImage image = startup();
    const InputChannel& ch1 = image.inputs[0];
    const int freqs[] = {200, 500, 1250, 2000, 5000};
    for (int b = 0; b < kPeqBands; ++b) {
        EXPECT_EQ(ch1.peq[b].freq, freqs[b]);
        EXPECT_EQ(ch1.peq[b].gain, 150);
        EXPECT_EQ(ch1.peq[b].q, 100);
    }
    EXPECT_EQ(ch1.hpf.freq, 20);
    EXPECT_EQ(ch1.hpf.type, 2);
    EXPECT_EQ(ch1.hpf.slope, 2);
    EXPECT_EQ(ch1.lpf.freq, 20000);
    EXPECT_EQ(ch1.lpf.slope, 2);
    EXPECT_EQ(ch1.gain, 70);
    EXPECT_EQ(image.inputs[19].number, 19);
    EXPECT_EQ(image.inputs[19].label.view(), "CH 20");
    EXPECT_EQ(image.inputs[4].name.view(), "CH 5");
    for (const MicUnit& unit : image.micUnits)
        for (auto b : unit)
            EXPECT_EQ(b, 0);
}

TEST(DeviceImage, StartupValuesOfOutputs) {
    const DeviceImage image = startup();
    const OutputChannel& bus1 = image.outputs[0];
    EXPECT_EQ(bus1.gain, 30);
    EXPECT_EQ(bus1.geq[0].freq, 20);
    EXPECT_EQ(bus1.geq[2].freq, 32);
    EXPECT_EQ(bus1.geq[17].freq, 1000);
    EXPECT_EQ(bus1.geq[30].freq, 20000);
    EXPECT_EQ(bus1.geq[12].gain, 150);
    EXPECT_EQ(bus1.geq[12].q, 25);
    EXPECT_EQ(bus1.limiter.attack, 1);
    EXPECT_EQ(bus1.limiter.release, 20);
    EXPECT_EQ(bus1.limiter.ratio, 10);
    EXPECT_EQ(image.outputs[3].label.view(), "MASTER 4");
    EXPECT_EQ(image.outputs[4].label.view(), "DANTE 1");
    EXPECT_EQ(image.outputs[7].label.view(), "DANTE 4");
    EXPECT_EQ(image.outputs[4].name.view(), "D 1");
    EXPECT_EQ(image.outputs[7].number, 7);
    // Centres rise strictly, so the graphic EQ never has two bands on one frequency.
    for (int b = 1; b < kGeqBands; ++b)
        EXPECT_GT(kGeqCentres[b], kGeqCentres[b - 1]);
}

TEST(DeviceImage, ClampingAfterDump) {
    DeviceImage image = startup();
    image.inputs[0].hpf.freq = 5;
    image.inputs[0].lpf.freq = 30000;
    image.inputs[0].hpf.slope = 1;
    image.inputs[0].lpf.slope = 9;
    image.inputs[0].hpf.type = 0;
    image.inputs[0].peqEnable = 0;
    image.inputs[0].peq[3].gain = 301;
    image.inputs[0].peq[3].q = 0;
    image.inputs[0].peq[3].type = 3;
    image.inputs[0].peq[4].gain = 999; // band 5 is not in the dump: left alone
    image.inputs[0].source = 7;
    image.inputs[1].inputGain = 4;
    image.inputs[17].inputGain = 3; // CH18 is a line input: 0..1
    image.inputs[12].autoMixLevel = 200;
    image.outputs[7].geq[30].gain = -1;
    image.nomAttn = 31;
    ClampAfterDump(image);
    EXPECT_EQ(image.inputs[0].hpf.freq, 20);
    EXPECT_EQ(image.inputs[0].lpf.freq, 20000);
    EXPECT_EQ(image.inputs[0].hpf.slope, 2);
    EXPECT_EQ(image.inputs[0].lpf.slope, 8);
    EXPECT_EQ(image.inputs[0].hpf.type, 2);
    EXPECT_EQ(image.inputs[0].peqEnable, 1);
    EXPECT_EQ(image.inputs[0].peq[3].gain, 300);
    EXPECT_EQ(image.inputs[0].peq[3].q, 1);
    EXPECT_EQ(image.inputs[0].peq[3].type, 2);
    EXPECT_EQ(image.inputs[0].peq[4].gain, 999);
    EXPECT_EQ(image.inputs[0].source, 4);
    EXPECT_EQ(image.inputs[1].inputGain, 3);
    EXPECT_EQ(image.inputs[17].inputGain, 1);
    EXPECT_EQ(image.inputs[12].autoMixLevel, 80);
    EXPECT_EQ(image.outputs[7].geq[30].gain, 0);
    EXPECT_EQ(image.nomAttn, 30);
}

TEST(DeviceImage, GroupRecordsKeepTheirFileLayout) {
    // The setting files store these records as raw integers; the sizes are fixed.
    static_assert(sizeof(MuteGroup) == 38 * 4);
    static_assert(sizeof(ControlGroup) == 51 * 4);
    ControlGroup group;
    group.output(7) = 1;
    EXPECT_EQ(group.v[31], 1);
    group.link(LinkDelay) = 1;
    EXPECT_EQ(group.v[46], 1);
    group.setName(Name16::fromGbk("Podium"));
    EXPECT_EQ(group.name().view(), "Podium");
    EXPECT_EQ(group.v[46], 1) << "the name must not overwrite the link block";
}

} // namespace
} // namespace krm
