#pragma once
// What the program puts on the wire for a firmware transfer, written out here from the
// frame formats alone (nothing from the device's receiver), so the tests check the device
// against an independent sender.

#include "link/frame.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace krm::test {

// A file whose bytes are neither zero nor repeating, so a misplaced block shows.
inline std::vector<std::uint8_t> FirmwareFile(std::size_t length, std::uint32_t seed = 7) {
    std::vector<std::uint8_t> bytes(length);
    std::uint32_t x = seed;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

inline std::uint16_t FileChecksum(const std::vector<std::uint8_t>& file) {
    return FrameChecksum(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()));
}

inline std::size_t AnnouncedBlocks(std::size_t length) {
    return length / 1024 + (length % 1024 != 0 ? 1 : 0);
}

// "%S,01,<kind %d>,<blocks %02X>,<length %05X>,<crc>#"
inline std::string StartFrame(int kind, std::size_t length, std::size_t blocks) {
    char body[64];
    std::snprintf(body, sizeof body, "%%S,01,%d,%02X,%05X,", kind, static_cast<unsigned>(blocks),
                  static_cast<unsigned>(length));
    return body + HexField(FrameChecksum(body), 4) + "#";
}

// The 1,024-byte blocks: data, then the checksum high byte first right after the last data
// byte (spilling into a further block when the data fill or nearly fill the last one),
// the rest zero. An empty file sends none.
inline std::vector<std::vector<std::uint8_t>> FileBlocks(const std::vector<std::uint8_t>& file,
                                                         std::uint16_t carried) {
    if (file.empty())
        return {};
    std::vector<std::uint8_t> stream = file;
    stream.push_back(static_cast<std::uint8_t>(carried >> 8));
    stream.push_back(static_cast<std::uint8_t>(carried & 0xFF));
    stream.resize(AnnouncedBlocks(stream.size()) * 1024, 0);
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::size_t at = 0; at < stream.size(); at += 1024)
        blocks.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                            stream.begin() + static_cast<std::ptrdiff_t>(at + 1024));
    return blocks;
}

// "%T,01,<kind %d>,<index %02X>,<1024 bytes as %02X>,<crc>#"
inline std::string BlockFrame(int kind, std::size_t index, const std::vector<std::uint8_t>& data) {
    char head[32];
    std::snprintf(head, sizeof head, "%%T,01,%d,%02X,", kind, static_cast<unsigned>(index));
    std::string body = head;
    for (std::uint8_t b : data)
        body += HexField(b, 2);
    body += ',';
    return body + HexField(FrameChecksum(body), 4) + "#";
}

// The frame in 256-byte datagrams, the last padded with NUL bytes.
inline std::vector<std::string> Datagrams256(const std::string& frame) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < frame.size(); at += 256) {
        std::string piece = frame.substr(at, 256);
        piece.resize(256, '\0');
        out.push_back(std::move(piece));
    }
    return out;
}

} // namespace krm::test
