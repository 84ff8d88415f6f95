#pragma once
// Report values: what the device's frames carry, parsed on the receive thread and handed
// to the owner (UI) thread, which stores them in the DeviceImage (model/parsers.h).
//
// Plain copyable values with no reference to the image. Every report records how many
// items of each field came, so that a short field leaves the remaining channels as they
// were. Safe to move between threads.

#include "model/device_image.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace krm {

// Index of a dump field number (2..27) in DumpReport::fields.
inline constexpr int kFirstDumpField = 2;
inline constexpr int kLastDumpField = 27;
inline constexpr int kDumpFieldCount = kLastDumpField - kFirstDumpField + 1;

// The items of one numeric dump field as they came off the wire: `items` complete items,
// each of the field's value count (model/dump_fields.h), stored one after another.
struct DumpFieldValues {
    int items = 0;
    std::vector<std::int32_t> values;
};

// Full dump "Z": fields 2..26 as wire values, field 27 as text.
struct DumpReport {
    std::array<DumpFieldValues, kDumpFieldCount> fields{};
    std::optional<std::string> deviceText; // field 27, as it came

    const DumpFieldValues& field(int number) const {
        return fields[static_cast<std::size_t>(number - kFirstDumpField)];
    }
    DumpFieldValues& field(int number) {
        return fields[static_cast<std::size_t>(number - kFirstDumpField)];
    }
};

// Names in "Y" order: CH1..CH20, then buses 1..8.
inline constexpr int kNameSlots = kInputCount + kOutputCount;

// Identification "Y": microphone units, names, unit count.
struct IdentReport {
    int unitItems = 0; // complete unit records that came (at most kMicUnitSlots)
    std::array<MicUnit, kMicUnitSlots> units{};
    int nameItems = 0; // complete names that came (at most kNameSlots)
    std::array<Name16, kNameSlots> names{};
    std::optional<std::int32_t> unitCount; // absent when missing or not a decimal number
};

// Status report "Q": meters and auto-mixer state, always complete (shorter reports are
// rejected).
struct StatusReport {
    std::array<std::int32_t, kInputCount> inputMeters{};
    std::array<std::int32_t, kOutputCount> outputMeters{};
    std::uint8_t openCh9to16 = 0; // bit k: CH(9+k) open
    std::uint8_t openCh1to8 = 0;  // bit k: CH(1+k) open
    std::int32_t heldChannel = 0; // 1..16: the channel held open by last-hold; else none
};

// Level report "P": each field as many items as were sent.
struct LevelsReport {
    static constexpr int kGainSlots = kInputCount + 4; // CH1..CH20, then buses 5..8
    int busGainItems = 0;
    std::array<std::int32_t, kOutputCount> busGain{};
    int busMuteItems = 0;
    std::array<std::int32_t, kOutputCount> busMute{};
    int lineLevelItems = 0;
    std::array<std::int32_t, kOutputCount> lineLevel{};
    int gainItems = 0;
    std::array<std::int32_t, kGainSlots> gain{};
    std::optional<std::int32_t> unitCount;
};

// Basic-version answer "r": the version digits as the device sent them ("310" is 3.10).
// Kept in place, not on the heap: a report is a plain value.
struct BasicVersionReport {
    static constexpr std::size_t kMaxLength = 15;
    std::array<char, kMaxLength> text{};
    std::size_t length = 0;
    std::string_view version() const { return {text.data(), length}; }
};

// One parsed frame from the device.
using IncomingReport =
    std::variant<DumpReport, IdentReport, StatusReport, LevelsReport, BasicVersionReport>;

} // namespace krm
