#include "model/parsers.h"

#include "link/frame.h"
#include "model/dump_fields.h"

#include <algorithm>

namespace krm {

namespace {

constexpr int kUnitDigits = 10; // five bytes per microphone unit
constexpr int kNameDigits = 32; // eight UTF-16 code units per name

// The data fields of a checked frame with the given letter, or nullopt.
std::optional<std::vector<std::string_view>> dataFields(std::string_view frame, char letter) {
    auto fields = CheckedFrameFields(frame);
    if (!fields || fields->size() < 4 || (*fields)[0].size() != 1 || (*fields)[0][0] != letter)
        return std::nullopt;
    // Drop letter, address and checksum.
    return std::vector<std::string_view>(fields->begin() + 2, fields->end() - 1);
}

// Reads up to `slots` two-digit items of a field into `out`; returns how many came.
template <std::size_t N> int readBytes(std::string_view text, std::array<std::int32_t, N>& out) {
    const int items = std::min(static_cast<int>(text.size() / 2), static_cast<int>(N));
    for (int i = 0; i < items; ++i)
        out[static_cast<std::size_t>(i)] =
            HexDigitsValue(text.substr(2 * static_cast<std::size_t>(i), 2));
    return items;
}

Name16 readName(std::string_view digits) {
    std::u16string text;
    for (std::size_t u = 0; u + 4 <= digits.size(); u += 4) {
        const auto unit = static_cast<char16_t>(HexDigitsValue(digits.substr(u, 4)));
        if (unit == 0)
            break;
        text += unit;
    }
    // Converted to GBK and cut to 15 bytes without splitting a double-byte character:
    // eight Chinese characters keep seven.
    return Name16::fromUtf16(text);
}

} // namespace

std::optional<std::vector<std::string_view>> CheckedFrameFields(std::string_view frame) {
    if (frame.size() < 9 || frame.front() != '%' || !FrameChecksumOk(frame))
        return std::nullopt;
    std::vector<std::string_view> fields;
    std::string_view inner = frame.substr(1, frame.size() - 2);
    for (;;) {
        const auto comma = inner.find(',');
        fields.push_back(inner.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        inner.remove_prefix(comma + 1);
    }
    return fields;
}

std::optional<std::int32_t> ParseDecimalCount(std::string_view text) {
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<DumpReport> ParseDump(std::string_view frame) {
    const auto data = dataFields(frame, 'Z');
    if (!data)
        return std::nullopt;
    DumpReport report;
    for (const DumpField& field : DumpFields()) {
        const auto index = static_cast<std::size_t>(field.number - kFirstDumpField);
        if (index >= data->size())
            break; // missing fields leave the image as it is
        const std::string_view text = (*data)[index];
        if (field.scope == DumpScope::Text)
            report.deviceText = std::string(text);
        else
            report.field(field.number) = ReadDumpFieldText(field, text);
    }
    return report;
}

std::optional<IdentReport> ParseIdent(std::string_view frame) {
    const auto data = dataFields(frame, 'Y');
    if (!data)
        return std::nullopt;
    IdentReport report;
    const std::string_view units = (*data)[0];
    report.unitItems = std::min(static_cast<int>(units.size()) / kUnitDigits, kMicUnitSlots);
    for (int u = 0; u < report.unitItems; ++u) {
        MicUnit& unit = report.units[static_cast<std::size_t>(u)];
        for (std::size_t b = 0; b < unit.size(); ++b) {
            const auto at = static_cast<std::size_t>(u * kUnitDigits) + 2 * b;
            const auto value = static_cast<std::uint8_t>(HexDigitsValue(units.substr(at, 2)));
            unit[b] = value == 0xFF ? 0 : value; // an empty slot travels as FF
        }
    }
    if (data->size() > 1) {
        const std::string_view names = (*data)[1];
        report.nameItems = std::min(static_cast<int>(names.size()) / kNameDigits, kNameSlots);
        for (int n = 0; n < report.nameItems; ++n)
            report.names[static_cast<std::size_t>(n)] =
                readName(names.substr(static_cast<std::size_t>(n * kNameDigits), kNameDigits));
    }
    if (data->size() > 2)
        report.unitCount = ParseDecimalCount((*data)[2]);
    return report;
}

std::optional<StatusReport> ParseStatus(std::string_view frame) {
    const auto data = dataFields(frame, 'Q');
    // The report is read at fixed positions; a short one would leave them undefined.
    if (!data || (*data)[0].size() < static_cast<std::size_t>(kStatusDigits))
        return std::nullopt;
    const std::string_view digits = (*data)[0];
    auto value = [&](int i) {
        return HexDigitsValue(digits.substr(2 * static_cast<std::size_t>(i), 2));
    };
    StatusReport report;
    for (int c = 0; c < kInputCount; ++c)
        report.inputMeters[static_cast<std::size_t>(c)] = value(c);
    for (int o = 0; o < kOutputCount; ++o)
        report.outputMeters[static_cast<std::size_t>(o)] = value(kInputCount + o);
    report.openCh9to16 = static_cast<std::uint8_t>(value(28));
    report.openCh1to8 = static_cast<std::uint8_t>(value(29));
    report.heldChannel = value(30);
    return report;
}

std::optional<LevelsReport> ParseLevels(std::string_view frame) {
    const auto data = dataFields(frame, 'P');
    if (!data)
        return std::nullopt;
    const auto& d = *data;
    LevelsReport report;
    report.busGainItems = readBytes(d[0], report.busGain);
    if (d.size() > 1)
        report.busMuteItems = readBytes(d[1], report.busMute);
    if (d.size() > 2)
        report.lineLevelItems = readBytes(d[2], report.lineLevel);
    if (d.size() > 3)
        report.gainItems = readBytes(d[3], report.gain);
    if (d.size() > 4)
        report.unitCount = ParseDecimalCount(d[4]);
    return report;
}

std::optional<BasicVersionReport> ParseBasicVersion(std::string_view frame) {
    const auto data = dataFields(frame, 'r');
    if (!data || data->front().empty() || data->front().size() > BasicVersionReport::kMaxLength)
        return std::nullopt;
    BasicVersionReport report;
    std::copy(data->front().begin(), data->front().end(), report.text.begin());
    report.length = data->front().size();
    return report;
}

void ApplyDump(const DumpReport& report, DeviceImage& image) {
    for (const DumpField& field : DumpFields()) {
        if (field.scope == DumpScope::Text) {
            if (report.deviceText)
                field.writeText(image, *report.deviceText);
        } else {
            StoreDumpField(field, report.field(field.number), image);
        }
    }
    ClampAfterDump(image);
}

void ApplyIdent(const IdentReport& report, DeviceImage& image) {
    for (int u = 0; u < report.unitItems; ++u)
        image.micUnits[static_cast<std::size_t>(u)] = report.units[static_cast<std::size_t>(u)];
    for (int n = 0; n < report.nameItems; ++n) {
        const Name16& name = report.names[static_cast<std::size_t>(n)];
        if (n < kInputCount)
            image.inputs[static_cast<std::size_t>(n)].name = name;
        else
            image.outputs[static_cast<std::size_t>(n - kInputCount)].name = name;
    }
    if (report.unitCount)
        image.unitCount = *report.unitCount;
}

void ApplyStatus(const StatusReport& report, DeviceImage& image) {
    for (std::size_t c = 0; c < kInputCount; ++c)
        image.inputs[c].meter = report.inputMeters[c];
    for (std::size_t o = 0; o < kOutputCount; ++o)
        image.outputs[o].meter = report.outputMeters[o];
    for (int k = 0; k < 8; ++k) {
        image.inputs[static_cast<std::size_t>(k)].autoMixOpen = (report.openCh1to8 >> k) & 1;
        image.inputs[static_cast<std::size_t>(8 + k)].autoMixOpen = (report.openCh9to16 >> k) & 1;
    }
    for (std::size_t c = 0; c < kMicInputCount; ++c)
        image.inputs[c].autoMixLast = 0;
    if (image.lastHold == 1 && report.heldChannel >= 1 && report.heldChannel <= kMicInputCount)
        image.inputs[static_cast<std::size_t>(report.heldChannel - 1)].autoMixLast = 1;
}

void ClearStatus(DeviceImage& image) {
    for (InputChannel& in : image.inputs) {
        in.meter = 0;
        in.meter2 = 0;
        in.autoMixOpen = 0;
        in.autoMixLast = 0;
    }
    for (OutputChannel& out : image.outputs)
        out.meter = 0;
}

void ApplyLevels(const LevelsReport& report, DeviceImage& image) {
    for (int o = 0; o < report.busGainItems; ++o)
        image.outputs[static_cast<std::size_t>(o)].gain =
            report.busGain[static_cast<std::size_t>(o)];
    for (int o = 0; o < report.busMuteItems; ++o)
        image.outputs[static_cast<std::size_t>(o)].mute =
            report.busMute[static_cast<std::size_t>(o)];
    for (int o = 0; o < report.lineLevelItems; ++o)
        image.outputs[static_cast<std::size_t>(o)].lineLevel =
            report.lineLevel[static_cast<std::size_t>(o)];
    // CH1..CH20, then buses 5..8.
    for (int i = 0; i < report.gainItems; ++i) {
        const std::int32_t gain = report.gain[static_cast<std::size_t>(i)];
        if (i < kInputCount)
            image.inputs[static_cast<std::size_t>(i)].gain = gain;
        else
            image.outputs[static_cast<std::size_t>(4 + i - kInputCount)].gain = gain;
    }
    if (report.unitCount)
        image.unitCount = *report.unitCount;
}

} // namespace krm
