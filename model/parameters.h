#pragma once
// The parameter table: every device parameter kind described once — the image field it
// lives in, its code range, how its code reads as text and how typed text becomes a code
// (through the dsp scales), its English/Chinese label, the frame that carries it, its
// control-group link entry, its readout kind and a stable dotted name for tools and files.
//
// Editors, strips, the readout and typed entry, preset files, setting-file diff and the
// command-line tool read this table; none of them re-derives a scale, hard-codes a wire
// offset or knows which frame carries which field.
//
// A parameter with several instances (PEQ bands, graphic-EQ bands, aux sends, matrix
// buses, delay taps) has one entry per instance; `sub` is the zero-based instance.
//
// Pure data, built once on first use; safe to read from any thread after that.

#include "dsp/code_range.h"
#include "model/channels.h"
#include "model/device_image.h"
#include "model/text_pair.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

// The records that hold the effects and serve as their return channels: CH17 the delay,
// CH18 the reverb.
inline constexpr int kDelayReturn = 16;
inline constexpr int kReverbReturn = 17;

enum class ParamKind : std::uint8_t {
    // Inputs
    InMute,
    InSolo,
    InGain, // fader
    InPan,
    InGain2, // second level of the effect returns
    InMute2, // second mute of the effect returns
    PeqGain,
    PeqFreq,
    PeqQ,
    PeqType,
    PeqEnable,
    HpfEnable,
    HpfFreq,
    HpfSlope,
    LpfEnable,
    LpfFreq,
    LpfSlope,
    Phantom,
    Priority,
    Polarity,
    Source,
    InputGain,
    AutoMixLevel,
    CompEnable,
    CompThreshold,
    CompRatio,
    CompAttack,
    CompRelease,
    CompGain,
    GateEnable,
    GateThreshold,
    GateRange,
    GateAttack,
    GateRelease,
    Matrix,
    MainSend,
    AuxSend,
    DelaySend,
    RevSend,
    // Outputs
    OutMute,
    OutGain,
    GeqGain,
    GeqEnable,
    Delay,
    LineLevel,
    Feedback,
    LimEnable,
    LimThreshold,
    LimRatio,
    LimAttack,
    LimRelease,
    LimGain,
    // The device
    AutoMixMode,
    MaxOpenCh,
    LastHold,
    HoldTime,
    ClosedAttn,
    NomAttn,
    ZeroCrossRate,
    Energy,
    CompareCount,
    ThresholdComp,
    FxPreDelay1,
    FxPreDelay2,
    FxFeedback,
    FxDelayLpf,
    FxTap,
    FxRevTime,
    FxRevLpf,
    // Page-local: an auto-mixer channel level applies to all sixteen microphones.
    AutoMixSync,
    Count_
};

// How a code reads as text (the readout's rules) and how typed text becomes a code.
enum class Rule : std::uint8_t {
    Plain,     // the code itself
    OnOff,     // "OPEN" / "CLOSE"
    Level,     // c - 60 "%ddB"
    EqGain,    // (c - 150) / 10 "%0.1fdB"
    Frequency, // "%dHz"
    Q,         // c / 10 "%0.2f"
    Pan,       // (c - 100) / 100 "%0.2f"
    Time,      // "%dms"
    Ratio,     // "1:%0.1f"
    MakeUp,    // c / 10 "%0.1fdB"
    RevTime,   // c / 10 "%0.1fs"
    Feedback,  // "%d%%"
    Source,    // "ANALOG", "D1".."D4"
    InputGain, // the channel's input gain list
    Delay,     // half-milliseconds "%0.1f ms"
    LineLevel, // "MIC" / "LINE"
    Slope,     // "12dB/Oct".."48dB/Oct"
};

// When a control bound to the parameter sends: on every change (faders, limiter knobs) or
// once the control is let go (editor knobs, lists, buttons).
enum class SendOn : std::uint8_t { Change, Release };

