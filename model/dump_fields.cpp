#include "model/dump_fields.h"

#include "link/frame.h"

#include <algorithm>

namespace krm {

namespace {

using Wire = std::int32_t*;
using CWire = const std::int32_t*;

InputChannel& in(DeviceImage& d, int i) {
    return d.inputs[static_cast<std::size_t>(i)];
}
const InputChannel& in(const DeviceImage& d, int i) {
    return d.inputs[static_cast<std::size_t>(i)];
}
OutputChannel& out(DeviceImage& d, int i) {
    return d.outputs[static_cast<std::size_t>(i)];
}
const OutputChannel& out(const DeviceImage& d, int i) {
    return d.outputs[static_cast<std::size_t>(i)];
}

// Fields 2 and 3 cover all 28 channels: CH1..CH20 first, then buses 1..8.
template <class Image> auto& levelOf(Image& d, int item, bool mute) {
    if (item < kInputCount)
        return mute ? in(d, item).mute : in(d, item).gain;
    return mute ? out(d, item - kInputCount).mute : out(d, item - kInputCount).gain;
}

// Fields 9 and 11: a family code (always 2 here; the device's is ignored), the
// frequency, the slope and two spare digits (sent as 01, ignored on receipt).
void readPass(const PassFilter& f, Wire w) {
    w[0] = 2;
    w[1] = f.freq;
    w[2] = f.slope;
    w[3] = 1;
}
void writePass(PassFilter& f, CWire w) {
    f.type = 2;
    f.freq = w[1];
    f.slope = w[2];
}

// Dynamics in dump order: ratio, threshold, attack, release, gain (no enable).
void readDynamics(const Dynamics& x, Wire w) {
    w[0] = x.ratio;
    w[1] = x.threshold;
    w[2] = x.attack;
    w[3] = x.release;
    w[4] = x.gain;
}
void writeDynamics(Dynamics& x, CWire w) {
    x.ratio = w[0];
    x.threshold = w[1];
    x.attack = w[2];
    x.release = w[3];
    x.gain = w[4];
}

std::vector<DumpField> makeTable() {
    using S = DumpScope;
    const std::vector<int> peqWidths = {2, 4, 2, 2, 2, 4, 2, 2, 2, 4, 2, 2, 2, 4, 2, 2};
    return {
        {2,
         S::AllChannels,
         {2},
         [](const DeviceImage& d, int i, Wire w) { w[0] = levelOf(d, i, false); },
         [](DeviceImage& d, int i, CWire w) { levelOf(d, i, false) = w[0]; }},
        {3,
         S::AllChannels,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = levelOf(d, i, true); },
         [](DeviceImage& d, int i, CWire w) { levelOf(d, i, true) = w[0]; }},
        {4,
         S::MicInputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).comp.enable; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).comp.enable = w[0]; }},
        {5,
         S::MicInputs,
         {2, 2, 2, 2, 2},
         [](const DeviceImage& d, int i, Wire w) { readDynamics(in(d, i).comp, w); },
         [](DeviceImage& d, int i, CWire w) { writeDynamics(in(d, i).comp, w); }},
        {6,
         S::Outputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = out(d, i).limiter.enable; },
         [](DeviceImage& d, int i, CWire w) { out(d, i).limiter.enable = w[0]; }},
        {7,
         S::Outputs,
         {2, 2, 2, 2, 2},
         [](const DeviceImage& d, int i, Wire w) { readDynamics(out(d, i).limiter, w); },
         [](DeviceImage& d, int i, CWire w) { writeDynamics(out(d, i).limiter, w); }},
        {8,
         S::MicInputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).lpf.enable; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).lpf.enable = w[0]; }},
        {9,
         S::MicInputs,
         {2, 4, 2, 2},
         [](const DeviceImage& d, int i, Wire w) { readPass(in(d, i).lpf, w); },
         [](DeviceImage& d, int i, CWire w) { writePass(in(d, i).lpf, w); }},
        {10,
         S::MicInputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).hpf.enable; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).hpf.enable = w[0]; }},
        {11,
         S::MicInputs,
         {2, 4, 2, 2},
         [](const DeviceImage& d, int i, Wire w) { readPass(in(d, i).hpf, w); },
         [](DeviceImage& d, int i, CWire w) { writePass(in(d, i).hpf, w); }},
        {12,
         S::Inputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).peqEnable; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).peqEnable = w[0]; }},
        // Bands 1..4 as type + 1, frequency, halved gain, Q (band 5 does not travel).
        {13, S::Inputs, peqWidths,
         [](const DeviceImage& d, int i, Wire w) {
             for (std::size_t b = 0; b < 4; ++b, w += 4) {
                 const PeqBand& band = in(d, i).peq[b];
                 w[0] = band.type + 1;
                 w[1] = band.freq;
                 w[2] = band.gain / 2;
                 w[3] = band.q;
             }
         },
         [](DeviceImage& d, int i, CWire w) {
             for (std::size_t b = 0; b < 4; ++b, w += 4) {
                 PeqBand& band = in(d, i).peq[b];
                 band.type = w[0] - 1;
                 band.freq = w[1];
                 band.gain = w[2] * 2;
                 band.q = w[3];
             }
         }},
        {14,
         S::Outputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = out(d, i).geqEnable; },
         [](DeviceImage& d, int i, CWire w) { out(d, i).geqEnable = w[0]; }},
        {15, S::Outputs, std::vector<int>(kGeqBands, 2),
         [](const DeviceImage& d, int i, Wire w) {
             for (std::size_t b = 0; b < kGeqBands; ++b)
                 w[b] = out(d, i).geq[b].gain / 2;
         },
         [](DeviceImage& d, int i, CWire w) {
             for (std::size_t b = 0; b < kGeqBands; ++b)
                 out(d, i).geq[b].gain = w[b] * 2;
         }},
        {16, S::Inputs, std::vector<int>(kOutputCount, 1),
         [](const DeviceImage& d, int i, Wire w) {
             std::copy(in(d, i).matrix.begin(), in(d, i).matrix.end(), w);
         },
         [](DeviceImage& d, int i, CWire w) {
             std::copy(w, w + kOutputCount, in(d, i).matrix.begin());
         }},
        {17,
         S::Outputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = out(d, i).lineLevel; },
         [](DeviceImage& d, int i, CWire w) { out(d, i).lineLevel = w[0]; }},
        {18,
         S::Inputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).source; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).source = w[0]; }},
        // One digit whose meaning the program does not know; read and ignored.
        {19,
         S::Once,
         {1},
         [](const DeviceImage&, int, Wire w) { w[0] = 0; },
         [](DeviceImage&, int, CWire) {}},
        {20,
         S::Outputs,
         {2},
         [](const DeviceImage& d, int i, Wire w) { w[0] = out(d, i).delay; },
         [](DeviceImage& d, int i, CWire w) { out(d, i).delay = w[0]; }},
        {21,
         S::Outputs,
         {1},
         [](const DeviceImage& d, int i, Wire w) { w[0] = out(d, i).outK; },
         [](DeviceImage& d, int i, CWire w) { out(d, i).outK = w[0]; }},
        {22,
         S::Inputs,
         {2, 2},
         [](const DeviceImage& d, int i, Wire w) {
             w[0] = in(d, i).autoMixLevel;
             w[1] = in(d, i).autoMixPriority;
         },
         [](DeviceImage& d, int i, CWire w) {
             in(d, i).autoMixLevel = w[0];
             in(d, i).autoMixPriority = w[1];
         }},
        {23,
         S::Once,
         {2, 2, 2, 2, 2, 2},
         [](const DeviceImage& d, int, Wire w) {
             w[0] = d.autoMixMode;
             w[1] = d.maxOpenCh;
             w[2] = d.lastHold;
             w[3] = d.holdTime;
             w[4] = d.closedAttn;
             w[5] = d.nomAttn;
         },
         [](DeviceImage& d, int, CWire w) {
             d.autoMixMode = w[0];
             d.maxOpenCh = w[1];
             d.lastHold = w[2];
             d.holdTime = w[3];
             d.closedAttn = w[4];
             d.nomAttn = w[5];
         }},
        // Phantom power: first byte bit k = CH(9+k), second byte bit k = CH(1+k).
        {24,
         S::Once,
         {2, 2},
         [](const DeviceImage& d, int, Wire w) {
             w[0] = w[1] = 0;
             for (int k = 0; k < 8; ++k) {
                 w[0] |= (in(d, 8 + k).phantom != 0 ? 1 : 0) << k;
                 w[1] |= (in(d, k).phantom != 0 ? 1 : 0) << k;
             }
         },
         [](DeviceImage& d, int, CWire w) {
             for (int k = 0; k < 8; ++k) {
                 in(d, 8 + k).phantom = (w[0] >> k) & 1;
                 in(d, k).phantom = (w[1] >> k) & 1;
             }
         }},
        {25,
         S::Inputs,
         {2},
         [](const DeviceImage& d, int i, Wire w) { w[0] = in(d, i).inputGain; },
         [](DeviceImage& d, int i, CWire w) { in(d, i).inputGain = w[0]; }},
        {26,
         S::Once,
         {2, 2, 2, 2},
         [](const DeviceImage& d, int, Wire w) {
             w[0] = d.zeroCrossRate;
             w[1] = d.energy;
             w[2] = d.compareCount;
             w[3] = d.thresholdComp;
         },
         [](DeviceImage& d, int, CWire w) {
             d.zeroCrossRate = w[0];
             d.energy = w[1];
             d.compareCount = w[2];
             d.thresholdComp = w[3];
         }},
        // The device's own text (its last two characters are its hardware version).
        {27,
         S::Text,
         {},
         nullptr,
         nullptr,
         [](const DeviceImage& d) { return std::string(d.deviceText.view()); },
         [](DeviceImage& d, std::string_view text) { d.deviceText = Name16::fromGbk(text); }},
    };
}

