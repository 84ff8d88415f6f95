#include "update/firmware_file.h"

#include "update/firmware_frames.h"

#include <cctype>
#include <fstream>
#include <system_error>

namespace krm {

namespace {

int LeadingNumber(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + (c - '0');
        if (value > 1'000'000)
            break; // far past any threshold; keeps the sum from overflowing
    }
    return value;
}

} // namespace

FirmwarePair ChooseFirmwareFiles(const std::filesystem::path& folder,
                                 std::string_view basicVersion) {
    // Devices with a basic version of 3.00 or later take the "-3" builds.
    if (LeadingNumber(basicVersion) >= 300)
        return {folder / "Digital-KRM416X-3.bin", folder / "DSP-KRM416X-3.bin"};
    return {folder / "Digital-KRM416X.bin", folder / "DSP-KRM416X.bin"};
}

std::optional<Message> CheckFirmwareFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    std::ifstream in(path, std::ios::binary);
    if (!regular || !in)
        return Message{"Cannot read the firmware file \"" + name + "\".",
                       "无法读取固件文件“" + name + "”。"};
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return Message{"Cannot read the firmware file \"" + name + "\".",
                       "无法读取固件文件“" + name + "”。"};
    if (size == 0)
        return Message{"The firmware file \"" + name + "\" is empty.",
                       "固件文件“" + name + "”是空的。"};
    if (size > kMaxFirmwareLength)
        return Message{"The firmware file \"" + name + "\" is longer than 1048575 bytes.",
                       "固件文件“" + name + "”超过 1048575 字节。"};
    return std::nullopt;
}

} // namespace krm
