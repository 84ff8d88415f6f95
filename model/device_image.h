#pragma once
// DeviceImage: the program's one copy of every parameter of the connected processor.
//
// Plain data. Numeric fields are 32-bit signed device codes (Part of the wire protocol:
// most travel as "%02X"); turning them into dB, Hz or labels is dsp/scales.h's business.
// Threading: owned by the user-interface thread. Other threads never write it; the
// receive thread parses frames into values and hands them to the UI thread, which
// stores them here.
//
// Indexing: inputs[0..19] are CH1..CH20 (CH1..CH16 microphone, CH17..CH20 line),
// outputs[0..7] are buses 1..8 (1..4 main "MASTER", 5..8 Dante "DANTE"). The PEQ bands
// peq[0..4] are bands 1..5 (the dump carries bands 1..4 only).

#include "model/name16.h"

#include <array>
#include <cstdint>

namespace krm {

inline constexpr int kInputCount = 20;
inline constexpr int kMicInputCount = 16; // CH1..CH16 have phantom, compressor, filters
inline constexpr int kOutputCount = 8;
inline constexpr int kPeqBands = 5;
inline constexpr int kGeqBands = 31;
inline constexpr int kMicUnitSlots = 10;
inline constexpr int kGroupCount = 4;

struct PeqBand {
    std::int32_t freq = 0; // 20..20000 Hz
    std::int32_t gain = 0; // 0..300, 150 = 0 dB, tenths of a dB above -15 dB
    std::int32_t q = 0;    // 1..200, Q times 10
    std::int32_t spare1 = 0;
    std::int32_t spare2 = 0;
    std::int32_t type = 0; // 0 peaking, 1 low shelf, 2 high shelf

    friend bool operator==(const PeqBand&, const PeqBand&) = default;
};

struct PassFilter {
    std::int32_t freq = 0;   // 20..20000 Hz
    std::int32_t type = 2;   // always 2 (Butterworth)
    std::int32_t slope = 2;  // order 2..8 = 12..48 dB/Oct
    std::int32_t enable = 0; // 0/1
};

struct Dynamics {
    std::int32_t enable = 0;
    std::int32_t threshold = 0; // 0..60, dB = code - 60
    std::int32_t attack = 0;    // ms, 1..250
    std::int32_t release = 0;   // ms, 20..250 (limiter 1..250)
    std::int32_t gain = 0;      // make-up gain, tenths of a dB, 0..200
    std::int32_t ratio = 0;     // 10..100, ratio 1:(code/10)
};

struct Gate {
    std::int32_t enable = 0;
    std::int32_t threshold = 0;
    std::int32_t range = 0;
    std::int32_t attack = 0;
    std::int32_t release = 0;
};

struct InputChannel {
    std::array<PeqBand, kPeqBands> peq{};
    std::int32_t peqEnable = 0;
    PassFilter hpf{};
    PassFilter lpf{};
    std::int32_t mute = 0;
    std::int32_t mute2 = 0; // effect returns CH17/CH18 only
    std::int32_t pan = 0;   // 0..200, 100 = centre
    std::int32_t gain = 0;  // fader code 0..70, dB = code - 60
    std::int32_t gain2 = 0; // effect returns CH17/CH18 only
    std::int32_t solo = 0;
    std::int32_t meter = 0;  // 0..255, "Q" report
    std::int32_t meter2 = 0; // effect returns CH17/CH18 only
    std::int32_t phantom = 0;
    std::int32_t autoMixPriority = 0;
    std::int32_t polarity = 0;
    std::int32_t source = 0;       // 0 ANALOG, 1..4 Dante D1..D4
    std::int32_t inputGain = 0;    // 0..3 (CH17..CH20: 0..1)
    std::int32_t autoMixLevel = 0; // 0..80
    std::int32_t autoMixOpen = 0;
    std::int32_t autoMixLast = 0;
    Dynamics comp{};
    Gate gate{};
    std::array<std::int32_t, kOutputCount> matrix{}; // matrix[k] routes to bus k+1, 0..15
    std::int32_t mainSend = 0;
    std::array<std::int32_t, 6> auxSend{};
    std::int32_t delaySend = 0;
    std::int32_t revSend = 0;
    // Delay settings, used in the record of CH17 (the delay return).
    std::int32_t fxPreDelay1 = 0;
    std::int32_t fxPreDelay2 = 0;
    std::int32_t fxFeedback = 0;
    std::int32_t fxDelayLpf = 0;
    // Reverb settings, used in the record of CH18 (the reverb return).
    std::array<std::int32_t, 4> fxTap{};
    std::int32_t fxRevTime = 0;
    std::int32_t fxRevLpf = 0;
    Name16 name{};
    Name16 label{};
    std::int32_t number = 0; // 0..19
};

struct GeqBand {
    std::int32_t gain = 0; // 0..300, 150 = 0 dB
    std::int32_t freq = 0; // Hz, ISO one-third-octave centre
    std::int32_t q = 0;    // start value 25; no operation reads it
    std::int32_t spare1 = 0;
    std::int32_t spare2 = 0;
    std::int32_t spare3 = 0;
};

struct OutputChannel {
    std::array<GeqBand, kGeqBands> geq{};
    std::int32_t geqEnable = 0;
    std::int32_t mute = 0;
    std::int32_t gain = 0;      // fader code 0..70
    std::int32_t meter = 0;     // 0..255
    std::int32_t delay = 0;     // half milliseconds, 0..200
    std::int32_t lineLevel = 0; // 0 MIC, 1 LINE (buses 1..4)
    std::int32_t outK = 0;      // "FBK" switch
    Dynamics limiter{};
    Name16 name{};
    Name16 label{};
    std::int32_t number = 0; // 0..7
};

// Five channel or output assignments of one microphone unit; a byte received as 255 is
// stored as 0.
using MicUnit = std::array<std::uint8_t, 5>;

// Mute group record: 38 integers, the layout of the setting files.
struct MuteGroup {
    std::array<std::int32_t, 38> v{};
    std::int32_t& input(int ch) { return v[static_cast<std::size_t>(ch)]; }         // 0..19
    std::int32_t& output(int bus) { return v[static_cast<std::size_t>(24 + bus)]; } // 0..7
    std::int32_t input(int ch) const { return v[static_cast<std::size_t>(ch)]; }
    std::int32_t output(int bus) const { return v[static_cast<std::size_t>(24 + bus)]; }
};

// Control group record: 51 integers, the layout of the setting files. Integers 47..50
// hold the group name as 16 bytes of text.
struct ControlGroup {
    static constexpr int kMemberCount = 32;
    static constexpr int kLinkBase = 33;
    static constexpr int kLinkEntries = 14;
    static constexpr int kNameBase = 47;
    std::array<std::int32_t, 51> v{};
    std::int32_t& input(int ch) { return v[static_cast<std::size_t>(ch)]; }
    std::int32_t& output(int bus) { return v[static_cast<std::size_t>(24 + bus)]; }
    std::int32_t& link(int entry) { return v[static_cast<std::size_t>(kLinkBase + entry)]; }
    std::int32_t input(int ch) const { return v[static_cast<std::size_t>(ch)]; }
    std::int32_t output(int bus) const { return v[static_cast<std::size_t>(24 + bus)]; }
    std::int32_t link(int entry) const { return v[static_cast<std::size_t>(kLinkBase + entry)]; }
    std::int32_t memberCount() const { return v[kMemberCount]; }
    Name16 name() const;
    void setName(const Name16& name);
};

// Entries of the control-group link block (1, 2 and 6 are reserved).
enum ControlLink : int {
    LinkVol = 0,
    LinkEq = 3,
    LinkComp = 4,
    LinkLimit = 5,
    LinkGain = 7,
    LinkPriority = 8,
    LinkPhantom = 9,
    LinkSource = 10,
    LinkLine = 11,
    LinkFbk = 12,
    LinkDelay = 13,
};

struct DeviceImage {
    std::array<InputChannel, kInputCount> inputs{};
    std::array<OutputChannel, kOutputCount> outputs{};
    std::array<MicUnit, kMicUnitSlots> micUnits{};

