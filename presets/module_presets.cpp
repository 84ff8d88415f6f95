#include "presets/module_presets.h"

#include "presets/payloads.h"

#include <limits>

namespace krm {

namespace {

const Message kNotModuleTable{"Whole-device settings are kept on the system page",
                              "整机设置在系统页面中保存"};
const Message kWrongChannel{"This preset does not belong to the channel shown",
                            "该预设不适用于当前通道"};
const Message kRowGone{"The preset no longer exists", "该预设已不存在"};
const Message kDamaged{"The stored preset is damaged and was not applied",
                       "存储的预设已损坏，未被应用"};
const Message kTableFull{"The preset table has no free ID left", "预设表中已无可用编号"};

} // namespace

ModulePresets::ModulePresets(PresetLibrary& library, EditService& edits)
    : m_library(library), m_edits(edits) {}

std::optional<std::vector<std::string>> ModulePresets::rows(PresetTable table) {
    m_error = {};
    if (table == PresetTable::DeviceData) {
        m_error = kNotModuleTable;
        return std::nullopt;
    }
    const auto stored = m_library.list(table);
    if (!stored) {
        m_error = m_library.lastError();
        return std::nullopt;
    }
    std::vector<std::string> texts;
    texts.reserve(stored->size());
    for (const PresetRow& row : *stored)
        texts.push_back(RowText(row.id, row.name));
    return texts;
}

std::optional<std::string> ModulePresets::save(PresetTable table, Channel channel) {
    m_error = {};
    if (table == PresetTable::DeviceData) {
        m_error = kNotModuleTable;
        return std::nullopt;
    }
    if (!PresetTarget(table, channel).valid()) {
        m_error = kWrongChannel;
        return std::nullopt;
    }
    const std::string payload = PackPayload(table, m_edits.image(), channel);
    const auto highest = m_library.highestId(table);
    if (!highest) {
        m_error = m_library.lastError();
        return std::nullopt;
    }
    // IDs freed below the largest are never handed out again.
    if (*highest == std::numeric_limits<int>::max()) {
        m_error = kTableFull;
        return std::nullopt;
    }
    const int id = *highest < 0 ? 1 : *highest + 1;
    const PresetRow row{id, DefaultPresetName(id), payload};
    if (!m_library.insert(table, row)) {
        m_error = m_library.lastError();
        return std::nullopt;
    }
    return RowText(row.id, row.name);
}

bool ModulePresets::recall(PresetTable table, Channel channel, std::string_view rowText) {
    m_error = {};
    if (table == PresetTable::DeviceData) {
        m_error = kNotModuleTable;
        return false;
    }
    const auto ref = ParseRowText(rowText);
    if (!ref)
        return false; // not a stored row ("SAVE PRESET"): nothing to recall
    const Channel target = PresetTarget(table, channel);
    if (!target.valid()) {
        m_error = kWrongChannel;
        return false;
    }
    const auto row = m_library.fetch(table, ref->id);
    if (!row) {
        m_error = m_library.failed() ? m_library.lastError() : kRowGone;
        return false;
    }
    if (!UnpackPayload(table, row->payload, m_edits.image(), channel)) {
        m_error = kDamaged;
        return false;
    }
    // "RECALL 3:Podium CH5": the row and the channel, as the history lists the step.
    const std::string title =
        RowText(row->id, row->name) + " " + ChannelTitle(m_edits.image(), target);
    m_edits.commitModule(ModuleRecallFrames(table, m_edits.image(), channel), {target},
                         {"RECALL " + title, "调用 " + title});
    return true;
}

bool ModulePresets::rename(PresetTable table, std::string_view rowText, std::string_view newName) {
    m_error = {};
    if (table == PresetTable::DeviceData) {
        m_error = kNotModuleTable;
        return false;
    }
    const auto ref = ParseRowText(rowText);
    if (!ref)
        return false;
    if (!m_library.rename(table, ref->id, newName)) {
        m_error = m_library.lastError();
        return false;
    }
    return true;
}

bool ModulePresets::remove(PresetTable table, std::string_view rowText) {
    m_error = {};
    if (table == PresetTable::DeviceData) {
        m_error = kNotModuleTable;
        return false;
    }
    const auto ref = ParseRowText(rowText);
    if (!ref)
        return false;
    if (!m_library.remove(table, ref->id)) {
        m_error = m_library.lastError();
        return false;
    }
    return true;
}

} // namespace krm
