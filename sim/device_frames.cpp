#include "sim/device_frames.h"

#include "link/frame.h"
#include "model/dump_fields.h"

#include <algorithm>

namespace krm::sim {

namespace {

constexpr int kNameUnits = 8; // UTF-16 code units per name on the wire

// Keeps the eight wire units of a name: a name never carries more.
std::string nameDigits(const Name16& name) {
    std::u16string units = name.toUtf16();
    units.resize(kNameUnits, u'\0');
    std::string digits;
    for (char16_t u : units)
        digits += HexField(u, 4);
    return digits;
}

} // namespace

std::string BuildDumpReply(const DeviceImage& image) {
    CommandFrame frame('Z');
    frame.byte(1);
    for (const DumpField& field : DumpFields())
        frame.text(DumpFieldText(field, image));
    return frame.finish();
}

std::string BuildIdentReply(const DeviceImage& image) {
    std::string units;
    for (const MicUnit& unit : image.micUnits)
        for (std::uint8_t b : unit)
            units += HexField(b == 0 ? 0xFF : b, 2);
    std::string names;
    for (const InputChannel& in : image.inputs)
        names += nameDigits(in.name);
    for (const OutputChannel& out : image.outputs)
        names += nameDigits(out.name);
    return CommandFrame('Y')
        .byte(1)
        .text(units)
        .text(names)
        .text(std::to_string(std::clamp(image.unitCount, 0, 9999)))
        .finish();
}

std::string BuildStatusReport(const StatusReport& report) {
    std::string digits;
    auto put = [&digits](std::int32_t v) { digits += HexField(std::clamp(v, 0, 255), 2); };
    for (std::int32_t m : report.inputMeters)
        put(m);
    for (std::int32_t m : report.outputMeters)
        put(m);
    put(report.openCh9to16);
    put(report.openCh1to8);
    put(report.heldChannel);
    return CommandFrame('Q').byte(1).text(digits).finish();
}

std::string BuildLevelsReport(const DeviceImage& image) {
    std::string gain, mute, line, levels;
    auto put = [](std::string& to, std::int32_t v) { to += HexField(std::clamp(v, 0, 255), 2); };
    for (const OutputChannel& out : image.outputs) {
        put(gain, out.gain);
        put(mute, out.mute);
        put(line, out.lineLevel);
    }
    for (const InputChannel& in : image.inputs)
        put(levels, in.gain);
    for (std::size_t o = 4; o < kOutputCount; ++o)
        put(levels, image.outputs[o].gain);
    return CommandFrame('P')
        .byte(1)
        .text(gain)
        .text(mute)
        .text(line)
        .text(levels)
        .text(std::to_string(std::clamp(image.unitCount, 0, 9999)))
        .finish();
}

std::string BuildSearchReply() {
    return CommandFrame('R').byte(1).text("0001").finish();
}

std::string BuildVersionReply(std::string_view basicVersion) {
    return CommandFrame('r').byte(1).text(basicVersion).finish();
}

} // namespace krm::sim
