#pragma once
// A device image with a distinct value in every field the sender tests look at, shared
// by the sender, builder and round-trip tests.

#include "model/device_image.h"

namespace krm::test {

inline DeviceImage SampleImage() {
    DeviceImage image;
    ResetToStartupValues(image);
    InputChannel& ch1 = image.inputs[0];
    ch1.comp = {1, 45, 10, 100, 60, 40}; // enable, threshold, attack, release, gain, ratio
    ch1.phantom = 1;
    InputChannel& ch2 = image.inputs[1];
    ch2.lpf = {12000, 2, 4, 1}; // freq, type, slope, enable
    ch2.hpf = {80, 2, 8, 0};
    ch2.name = Name16::fromGbk("Mic");
    InputChannel& ch3 = image.inputs[2];
    ch3.mute = 1;
    ch3.gain = 42;
    InputChannel& ch4 = image.inputs[3];
    ch4.peqEnable = 1;
    ch4.peq[1] = {1000, 151, 14, 0, 0, 2}; // freq, gain, q, spares, type (high shelf)
    InputChannel& ch5 = image.inputs[4];
    ch5.matrix = {1, 0, 15, 3, 0, 0, 2, 9};
    ch5.source = 2;
    ch5.inputGain = 3;
    image.inputs[15].phantom = 1; // CH16
    InputChannel& ch7 = image.inputs[6];
    ch7.autoMixLevel = 80;
    ch7.autoMixPriority = 1;

    OutputChannel& bus1 = image.outputs[0];
    bus1.geqEnable = 1;
    bus1.geq[0].gain = 0;
    bus1.geq[1].gain = 1;
    bus1.geq[2].gain = 3;
    bus1.geq[15].gain = 299;
    bus1.geq[30].gain = 300;
    image.outputs[1].lineLevel = 1;
    image.outputs[2].limiter = {1, 54, 5, 200, 0, 100};
    image.outputs[3].delay = 200;
    image.outputs[7].outK = 1;

    image.autoMixMode = 1;
    image.maxOpenCh = 4;
    image.lastHold = 1;
    image.holdTime = 30;
    image.closedAttn = 20;
    image.nomAttn = 15;
    image.zeroCrossRate = 12;
    image.energy = 200;
    image.compareCount = 3;
    image.thresholdComp = 6;
    image.micUnits[2] = {0, 3, 0, 0, 1};
    return image;
}

} // namespace krm::test
