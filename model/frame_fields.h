#pragma once
// The field layout of every parameter frame the program sends, written down once and
// read by both the frame builders and ApplyParameterFrame (the virtual device's side),
// so that what goes out and what is read back cannot drift apart.
//
// Internal to the model. Pure data and pure functions: safe on any thread.

#include "model/channels.h"
#include "model/device_image.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

namespace krm::frame_fields {

// Wire channel numbers.
inline constexpr int kLastOutputWire = kFirstOutputWire + kOutputCount - 1;
inline constexpr int kNameUnits = 8; // UTF-16 code units in the name field of "%V,"
inline constexpr int kNameBytes = 8; // GBK bytes of a name that travels
inline constexpr int kNameBitmapBytes = 288;
inline constexpr int kGeqDigits = 2 * kGeqBands;
inline constexpr int kUnitDigits = 10; // five unit bytes of "%X,"
inline constexpr int kMatrixDigits = kOutputCount;

constexpr bool IsInputWire(int ch) {
    return ch >= 1 && ch <= kInputCount;
}
constexpr bool IsBus(int bus) {
    return bus >= 1 && bus <= kOutputCount;
}
constexpr bool IsOutputWire(int ch) {
    return ch >= kFirstOutputWire && ch <= kLastOutputWire;
}
// The aux sends go out for CH1..CH18, the effect sends for CH1..CH16 (the two effect
// returns CH17 and CH18 and the line inputs beyond have no effect send on the device).
constexpr bool IsAuxSendWire(int ch) {
    return ch >= 1 && ch <= 18;
}
constexpr bool IsEffectSendWire(int ch) {
    return ch >= 1 && ch <= kMicInputCount;
}
constexpr bool IsPeqBand(int band) {
    return band >= 1 && band <= kPeqBands;
}
constexpr bool IsUnit(int unit) {
    return unit >= 1 && unit <= kMicUnitSlots;
}

// How one image value travels.
enum class Coding {
    Byte,    // "%02X"
    Word,    // "%04X"
    Half,    // "%02X" of value / 2, toward zero (EQ gains 0..300 go out as 0..150); read
             // back doubled, so an odd value loses its last tenth of a dB
    PlusOne, // "%02X" of value + 1 (PEQ band type); read back minus one
    One,     // the constant 1; read back and ignored
};

constexpr std::int32_t Encode(Coding coding, std::int32_t value) {
    switch (coding) {
    case Coding::Half:
        return value / 2;
    case Coding::PlusOne:
        // Wraps rather than overflows for the one value that has no successor.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) + 1u);
    case Coding::One:
        return 1;
    default:
        return value;
    }
}

// The image value of a wire value; nullopt when no image value encodes to it (a field
// of eight digits can hold wire values whose doubling or decrement does not fit in 32
// bits: such a frame never came from the builders).
constexpr std::optional<std::int32_t> Decode(Coding coding, std::int32_t wire) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    switch (coding) {
    case Coding::Half:
        if (wire > kMax / 2 || wire < kMin / 2)
            return std::nullopt;
        return wire * 2;
    case Coding::PlusOne:
        if (wire == kMin)
            return std::nullopt;
        return wire - 1;
    default:
        return wire;
    }
}

// One field of a group record: its coding and how to read and write it. `set` is null
// for the constant field.
template <class Record> struct Field {
    Coding coding;
    std::int32_t (*get)(const Record&);
    void (*set)(Record&, std::int32_t);
};

#define KRM_FIELD(Record, coding, path)                                                            \
    Field<Record> {                                                                                \
        Coding::coding, [](const Record& r) -> std::int32_t { return r.path; },                    \
            [](Record& r, std::int32_t v) { r.path = v; }                                          \
    }
#define KRM_CONSTANT_ONE(Record)                                                                   \
    Field<Record> {                                                                                \
        Coding::One, [](const Record&) -> std::int32_t { return 1; }, nullptr                      \
    }

// "%A," after the channel: mute and fader of an input or an output bus.
inline constexpr std::array kInputLevel{KRM_FIELD(InputChannel, Byte, mute),
                                        KRM_FIELD(InputChannel, Byte, gain)};
inline constexpr std::array kOutputLevel{KRM_FIELD(OutputChannel, Byte, mute),
                                         KRM_FIELD(OutputChannel, Byte, gain)};
// "%C," compressor and "%D," limiter: enable, ratio, threshold, attack, release, gain.
inline constexpr std::array kCompressor{
    KRM_FIELD(InputChannel, Byte, comp.enable),    KRM_FIELD(InputChannel, Byte, comp.ratio),
    KRM_FIELD(InputChannel, Byte, comp.threshold), KRM_FIELD(InputChannel, Byte, comp.attack),
    KRM_FIELD(InputChannel, Byte, comp.release),   KRM_FIELD(InputChannel, Byte, comp.gain)};
inline constexpr std::array kLimiter{KRM_FIELD(OutputChannel, Byte, limiter.enable),
                                     KRM_FIELD(OutputChannel, Byte, limiter.ratio),
                                     KRM_FIELD(OutputChannel, Byte, limiter.threshold),
                                     KRM_FIELD(OutputChannel, Byte, limiter.attack),
                                     KRM_FIELD(OutputChannel, Byte, limiter.release),
                                     KRM_FIELD(OutputChannel, Byte, limiter.gain)};