int maxValue(int digits) {
    return (1 << (4 * digits)) - 1;
}

} // namespace

int DumpScopeItems(DumpScope scope) {
    switch (scope) {
    case DumpScope::AllChannels:
        return kInputCount + kOutputCount;
    case DumpScope::Inputs:
        return kInputCount;
    case DumpScope::MicInputs:
        return kMicInputCount;
    case DumpScope::Outputs:
        return kOutputCount;
    case DumpScope::Once:
    case DumpScope::Text:
        return 1;
    }
    return 0;
}

int DumpField::itemDigits() const {
    int digits = 0;
    for (int w : widths)
        digits += w;
    return digits;
}

const std::vector<DumpField>& DumpFields() {
    static const std::vector<DumpField> table = makeTable();
    return table;
}

std::int32_t HexDigitsValue(std::string_view digits) {
    std::int32_t value = 0;
    for (std::uint8_t byte : HexToBytes(digits))
        value = value << 8 | byte;
    return value;
}

std::string DumpFieldText(const DumpField& field, const DeviceImage& image) {
    if (field.scope == DumpScope::Text) {
        // The frame's own marks cannot stand inside a field.
        std::string text = field.readText(image);
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c == ',' || c == '%' || c == '#'; }, '.');
        return text;
    }
    std::string text;
    std::vector<std::int32_t> wire(field.widths.size());
    const int items = DumpScopeItems(field.scope);
    text.reserve(static_cast<std::size_t>(items * field.itemDigits()));
    for (int item = 0; item < items; ++item) {
        field.read(image, item, wire.data());
        for (std::size_t v = 0; v < wire.size(); ++v) {
            const int digits = field.widths[v];
            text += HexField(std::clamp(wire[v], 0, maxValue(digits)), digits);
        }
    }
    return text;
}

