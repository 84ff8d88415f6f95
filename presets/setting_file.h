#pragma once
// Setting files "SAVE<ID>.dat": a whole-device snapshot of 23240 bytes, no header, no
// checksum, every integer 32-bit little-endian, names NUL-terminated in 16-byte slots:
//
//   0      21816  parameter block: unit table, 20 input records of 560 bytes from 56,
//                 8 output records of 856 bytes from 13496, auto-mixer words from 20344,
//                 device text at 20412, unit count at 20428, link state at 21772
//   21816  608    mute group records 1..4, 38 integers each
//   22424  816    control group records 1..4, 51 integers each
//
// Files are written and read field by field at their offsets (never by dumping a C++
// struct), so that they are exchangeable with other installations. Reserved bytes are
// written as zeros, except the output records' word at +760, written as its factory value
// 100.
//
// Reading is all or nothing: a missing, unreadable, short or long file leaves the image
// exactly as it was. A file read is held to the parameter table's ranges (HoldToRanges):
// a field from elsewhere never enters the image, a text or a frame unchecked, and the
// reader tells which fields were out of range and what they held. The link-state bytes are written
// from the live link but never read back into it: a file saved while connecting must not restart or
// stop a handshake.
//
// Pure functions and plain file I/O; any thread, on an image the caller owns.

#include "model/device_image.h"
#include "model/held_fields.h"
#include "model/message.h"
#include "presets/preset_tables.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace krm {

inline constexpr std::size_t kSettingFileSize = 23240;
inline constexpr std::size_t kParameterBlockSize = 21816;
inline constexpr std::size_t kMuteGroupsOffset = 21816;
inline constexpr std::size_t kControlGroupsOffset = 22424;
inline constexpr std::size_t kLinkStateOffset = 21772;
inline constexpr std::size_t kLinkStateSize = 44;

// The link-state bytes exactly as a file holds them, reserved bytes included.
using LinkStateBytes = std::array<std::uint8_t, kLinkStateSize>;

// A local date and time as the file stores it: eight 16-bit fields.
struct FileTime {
    std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
    std::uint16_t hour = 0, minute = 0, second = 0, millisecond = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

// The link's state at the moment of saving (bytes 21772..21815 of the block).
struct LinkStateRecord {
    bool online = false;
    std::int32_t connectTries = 0;
    bool connecting = false;
    FileTime connectTime;
    FileTime lastReplyTime;
    friend bool operator==(const LinkStateRecord&, const LinkStateRecord&) = default;
};

// "SAVE<ID>.dat".
std::string SettingFileName(int id);

// The file's bytes for the image and link state: exactly kSettingFileSize.
std::vector<std::uint8_t> EncodeSettingFile(const DeviceImage& image, const LinkStateRecord& link);

// Reads every field of the bytes into the image (the link state into `link` when given),
// each held to its range; the fields that were not go into `held` when given. False, and
// nothing changed, unless the bytes are exactly kSettingFileSize long.
bool DecodeSettingFile(std::span<const std::uint8_t> bytes, DeviceImage& image,
                       LinkStateRecord* link = nullptr, std::vector<HeldField>* held = nullptr);

// Writes the file atomically: a temporary file in the same folder, flushed, then renamed
// over the target, so that a failed write leaves a previous file intact. On failure the
// message says why (in both languages, with the file name).
bool WriteSettingFile(const std::filesystem::path& file, const DeviceImage& image,
                      const LinkStateRecord& link, Message* error = nullptr);

// Reads a file into the image as DecodeSettingFile does; on any failure (missing,
// unreadable, wrong size) the image is untouched and the message says why.
bool ReadSettingFile(const std::filesystem::path& file, DeviceImage& image,
                     Message* error = nullptr, LinkStateRecord* link = nullptr,
                     std::vector<HeldField>* held = nullptr);

// Copies a setting file byte for byte (reserved bytes and link state as they are): a
// source that is missing, unreadable, short or long is refused as ReadSettingFile refuses
// it, and the target is written atomically as WriteSettingFile writes.
bool CopySettingFile(const std::filesystem::path& from, const std::filesystem::path& to,
                     Message* error = nullptr);

// A setting file opened to be edited without a device. The link-state record is written
// from a live link only, never invented: an offline edit carries the file's own bytes
// through unchanged.
struct OpenedSettingFile {
    DeviceImage image;
    LinkStateBytes link{};
    std::vector<HeldField> held; // fields read out of range, as ReadSettingFile tells them
};

// Reads the file as ReadSettingFile does, onto the start-up values; on failure `opened` is
// untouched and the message says why.
bool OpenSettingFile(const std::filesystem::path& file, OpenedSettingFile& opened,
                     Message* error = nullptr);

// Writes the image with the carried link-state bytes, atomically as WriteSettingFile.
bool SaveSettingFile(const std::filesystem::path& file, const OpenedSettingFile& edited,
                     Message* error = nullptr);

} // namespace krm
