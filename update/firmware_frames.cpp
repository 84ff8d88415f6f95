#include "update/firmware_frames.h"

#include "link/frame.h"

#include <algorithm>

namespace krm {

FirmwarePlan PlanFirmwareBlocks(std::span<const std::uint8_t> file) {
    FirmwarePlan plan;
    plan.length = file.size();
    plan.announcedBlocks =
        static_cast<int>((file.size() + kFirmwareBlockBytes - 1) / kFirmwareBlockBytes);
    plan.checksum =
        FrameChecksum(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
    if (file.empty())
        return plan;

    // The file followed by its checksum, cut into blocks: data and checksum bytes land
    // exactly where the device reads them, whatever the length modulo 1,024.
    std::vector<std::uint8_t> stream(file.begin(), file.end());
    stream.push_back(static_cast<std::uint8_t>(plan.checksum >> 8));
    stream.push_back(static_cast<std::uint8_t>(plan.checksum & 0xFF));

    for (std::size_t at = 0; at < stream.size(); at += kFirmwareBlockBytes) {
        FirmwareBlock block;
        block.index = static_cast<int>(at / kFirmwareBlockBytes);
        const std::size_t n = std::min(kFirmwareBlockBytes, stream.size() - at);
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, block.data.begin());
        block.carriesData = at < file.size();
        plan.blocks.push_back(block);
    }
    return plan;
}

std::string BuildFirmwareStart(int kind, int announcedBlocks, std::size_t length) {
    return CommandFrame('S')
        .byte(1)
        .text(std::to_string(kind))
        .byte(announcedBlocks)
        .text(HexField(static_cast<int>(length), 5))
        .finish();
}

std::string BuildFirmwareBlock(int kind, int index,
                               std::span<const std::uint8_t, kFirmwareBlockBytes> data) {
    CommandFrame frame('T');
    frame.byte(1).text(std::to_string(kind)).byte(index);
    std::string digits;
    digits.reserve(2 * kFirmwareBlockBytes);
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (std::uint8_t b : data) {
        digits += kHex[b >> 4];
        digits += kHex[b & 0x0F];
    }
    frame.text(digits);
    return frame.finish();
}

std::vector<std::string> CutIntoDatagrams(std::string_view frame) {
    std::vector<std::string> datagrams;
    for (std::size_t at = 0; at < frame.size(); at += kFirmwareDatagramBytes) {
        std::string piece(frame.substr(at, kFirmwareDatagramBytes));
        piece.resize(kFirmwareDatagramBytes, '\0');
        datagrams.push_back(std::move(piece));
    }
    return datagrams;
}

} // namespace krm