DumpFieldValues ReadDumpFieldText(const DumpField& field, std::string_view text) {
    DumpFieldValues result;
    const auto itemDigits = static_cast<std::size_t>(field.itemDigits());
    if (field.scope == DumpScope::Text || itemDigits == 0)
        return result;
    const int items =
        std::min(static_cast<int>(text.size() / itemDigits), DumpScopeItems(field.scope));
    result.items = items;
    result.values.reserve(static_cast<std::size_t>(items) * field.widths.size());
    std::size_t pos = 0;
    for (int item = 0; item < items; ++item) {
        for (int digits : field.widths) {
            result.values.push_back(
                HexDigitsValue(text.substr(pos, static_cast<std::size_t>(digits))));
            pos += static_cast<std::size_t>(digits);
        }
    }
    return result;
}

void StoreDumpField(const DumpField& field, const DumpFieldValues& values, DeviceImage& image) {
    if (field.scope == DumpScope::Text || field.write == nullptr)
        return;
    const auto perItem = field.widths.size();
    const int items =
        std::min({values.items, DumpScopeItems(field.scope),
                  static_cast<int>(values.values.size() / std::max<std::size_t>(perItem, 1))});
    for (int item = 0; item < items; ++item)
        field.write(image, item, values.values.data() + static_cast<std::size_t>(item) * perItem);
}

} // namespace krm
