#pragma once
// DynamicsSet: what tells the compressor of an input from the limiter of an output to the
// shared dynamics page — the six parameters of the processor (switch, threshold, ratio,
// make-up gain, attack, release) as parameter-table entries, the side it lives on, its
// preset table and the readout channel numbering. The page itself only reads this.
//
// Pure data; any thread.

#include "model/parameters.h"
#include "presets/preset_tables.h"

#include <array>

namespace krm {

struct DynamicsSet {
    enum Knob { Threshold, Ratio, Gain, Attack, Release, KnobCount };

    Side side = Side::Input;
    const Parameter* enable = nullptr;
    // In knob order: threshold, ratio, gain, attack, release.
    std::array<const Parameter*, KnobCount> knobs{};
    PresetTable presets = PresetTable::Compressor;
    // The preset list's NAME / RECALL / DELETE commands: the second set (an editor with two
    // lists) or the first.
    bool secondPresetMenu = false;

    Channel channel(int index) const { return Channel{side, index}; }
    // The channel number the readout shows: inputs 0..19, outputs 24..31.
    int readoutChannel(int index) const {
        return side == Side::Output ? index + kFirstOutputReadoutChannel : index;
    }
    // Every field of the processor, switch first.
    std::array<const Parameter*, KnobCount + 1> all() const {
        return {enable, knobs[0], knobs[1], knobs[2], knobs[3], knobs[4]};
    }
};

// The compressor of an input (frame "%C,", link entry "COMP").
inline DynamicsSet CompressorSet() {
    using K = ParamKind;
    return {Side::Input,
            &Param(K::CompEnable),
            {&Param(K::CompThreshold), &Param(K::CompRatio), &Param(K::CompGain),
             &Param(K::CompAttack), &Param(K::CompRelease)},
            PresetTable::Compressor,
            true};
}

// The limiter of an output (frame "%D,", link entry "LIMIT"; its knobs send on every step).
inline DynamicsSet LimiterSet() {
    using K = ParamKind;
    return {Side::Output,
            &Param(K::LimEnable),
            {&Param(K::LimThreshold), &Param(K::LimRatio), &Param(K::LimGain), &Param(K::LimAttack),
             &Param(K::LimRelease)},
            PresetTable::Limit,
            false};
}

} // namespace krm
