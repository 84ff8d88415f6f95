#pragma once
// The eight tables of the preset database: one per processing module kind, and the list of
// whole-device setting files. Each keeps three columns in this order: ID (whole number,
// unique), NAME (text) and a payload text column whose name differs per table.
//
// Rows are shown to the operator as "ID:NAME" ("12:SAVE12"); operations on a shown row
// take the ID before the first ':' and the name after it. Pure; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace krm {

enum class PresetTable : int {
    Delay,      // DELAY / DELAYDTA: the delay effect (the record of CH17)
    Reverb,     // REV / REVDATA: the reverb effect (the record of CH18)
    Noise,      // NOISE / NOISEDATA: the noise gate of an input
    Compressor, // Compressor / CompressorDATA: the compressor of an input
    Peq,        // PEQ / PEQDATA: four PEQ bands, high-pass and low-pass of an input
    Limit,      // LIMIT / LIMITDATA: the limiter of an output
    Geq,        // GEQ / GEQDATA: the graphic EQ of an output
    DeviceData, // DeviceDATA / FILENAME: whole-device setting files
};
inline constexpr int kPresetTableCount = 8;

struct PresetTableInfo {
    const char* table;         // "DELAY"
    const char* payloadColumn; // "DELAYDTA" (sic: eight letters, unlike the others)
    int payloadLength;         // characters of a complete payload; 0: a file path
};

const PresetTableInfo& TableInfo(PresetTable table);

// The device keeps at most 32 settings; a save above that does nothing.
inline constexpr int kDeviceSettingLimit = 32;

// The fixed first row of every editor's preset list.
inline constexpr std::string_view kSavePresetRow = "SAVE PRESET";

// "SAVE%d": the name of a new row.
std::string DefaultPresetName(int id);

struct PresetRowRef {
    int id = 0;
    std::string name;
};
// "ID:NAME" of a row.
std::string RowText(int id, std::string_view name);
// The ID before the first ':' and the name after it; nothing when there is no ':' or the
// text before it is not a decimal ID.
std::optional<PresetRowRef> ParseRowText(std::string_view rowText);

} // namespace krm
