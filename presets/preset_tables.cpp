#include "presets/preset_tables.h"

#include <array>
#include <charconv>

namespace krm {

namespace {

// In PresetTable order. The payload lengths are those of payloads.h.
constexpr std::array<PresetTableInfo, kPresetTableCount> kTables{{
    {"DELAY", "DELAYDTA", 14},
    {"REV", "REVDATA", 14},
    {"NOISE", "NOISEDATA", 8},
    {"Compressor", "CompressorDATA", 12},
    {"PEQ", "PEQDATA", 82},
    {"LIMIT", "LIMITDATA", 12},
    {"GEQ", "GEQDATA", 124},
    {"DeviceDATA", "FILENAME", 0},
}};

// A value outside the enumeration names no table: statements built from it fail in the
// database engine with its own message instead of reading past the table list.
constexpr PresetTableInfo kNoTable{"", "", 0};

} // namespace

const PresetTableInfo& TableInfo(PresetTable table) {
    const auto i = static_cast<int>(table);
    if (i < 0 || i >= kPresetTableCount)
        return kNoTable;
    return kTables[static_cast<std::size_t>(i)];
}

std::string DefaultPresetName(int id) {
    return "SAVE" + std::to_string(id);
}

std::string RowText(int id, std::string_view name) {
    std::string text = std::to_string(id);
    text += ':';
    text += name;
    return text;
}

std::optional<PresetRowRef> ParseRowText(std::string_view rowText) {
    const auto colon = rowText.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    const std::string_view digits = rowText.substr(0, colon);
    for (const char c : digits)
        if (c < '0' || c > '9')
            return std::nullopt;
    int id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt; // more digits than an ID can hold
    return PresetRowRef{id, std::string(rowText.substr(colon + 1))};
}

} // namespace krm
