#pragma once
// Field-by-field comparison of everything the dump carries, written out by name (not
// through the dump table, so that a fault in the table cannot hide itself).

#include "model/device_image.h"

#include <gtest/gtest.h>

namespace krm::test {

inline void ExpectDumpFieldsEqual(const DeviceImage& want, const DeviceImage& got) {
    for (std::size_t c = 0; c < kInputCount; ++c) {
        SCOPED_TRACE("CH" + std::to_string(c + 1));
        const InputChannel& a = want.inputs[c];
        const InputChannel& b = got.inputs[c];
        EXPECT_EQ(a.gain, b.gain);
        EXPECT_EQ(a.mute, b.mute);
        EXPECT_EQ(a.peqEnable, b.peqEnable);
        for (std::size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(a.peq[k].type, b.peq[k].type) << "band " << k + 1;
            EXPECT_EQ(a.peq[k].freq, b.peq[k].freq) << "band " << k + 1;
            EXPECT_EQ(a.peq[k].gain, b.peq[k].gain) << "band " << k + 1;
            EXPECT_EQ(a.peq[k].q, b.peq[k].q) << "band " << k + 1;
        }
        EXPECT_EQ(a.matrix, b.matrix);
        EXPECT_EQ(a.source, b.source);
        EXPECT_EQ(a.autoMixLevel, b.autoMixLevel);
        EXPECT_EQ(a.autoMixPriority, b.autoMixPriority);
        EXPECT_EQ(a.inputGain, b.inputGain);
        if (c < kMicInputCount) {
            EXPECT_EQ(a.phantom, b.phantom);
            EXPECT_EQ(a.comp.enable, b.comp.enable);
            EXPECT_EQ(a.comp.ratio, b.comp.ratio);
            EXPECT_EQ(a.comp.threshold, b.comp.threshold);
            EXPECT_EQ(a.comp.attack, b.comp.attack);
            EXPECT_EQ(a.comp.release, b.comp.release);
            EXPECT_EQ(a.comp.gain, b.comp.gain);
            EXPECT_EQ(a.lpf.enable, b.lpf.enable);
            EXPECT_EQ(a.lpf.freq, b.lpf.freq);
            EXPECT_EQ(a.lpf.slope, b.lpf.slope);
            EXPECT_EQ(a.hpf.enable, b.hpf.enable);
            EXPECT_EQ(a.hpf.freq, b.hpf.freq);
            EXPECT_EQ(a.hpf.slope, b.hpf.slope);
        }
    }
    for (std::size_t o = 0; o < kOutputCount; ++o) {
        SCOPED_TRACE("bus " + std::to_string(o + 1));
        const OutputChannel& a = want.outputs[o];
        const OutputChannel& b = got.outputs[o];
        EXPECT_EQ(a.gain, b.gain);
        EXPECT_EQ(a.mute, b.mute);
        EXPECT_EQ(a.geqEnable, b.geqEnable);
        for (std::size_t k = 0; k < kGeqBands; ++k)
            EXPECT_EQ(a.geq[k].gain, b.geq[k].gain) << "band " << k;
        EXPECT_EQ(a.lineLevel, b.lineLevel);
        EXPECT_EQ(a.delay, b.delay);
        EXPECT_EQ(a.outK, b.outK);
        EXPECT_EQ(a.limiter.enable, b.limiter.enable);
        EXPECT_EQ(a.limiter.ratio, b.limiter.ratio);
        EXPECT_EQ(a.limiter.threshold, b.limiter.threshold);
        EXPECT_EQ(a.limiter.attack, b.limiter.attack);
        EXPECT_EQ(a.limiter.release, b.limiter.release);
        EXPECT_EQ(a.limiter.gain, b.limiter.gain);
    }
    EXPECT_EQ(want.autoMixMode, got.autoMixMode);
    EXPECT_EQ(want.maxOpenCh, got.maxOpenCh);
    EXPECT_EQ(want.lastHold, got.lastHold);
    EXPECT_EQ(want.holdTime, got.holdTime);
    EXPECT_EQ(want.closedAttn, got.closedAttn);
    EXPECT_EQ(want.nomAttn, got.nomAttn);
    EXPECT_EQ(want.zeroCrossRate, got.zeroCrossRate);
    EXPECT_EQ(want.energy, got.energy);
    EXPECT_EQ(want.compareCount, got.compareCount);
    EXPECT_EQ(want.thresholdComp, got.thresholdComp);
    EXPECT_EQ(want.deviceText, got.deviceText);
}

// Names, units and unit count: what the identification carries.
inline void ExpectIdentFieldsEqual(const DeviceImage& want, const DeviceImage& got) {
    for (std::size_t c = 0; c < kInputCount; ++c)
        EXPECT_EQ(want.inputs[c].name, got.inputs[c].name) << "CH" << c + 1;
    for (std::size_t o = 0; o < kOutputCount; ++o)
        EXPECT_EQ(want.outputs[o].name, got.outputs[o].name) << "bus " << o + 1;
    EXPECT_EQ(want.micUnits, got.micUnits);
    EXPECT_EQ(want.unitCount, got.unitCount);
}

} // namespace krm::test