    // Auto-mixer, in "%M" field order.
    std::int32_t autoMixMode = 0;
    std::int32_t maxOpenCh = 0;
    std::int32_t lastHold = 0;
    std::int32_t holdTime = 0;
    std::int32_t closedAttn = 0;
    std::int32_t nomAttn = 0; // 0..30
    // Auto-mixer detector, in "%N" field order.
    std::int32_t zeroCrossRate = 0;
    std::int32_t energy = 0;
    std::int32_t compareCount = 0;
    std::int32_t thresholdComp = 0;
    std::int32_t autoMixSync = 0;

    Name16 deviceText{}; // the dump's last field, at most 15 characters
    std::int32_t unitCount = 0;

    std::array<MuteGroup, kGroupCount> muteGroups{};
    std::array<ControlGroup, kGroupCount> controlGroups{};
    std::array<std::int32_t, kGroupCount> controlGroupActive{}; // groups 1..4
    std::int32_t activeMuteGroup = 0; // 0, or the mute group 1..4 switched on last
};

// ISO one-third-octave centres of the 31 graphic-EQ bands (31.5 Hz kept as 32).
extern const std::array<std::int32_t, kGeqBands> kGeqCentres;
// Start frequencies of PEQ bands 1..5.
extern const std::array<std::int32_t, kPeqBands> kPeqStartFreqs;

// Fills the image with the start-up values: the state before any device answers.
void ResetToStartupValues(DeviceImage& image);

// Brings every field a dump carries into its legal range (run once a dump is stored).
void ClampAfterDump(DeviceImage& image);

// Default channel names: "CH %d" for inputs, "M %d" (buses 1..4) and "D %d"
// (buses 5..8, numbered 1..4) for outputs.
Name16 DefaultInputName(int index);
Name16 DefaultOutputName(int index);

// Mic channel (CH1..CH16) by zero-based index.
constexpr bool IsMicInput(int index) {
    return index >= 0 && index < kMicInputCount;
}

} // namespace krm
