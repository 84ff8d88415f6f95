#include "presets/payloads.h"

#include "model/frame_builders.h"
#include "model/parameters.h"

#include <array>
#include <cstdint>
#include <span>

namespace krm {

namespace {

// The filters' type code has no entry in the parameter table: it is read and written as
// it stands in the record, through the filter it belongs to.
using Filter = PassFilter InputChannel::*;

// One piece of a payload: a field of `width` hex digits, or the PEQ payload's comma
// (width 1, no field).
struct Piece {
    int width = 0;
    ParamKind kind = ParamKind::Count_;
    int sub = 0;
    Filter filterType = nullptr;
    bool comma = false;
};

constexpr Piece field(int width, ParamKind kind, int sub = 0) {
    return {width, kind, sub, nullptr, false};
}
constexpr Piece filterType(int width, Filter filter) {
    return {width, ParamKind::Count_, 0, filter, false};
}
constexpr Piece comma() {
    return {1, ParamKind::Count_, 0, nullptr, true};
}

using K = ParamKind;

std::vector<Piece> makeLayout(PresetTable table) {
    switch (table) {
    case PresetTable::Delay:
        return {field(4, K::FxPreDelay1), field(4, K::FxPreDelay2), field(2, K::FxFeedback),
                field(4, K::FxDelayLpf)};
    case PresetTable::Reverb:
        return {field(2, K::FxTap, 0), field(2, K::FxTap, 1),  field(2, K::FxTap, 2),
                field(2, K::FxTap, 3), field(2, K::FxRevTime), field(4, K::FxRevLpf)};
    case PresetTable::Noise:
        // The gate's range is drawn by its curve and is no part of a preset.
        return {field(2, K::GateEnable), field(2, K::GateThreshold), field(2, K::GateAttack),
                field(2, K::GateRelease)};
    case PresetTable::Compressor:
        return {field(2, K::CompEnable), field(2, K::CompThreshold), field(2, K::CompRatio),
                field(2, K::CompAttack), field(2, K::CompRelease),   field(2, K::CompGain)};
    case PresetTable::Peq: {
        std::vector<Piece> layout;
        for (int band = 0; band < 4; ++band) { // band 5 is no part of a preset
            layout.push_back(field(2, K::PeqType, band));
            layout.push_back(field(4, K::PeqQ, band));
            layout.push_back(field(4, K::PeqGain, band));
            layout.push_back(field(4, K::PeqFreq, band));
        }
        layout.push_back(comma());
        layout.push_back(field(2, K::HpfEnable));
        layout.push_back(filterType(2, &InputChannel::hpf));
        layout.push_back(field(4, K::HpfSlope));
        layout.push_back(field(4, K::HpfFreq));
        layout.push_back(comma());
        layout.push_back(field(2, K::LpfEnable));
        layout.push_back(filterType(2, &InputChannel::lpf));
        layout.push_back(field(4, K::LpfSlope));
        layout.push_back(field(4, K::LpfFreq));
        return layout;
    }
    case PresetTable::Limit:
        return {field(2, K::LimEnable), field(2, K::LimThreshold), field(2, K::LimRatio),
                field(2, K::LimAttack), field(2, K::LimRelease),   field(2, K::LimGain)};
    case PresetTable::Geq: {
        std::vector<Piece> layout;
        for (int band = 0; band < kGeqBands; ++band)
            layout.push_back(field(4, K::GeqGain, band));
        return layout;
    }
    case PresetTable::DeviceData:
        break;
    }
    return {};
}

const std::vector<Piece>& layoutOf(PresetTable table) {
    static const auto layouts = [] {
        std::array<std::vector<Piece>, kPresetTableCount> all;
        for (int i = 0; i < kPresetTableCount; ++i)
            all[static_cast<std::size_t>(i)] = makeLayout(static_cast<PresetTable>(i));
        return all;
    }();
    static const std::vector<Piece> none;
    const auto i = static_cast<int>(table);
    return i >= 0 && i < kPresetTableCount ? layouts[static_cast<std::size_t>(i)] : none;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The value of `width` hex digits at `at`; -1 when one of them is not a hex digit.
std::int32_t readHex(std::string_view payload, std::size_t at, int width) {
    std::int32_t value = 0;
    for (int i = 0; i < width; ++i) {
        const int digit = hexValue(payload[at + static_cast<std::size_t>(i)]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void writeHex(std::string& out, std::int32_t value, int width) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    // Cut to the field's low digits: two's complement keeps a negative code's low bits.
    auto bits = static_cast<std::uint32_t>(value);
    std::string digits(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = kDigits[bits & 0xF];
        bits >>= 4;
    }
    out += digits;
}

} // namespace

Channel PresetTarget(PresetTable table, Channel edited) {
    constexpr Channel kNone{Side::Device, -1};
    switch (table) {
    case PresetTable::Delay:
        return Channel::input(16); // the delay return CH17 holds the delay's settings
    case PresetTable::Reverb:
        return Channel::input(17); // the reverb return CH18 holds the reverb's
    case PresetTable::Noise:
    case PresetTable::Compressor:
    case PresetTable::Peq:
        return edited.isInput() && edited.valid() ? edited : kNone;
    case PresetTable::Limit:
    case PresetTable::Geq:
        return edited.isOutput() && edited.valid() ? edited : kNone;
    case PresetTable::DeviceData:
        break;
    }
    return kNone;
}

std::string PackPayload(PresetTable table, const DeviceImage& image, Channel edited) {
    const Channel target = PresetTarget(table, edited);
    if (!target.valid())
        return {};
    std::string payload;
    payload.reserve(static_cast<std::size_t>(TableInfo(table).payloadLength));
    for (const Piece& piece : layoutOf(table)) {
        if (piece.comma)
            payload += ',';
        else if (piece.filterType != nullptr)
            writeHex(payload,
                     (image.inputs[static_cast<std::size_t>(target.index)].*piece.filterType).type,
                     piece.width);
        else
            writeHex(payload, Param(piece.kind, piece.sub).get(image, target), piece.width);
    }
    return payload;
}

bool UnpackPayload(PresetTable table, std::string_view payload, DeviceImage& image,
                   Channel edited) {
    const Channel target = PresetTarget(table, edited);
    const std::vector<Piece>& layout = layoutOf(table);
    if (!target.valid() || layout.empty())
        return false;
    const auto length = static_cast<std::size_t>(TableInfo(table).payloadLength);
    if (payload.size() < length)
        return false;

    // Every piece is checked before the first field is written: a damaged payload leaves
    // the record exactly as it was.
    std::vector<std::int32_t> values;
    values.reserve(layout.size());
    std::size_t at = 0;
    for (const Piece& piece : layout) {
        if (piece.comma) {
            if (payload[at] != ',')
                return false;
        } else {
            const std::int32_t value = readHex(payload, at, piece.width);
            if (value < 0)
                return false;
            values.push_back(value);
        }
        at += static_cast<std::size_t>(piece.width);
    }

    auto value = values.begin();
    for (const Piece& piece : layout) {
        if (piece.comma)
            continue;
        if (piece.filterType != nullptr)
            (image.inputs[static_cast<std::size_t>(target.index)].*piece.filterType).type = *value;
        else
            Param(piece.kind, piece.sub).set(image, target, *value);
        ++value;
    }
    return true;
}

std::vector<std::string> ModuleRecallFrames(PresetTable table, const DeviceImage& image,
                                            Channel edited) {
    const Channel target = PresetTarget(table, edited);
    if (!target.valid())
        return {};
    const int wire = target.index + 1; // input channel 1..20, or output bus 1..8
    switch (table) {
    case PresetTable::Delay:
        return {BuildN(image)};
    case PresetTable::Reverb:
        return {BuildM(image)};
    case PresetTable::Noise:
        // The gate has no frame of its own; it goes out with the matrix row.
        if (target.isMic())
            return {BuildB(image, wire)};
        return {};
    case PresetTable::Compressor:
        if (target.isMic())
            return {BuildC(image, wire)};
        return {};
    case PresetTable::Peq: {
        std::vector<std::string> frames;
        for (int band = 1; band <= 4; ++band)
            frames.push_back(BuildG(image, wire, band));
        // The line inputs have no filter frames.
        if (target.isMic()) {
            frames.push_back(BuildE(image, wire));
            frames.push_back(BuildF(image, wire));
        }
        return frames;
    }
    case PresetTable::Limit:
        // A recall on output 1 also sends output 2's limiter as the image holds it.
        if (target.index == 0)
            return {BuildD(image, 1), BuildD(image, 2)};
        return {BuildD(image, wire)};
    case PresetTable::Geq:
        return {BuildH(image, wire)};
    case PresetTable::DeviceData:
        break;
    }
    return {};
}

} // namespace krm