struct Parameter {
    ParamKind kind = ParamKind::InMute;
    int sub = 0;     // instance: band, bus, aux, tap (zero-based); 0 for single ones
    std::string key; // dotted name below the channel: "peq2.gain", "limiter.ratio"
    Side side = Side::Input;
    CodeRange range{0, 0};
    Rule rule = Rule::Plain;
    TextPair label{"", ""};
    // Range typed into the readout, in the unit the operator reads (dB, Hz, ms, ratio).
    double typedMin = 0;
    double typedMax = 0;
    char frame = 0;        // letter of the frame that carries it; 0: no frame does
    int band = 0;          // "%G,": PEQ band 1..5
    int framedInputs = 20; // inputs 0..framedInputs-1 send the frame; the rest keep the image
    std::optional<ControlLink> link;
    int readoutKind = 0; // 0: not shown in the readout
    SendOn sendOn = SendOn::Release;
    bool micOnly = false; // exists on CH1..CH16 only
    // Linked members take every field of the frame (a PEQ band, a filter), not only the one
    // edited: they then hold what the edited channel's frame carries.
    bool linksWholeFrame = false;
    // The frame the effects page sends after it changes the field, where that is not
    // `frame`: the effect knobs send the auto-mixer's "%M," (reverb) or "%N," (delay), the
    // level and mute controls of the effect returns "%A," for wire numbers of their own
    // (`effectWires[0]` on CH17, the delay return; `[1]` on CH18, the reverb return).
    char effectFrame = 0;
    std::array<int, 2> effectWires{};
    // The field in the image; `index` is the channel index (ignored for the device).
    std::int32_t& (*field)(DeviceImage& image, int index, int sub) = nullptr;

    // Legal codes for a channel (the line inputs have two input gains only).
    CodeRange rangeFor(Channel channel) const;
    bool existsOn(Channel channel) const;
    // Whether a change on `channel` goes out as a frame.
    bool framedOn(Channel channel) const;
    // Whether the effects page sends a frame of its own for the field on `channel`.
    bool effectFramedOn(Channel channel) const;
    std::int32_t get(const DeviceImage& image, Channel channel) const;
    // Stores the code held to the channel's range; false when nothing changed.
    bool set(DeviceImage& image, Channel channel, std::int32_t code) const;
    // "in3.peq2.gain", "out5.limiter.ratio", "automix.nomAttn".
    std::string path(Channel channel) const;
    // The label in the current interface language is the caller's to pick.
};

// Every parameter, in table order (inputs, outputs, the device; within a kind by instance).
std::span<const Parameter> Parameters();
// The entry of one kind and instance.
const Parameter& Param(ParamKind kind, int sub = 0);
// Number of instances of a kind.
int InstanceCount(ParamKind kind);
// Every record of a side: inputs 0..19, outputs 0..7, or the device.
std::vector<Channel> ChannelsOf(Side side);
// The fields that travel in the parameter's frame and that linked members take together
// with it (linksWholeFrame): a PEQ band's type, frequency, gain and Q, a filter's switch,
// frequency and slope. The EQ switch rides in every band's frame but belongs to none. Just
// the parameter itself elsewhere.
std::vector<const Parameter*> FrameGroup(const Parameter& parameter);
// The parameter a readout (side, kind) selects; null for kinds without one.
const Parameter* ParamForReadout(Side side, int readoutKind);

// The PEQ editor's graph markers have readout items of their own on an input: a band's
// marker (bands 1..5: 22..26) shows the band's gain with its frequency; the high-pass and
// low-pass markers show the filters' frequencies, as the filters' own items do.
inline constexpr int kReadoutBandMarker = 22;
inline constexpr int kReadoutHighPassMarker = 27;
inline constexpr int kReadoutLowPassMarker = 28;

struct ParamAddress {
    const Parameter* parameter = nullptr;
    Channel channel;
};
// Resolves a dotted path ("in3.peq2.gain", "out5.mute", "automix.nomAttn").
std::optional<ParamAddress> FindParameter(std::string_view path);

// The display text of a code by the parameter's rule ("-3.0dB", "1000Hz", "OPEN").
std::string ValueText(const Parameter& parameter, Channel channel, std::int32_t code);
// The same text as the Chinese interface shows it: a switch reads "开启"/"关闭" where the
// English reads "OPEN"/"CLOSE", the analog source "模拟" where it reads "ANALOG"; every
// other value reads the same in both.
std::string ValueTextZh(const Parameter& parameter, Channel channel, std::int32_t code);
// A text ValueText made, read in Chinese ("OPEN" → "开启", "ANALOG" → "模拟"); any other
// text as it is.
std::string ValueWordsZh(const std::string& valueText);
// The code for typed text (model/typed_value.h) by the parameter's rule and typed range;
// nothing when the text is not a value of the parameter.
std::optional<std::int32_t> CodeFromText(const Parameter& parameter, Channel channel,
                                         std::string_view typed);
// The code a typed number stands for by the parameter's rule; a number beyond the typed
// range takes the nearer end. Nothing for a switch, which reads words only.
std::optional<std::int32_t> CodeFromTypedNumber(const Parameter& parameter, Channel channel,
                                                double number);

} // namespace krm
