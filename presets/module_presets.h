#pragma once
// ModulePresets: what an editor's preset list does, without SQL. Each editor names its
// table and the channel it shows; rows come back as the texts the list shows ("3:VOCAL").
//
//   save    packs the channel's module fields into a new row (ID = largest + 1, name
//           "SAVE<ID>") and returns the new row's text;
//   recall  writes the stored fields into the channel's record (the delay and reverb
//           tables into CH17 and CH18), tells the edit service's listeners, and while
//           online sends the module's frames at once;
//   rename, remove  change the row a shown text names.
//
// A failure (database closed or broken, a row gone, a payload that is not a complete hex
// payload) changes neither the image nor the device, and lastError() says why in both
// languages.
//
// Threading: the user-interface thread (the owner of the image and of the library).

#include "model/channels.h"
#include "model/edit_service.h"
#include "model/message.h"
#include "presets/preset_library.h"
#include "presets/preset_tables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

class ModulePresets {
public:
    ModulePresets(PresetLibrary& library, EditService& edits);

    // The stored rows' texts in ID order (without the "SAVE PRESET" row); nothing when the
    // database cannot be read.
    std::optional<std::vector<std::string>> rows(PresetTable table);
    // The new row's text; nothing on failure.
    std::optional<std::string> save(PresetTable table, Channel channel);
    // True when the image took the stored fields.
    bool recall(PresetTable table, Channel channel, std::string_view rowText);
    bool rename(PresetTable table, std::string_view rowText, std::string_view newName);
    bool remove(PresetTable table, std::string_view rowText);

    const Message& lastError() const { return m_error; }

private:
    PresetLibrary& m_library;
    EditService& m_edits;
    Message m_error;
};

} // namespace krm
