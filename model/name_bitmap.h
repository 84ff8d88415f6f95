#pragma once
// The name bitmap of the name frame "%V,": every character of a name drawn into a cell
// 24 pixels high (12 wide for a single-byte GBK character, 24 for a double-byte one),
// read column by column, left to right, each column top to bottom, one bit per dark
// pixel, most significant bit first; cells joined, cut or zero-filled to 288 bytes, and
// then the bit order of every byte reversed (the order the device reads them in).
//
// Pure: safe on any thread as long as the renderer is.

#include "model/glyph_renderer.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace krm {

inline constexpr std::size_t kNameBitmapSize = 288;
using NameBitmap = std::array<std::uint8_t, kNameBitmapSize>;

// Packs the cells of the GBK text. Without a renderer every cell is blank, so the
// bitmap is all zeros (the device then shows no picture for the name, only its text).
NameBitmap PackNameBitmap(std::string_view gbk, const GlyphRenderer* renderer);

// The characters of a GBK text with the width of their cells: a lead byte 0x81..0xFE
// followed by another byte is one double-byte character, anything else one byte.
struct NameCharacter {
    char16_t unit = 0; // the character as one UTF-16 code unit
    int cellWidth = GlyphCell::kNarrowWidth;
};
std::vector<NameCharacter> SplitNameCharacters(std::string_view gbk);

// Reverses the order of the eight bits of a byte (bit 7 becomes bit 0).
constexpr std::uint8_t ReverseBits(std::uint8_t b) {
    std::uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        if (b & (1u << i))
            r = static_cast<std::uint8_t>(r | (0x80u >> i));
    return r;
}

} // namespace krm
