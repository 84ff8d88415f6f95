#pragma once
// The frames of a firmware transfer and the cutting of a file into blocks: the start frame
// "%S,", the block frames "%T," and their 256-byte datagrams. Pure functions; any thread.
//
// A file goes in 1,024-byte blocks; its checksum (CRC-16/MODBUS over all its bytes, high
// byte first) follows the last data byte, so the device can tell a complete file from a
// torn one. The announced block count covers the data only: the checksum may spill into
// one further block that the device expects without being told.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

inline constexpr std::size_t kFirmwareBlockBytes = 1024;
inline constexpr std::size_t kFirmwareDatagramBytes = 256;
// The start frame writes the length in five hex digits.
inline constexpr std::size_t kMaxFirmwareLength = 0xFFFFF;

using FirmwareBlockData = std::array<std::uint8_t, kFirmwareBlockBytes>;

struct FirmwareBlock {
    int index = 0;            // from 0; "%02X", so three digits from 256 on
    FirmwareBlockData data{}; // data bytes, then the checksum where it falls, then zeros
    bool carriesData = true;  // false for a block holding checksum bytes only
};

struct FirmwarePlan {
    std::size_t length = 0;
    int announcedBlocks = 0;    // length / 1024 rounded up
    std::uint16_t checksum = 0; // of the whole file
    std::vector<FirmwareBlock> blocks;
};

// The blocks of a file in sending order. An empty file has no block at all.
FirmwarePlan PlanFirmwareBlocks(std::span<const std::uint8_t> file);

// "%S,01,<kind>,<blocks %02X>,<length %05X>,<checksum>#". kind is 0 (DSP) or 1 (digital).
std::string BuildFirmwareStart(int kind, int announcedBlocks, std::size_t length);

// "%T,01,<kind>,<index %02X>,<1,024 bytes as 2,048 hex digits>,<checksum>#".
std::string BuildFirmwareBlock(int kind, int index,
                               std::span<const std::uint8_t, kFirmwareBlockBytes> data);

// The frame text in consecutive 256-byte datagrams, the last padded with NUL bytes.
std::vector<std::string> CutIntoDatagrams(std::string_view frame);

} // namespace krm
