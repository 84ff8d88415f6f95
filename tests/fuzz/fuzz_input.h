#pragma once
// Helpers shared by the libFuzzer harnesses: turning fuzz bytes into checked frames and
// datagrams, and stopping the run on a broken property.

#include "link/frame.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace krm::fuzz {

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// "%<letter>," + body + the body's real checksum + "#": any body reaches the parsers
// as a frame that passed the splitter's checksum test.
inline std::string Checked(char letter, std::string_view body) {
    std::string frame = "%";
    frame += letter;
    frame += ',';
    frame += body;
    frame += HexField(FrameChecksum(frame), 4);
    frame += '#';
    return frame;
}

// The input cut at every `separator`; the pieces (empty ones included) in order.
inline std::vector<std::string_view> Pieces(std::string_view input, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const auto at = input.find(separator);
        pieces.push_back(input.substr(0, at));
        if (at == std::string_view::npos)
            return pieces;
        input.remove_prefix(at + 1);
    }
}

// A property the code promises did not hold: report it and let libFuzzer keep the input.
[[noreturn]] inline void Broken(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "property broken: %s [%.*s]\n", what, static_cast<int>(detail.size()),
                 detail.data());
    std::abort();
}

} // namespace krm::fuzz
