#pragma once
// The manifest a venue backup leaves beside its setting files, and how a backup folder is
// read back for a diff.
//
// DIR/manifest.json:
//   {"created": "2026-12-09T22:41:07Z", "checksum": "SHA-256",
//    "devices": [{"address": "127.0.1.1", "room": "Hall A", "file": "Hall_A.dat",
//                 "saved": "2026-12-09T22:41:06Z", "bytes": 22016, "sha256": "9f…"}, …],
//    "missing": [{"address": "127.0.1.7", "room": "Foyer", "reason": "no reply …"}]}
//
// The checksum is the SHA-256 of the file's bytes as they lie in the folder.
//
// Any thread; the caller owns the folder.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace krm::ctl {

struct SavedRoom {
    std::string address; // empty when read from a folder with no manifest
    std::string room;
    std::string file;  // the file's name in the folder, "Hall_A.dat"
    std::string saved; // UTC, ISO 8601
    std::int64_t bytes = 0;
    std::string sha256; // lower-case hex
};

struct MissingRoom {
    std::string address;
    std::string room;
    std::string reason;
};

// The current UTC time as the manifest writes it.
std::string UtcNowText();

// SHA-256 of the file's bytes in lower-case hex; nullopt when it cannot be read.
std::optional<std::string> FileSha256(const std::filesystem::path& file);

// Writes DIR/manifest.json whole or not at all. False with the reason in `error`.
bool WriteManifest(const std::filesystem::path& folder, const std::vector<SavedRoom>& saved,
                   const std::vector<MissingRoom>& missing, std::string& error);

// The rooms of a backup folder: its manifest's devices when it has one (a file the
// manifest names must be there and match its checksum), else every "*.dat" in it named
// by its stem, sorted. nullopt with the reason in `error` when the folder or its manifest
// cannot be read.
std::optional<std::vector<SavedRoom>> ReadBackupFolder(const std::filesystem::path& folder,
                                                       std::string& error);

} // namespace krm::ctl
