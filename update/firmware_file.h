#pragma once
// The firmware files beside the program: which pair a local update sends, and whether a
// file can be sent at all. Any thread.

#include "model/message.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

// The version of the firmware files that come with the program, shown as 3.0.
inline constexpr std::string_view LocalVersion = "30";

// Transfer kinds: the digital firmware goes first, the DSP firmware after it.
inline constexpr int kDigitalKind = 1;
inline constexpr int kDspKind = 0;

struct FirmwarePair {
    std::filesystem::path digital; // kind 1
    std::filesystem::path dsp;     // kind 0
};

// "Digital-KRM416X-3.bin" / "DSP-KRM416X-3.bin" in folder when basicVersion read as a
// number is 300 or more, else "Digital-KRM416X.bin" / "DSP-KRM416X.bin". Text that does
// not start with digits reads as 0.
FirmwarePair ChooseFirmwareFiles(const std::filesystem::path& folder,
                                 std::string_view basicVersion);

// nullopt when the file can be sent; else why not, naming the file: missing or
// unreadable, empty, or longer than the 1,048,575 bytes a start frame can announce.
std::optional<Message> CheckFirmwareFile(const std::filesystem::path& path);

} // namespace krm
