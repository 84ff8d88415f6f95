#pragma once
// The parameter readout's logic over the parameter table: which parameter a (channel,
// kind) selection stands for, the texts of the two labels and two value boxes, and the
// typed value entry that turns operator text into a code. No widgets; UI thread only
// (reads and writes the image). Sending and spreading to linked channels is the edit
// service's: the window commits what ApplyTypedValue stored.
//
// Channels: 0..19 = CH1..CH20, 24..31 = outputs 1..8 (20..23 select nothing: the image
// has no such inputs). Kinds are numbered separately for inputs and outputs.

#include "model/parameters.h"

#include <QString>

namespace krm::ui {

struct ReadoutTexts {
    QString channel;   // the channel's name
    QString parameter; // the kind's label in the interface language
    QString box1;
    QString box2; // used by the combined PEQ band kinds only
};

ReadoutTexts ReadoutFor(const DeviceImage& image, int channel, int kind);

// The frame a typed value goes out with (while online), as its owning control sends it.
enum class TypedSend : char {
    None = 0,
    A = 'A',
    B = 'B',
    C = 'C',
    D = 'D',
    E = 'E',
    F = 'F',
    G = 'G',
    H = 'H',
    I = 'I',
    J = 'J',
    M = 'M',
    N = 'N',
};

struct TypedEntryResult {
    bool changed = false;
    TypedSend send = TypedSend::None;
    int selector = 0; // wire channel or bus the frame is for
    int band = 0;     // PEQ band 1..5 for TypedSend::G
    // What was stored: the window commits it through the edit service when `send` says so.
    const Parameter* parameter = nullptr;
    Channel channel;
    // Why typed text changed nothing, in the interface language (empty when it changed a
    // value, or when nothing but blanks was typed).
    QString refusal;
};

// Applies text typed into value box `box` (0 or 1) for the selection: box 0 by the kind's
// rule, box 1 as the frequency of a combined PEQ band kind. The text is read as the
// command-line tool reads it (model/typed_value.h: "1k", "-3 dB", "1:4", on/off for a
// switch); text that is no value of the kind changes nothing and says why. Values beyond
// the kind's range take the nearer end; stored codes always stay in the parameter's code
// range.
TypedEntryResult ApplyTypedValue(DeviceImage& image, int channel, int kind, int box,
                                 const QString& text);

} // namespace krm::ui