// "%E," low-pass and "%F," high-pass: enable, type, frequency, slope, constant 1.
inline constexpr std::array kLowPass{
    KRM_FIELD(InputChannel, Byte, lpf.enable), KRM_FIELD(InputChannel, Byte, lpf.type),
    KRM_FIELD(InputChannel, Word, lpf.freq), KRM_FIELD(InputChannel, Byte, lpf.slope),
    KRM_CONSTANT_ONE(InputChannel)};
inline constexpr std::array kHighPass{
    KRM_FIELD(InputChannel, Byte, hpf.enable), KRM_FIELD(InputChannel, Byte, hpf.type),
    KRM_FIELD(InputChannel, Word, hpf.freq), KRM_FIELD(InputChannel, Byte, hpf.slope),
    KRM_CONSTANT_ONE(InputChannel)};
// "%G," after the EQ switch and the band number: one PEQ band.
inline constexpr std::array kPeqBand{KRM_FIELD(PeqBand, PlusOne, type),
                                     KRM_FIELD(PeqBand, Word, freq), KRM_FIELD(PeqBand, Half, gain),
                                     KRM_FIELD(PeqBand, Byte, q)};
// "%I," MIC/LINE, "%J," delay (after a constant 1), "%K," feedback switch.
inline constexpr std::array kLineLevel{KRM_FIELD(OutputChannel, Byte, lineLevel)};
inline constexpr std::array kDelay{KRM_CONSTANT_ONE(OutputChannel),
                                   KRM_FIELD(OutputChannel, Byte, delay)};
inline constexpr std::array kFeedback{KRM_FIELD(OutputChannel, Byte, outK)};
// The send levels of an input travel in the same letters as a bus's MIC/LINE and delay, told
// apart by their length: "%I," carries the six aux sends after the channel; "%J," carries
// the tag 02 (a bus's delay has the constant 1 there) and then the delay and reverb sends.
inline constexpr std::array kAuxSends{
    KRM_FIELD(InputChannel, Byte, auxSend[0]), KRM_FIELD(InputChannel, Byte, auxSend[1]),
    KRM_FIELD(InputChannel, Byte, auxSend[2]), KRM_FIELD(InputChannel, Byte, auxSend[3]),
    KRM_FIELD(InputChannel, Byte, auxSend[4]), KRM_FIELD(InputChannel, Byte, auxSend[5])};
inline constexpr std::array kEffectSends{KRM_FIELD(InputChannel, Byte, delaySend),
                                         KRM_FIELD(InputChannel, Byte, revSend)};
inline constexpr int kEffectSendsTag = 2;
// "%L," per-channel auto-mixer level and priority.
inline constexpr std::array kAutoMixChannel{KRM_FIELD(InputChannel, Byte, autoMixLevel),
                                            KRM_FIELD(InputChannel, Byte, autoMixPriority)};
// "%M," and "%N," (no channel): auto-mixer settings and detector.
inline constexpr std::array kAutoMix{
    KRM_FIELD(DeviceImage, Byte, autoMixMode), KRM_FIELD(DeviceImage, Byte, maxOpenCh),
    KRM_FIELD(DeviceImage, Byte, lastHold),    KRM_FIELD(DeviceImage, Byte, holdTime),
    KRM_FIELD(DeviceImage, Byte, closedAttn),  KRM_FIELD(DeviceImage, Byte, nomAttn)};
inline constexpr std::array kDetector{
    KRM_FIELD(DeviceImage, Byte, zeroCrossRate), KRM_FIELD(DeviceImage, Byte, energy),
    KRM_FIELD(DeviceImage, Byte, compareCount), KRM_FIELD(DeviceImage, Byte, thresholdComp)};

#undef KRM_FIELD
#undef KRM_CONSTANT_ONE

// The phantom mask of "%O,": bit k-1 is the phantom switch of CH k, k = 1..16.
inline int PhantomMask(const DeviceImage& image) {
    int mask = 0;
    for (int k = 0; k < kMicInputCount; ++k)
        if (image.inputs[static_cast<std::size_t>(k)].phantom != 0)
            mask |= 1 << k;
    return mask;
}

inline void SetPhantomMask(DeviceImage& image, int mask) {
    for (int k = 0; k < kMicInputCount; ++k)
        image.inputs[static_cast<std::size_t>(k)].phantom = (mask >> k) & 1;
}

// A microphone-unit slot 0 ("NULL") travels as FF, and FF reads back as 0.
constexpr std::uint8_t UnitByteToWire(std::uint8_t v) {
    return v == 0 ? 0xFF : v;
}
constexpr std::uint8_t UnitByteFromWire(std::uint8_t v) {
    return v == 0xFF ? 0 : v;
}

// Packed fields have one width per value: a value outside the legal range must not
// widen the field and shift everything after it.
constexpr int MatrixDigit(std::int32_t v) {
    return std::clamp(v, 0, 15);
}
constexpr int GeqWire(std::int32_t gain) {
    return std::clamp(gain, 0, 300) / 2;
}

} // namespace krm::frame_fields
