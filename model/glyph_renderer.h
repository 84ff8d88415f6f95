#pragma once
// GlyphRenderer: draws one character of a channel name into its cell of the name bitmap
// that travels in "%V,". The model only packs cells; drawing needs a font engine, so the
// program injects a Qt implementation (ui/glyph) and tests inject a fake.
//
// Called from the thread that builds name frames (the user-interface thread); an
// implementation need not be safe for concurrent calls.

#include <cstdint>
#include <vector>

namespace krm {

// One character cell: 24 pixels high, 12 wide (single-byte character) or 24 wide
// (double-byte character). dark holds width * 24 values row by row, 1 for a dark pixel.
struct GlyphCell {
    static constexpr int kHeight = 24;
    static constexpr int kNarrowWidth = 12;
    static constexpr int kWideWidth = 24;

    int width = 0;
    std::vector<std::uint8_t> dark;

    GlyphCell() = default;
    explicit GlyphCell(int cellWidth)
        : width(cellWidth > 0 ? cellWidth : 0), dark(static_cast<std::size_t>(width * kHeight), 0) {
    }

    // False outside the cell, so a short grid reads as light pixels.
    bool isDark(int x, int y) const {
        if (x < 0 || x >= width || y < 0 || y >= kHeight)
            return false;
        const auto i = static_cast<std::size_t>(y * width + x);
        return i < dark.size() && dark[i] != 0;
    }
    void setDark(int x, int y, bool on = true) {
        if (x >= 0 && x < width && y >= 0 && y < kHeight)
            dark[static_cast<std::size_t>(y * width + x)] = on ? 1 : 0;
    }
};

class GlyphRenderer {
public:
    virtual ~GlyphRenderer() = default;
    // Draws ch black on white, centred, into a cell of cellWidth (12 or 24) by 24 pixels.
    virtual GlyphCell render(char16_t ch, int cellWidth) const = 0;
};

} // namespace krm
