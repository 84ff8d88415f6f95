#pragma once
// DeviceSettings: the stored whole-device settings of the system page — rows of the
// DeviceDATA table, each naming a setting file "SAVE<ID>.dat" in the settings folder.
//
//   save    ID = largest + 1 (nothing at all above 32, even when lower IDs are free);
//           the file is written first, atomically, and the row inserted only once the file
//           is complete; a row that cannot be written removes the new file again.
//   load    reads the row's file into the image, all or nothing. The stored FILENAME is a
//           full path; when it no longer exists but a file of that name lies in the
//           settings folder (the program was moved), that one is used.
//   remove  moves the file to the trash (deletes it where there is none), then the row.
//   rename  changes the row's name only; the file keeps its name.
//   export  copies the row's file, byte for byte, to any file the operator names.
//   import  stores a copy of any setting file as a new setting (ID as save gives it, the
//           file's base name as its name); a file that is not a setting file is refused
//           before anything is written.
//
// Failures leave image, files and rows as they were where they can, and lastError() says
// what happened in both languages.
//
// Threading: the user-interface thread.

#include "model/device_image.h"
#include "model/message.h"
#include "presets/preset_library.h"
#include "presets/setting_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

enum class SaveOutcome { Saved, Full, Failed };

class DeviceSettings {
public:
    DeviceSettings(PresetLibrary& library, std::filesystem::path folder);

    const std::filesystem::path& folder() const { return m_folder; }

    // Row texts "ID:NAME" in ID order (at most 32 are shown); nothing on failure.
    std::optional<std::vector<std::string>> rows();
    // Saves the image (and the link state of the moment) as a new setting.
    SaveOutcome save(const DeviceImage& image, const LinkStateRecord& link);
    // The file a shown row names (after the moved-program fallback); nothing when the row
    // is gone or the database fails.
    std::optional<std::filesystem::path> fileOf(std::string_view rowText);
    // Loads the row's file into the image; false (image untouched) on any failure. The
    // fields the file held out of their range (and were held to it) are in `held` when
    // given.
    bool load(std::string_view rowText, DeviceImage& image, std::vector<HeldField>* held = nullptr);
    bool rename(std::string_view rowText, std::string_view newName);
    // Writes a byte-identical copy of the row's file to `target`, atomically.
    bool exportTo(std::string_view rowText, const std::filesystem::path& target);
    // Stores a copy of the setting file `source` as a new setting named after the file.
    SaveOutcome importFrom(const std::filesystem::path& source);
    bool remove(std::string_view rowText);

    const Message& lastError() const { return m_error; }

private:
    // Takes the next ID, writes its file through `write`, then inserts the row (named
    // `name`, or "SAVE<ID>" when empty).
    SaveOutcome store(std::string name,
                      const std::function<bool(const std::filesystem::path&)>& write);

    PresetLibrary& m_library;
    std::filesystem::path m_folder;
    Message m_error;
};

} // namespace krm
