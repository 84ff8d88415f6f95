#include "model/name_bitmap.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace krm {
namespace {

// Draws a fixed set of pixels into every cell and remembers what it was asked for.
class FakeRenderer final : public GlyphRenderer {
public:
    explicit FakeRenderer(std::vector<std::pair<int, int>> pixels) : m_pixels(std::move(pixels)) {}

    GlyphCell render(char16_t ch, int cellWidth) const override {
        calls.emplace_back(ch, cellWidth);
        GlyphCell cell(cellWidth);
        for (auto [x, y] : m_pixels)
            cell.setDark(x, y);
        return cell;
    }

    mutable std::vector<std::pair<char16_t, int>> calls;

private:
    std::vector<std::pair<int, int>> m_pixels;
};

TEST(NameBitmap, ReverseBitsMirrorsEachByte) {
    EXPECT_EQ(ReverseBits(0x01), 0x80);
    EXPECT_EQ(ReverseBits(0xA0), 0x05);
    EXPECT_EQ(ReverseBits(0x3C), 0x3C);
    EXPECT_EQ(ReverseBits(0x12), 0x48);
}

TEST(NameBitmap, ReadsColumnsTopToBottomAndReversesEveryByte) {
    // Pixel (x 0, y 1): bit 1 of the stream -> 0x40 MSB first -> 0x02 reversed.
    // Pixel (x 2, y 10): bit 2*24+10 = 58 -> byte 7, 0x20 -> 0x04.
    // Pixel (x 11, y 23): bit 11*24+23 = 287, the last of the 36-byte cell -> byte 35,
    // 0x01 -> 0x80.
    FakeRenderer glyphs({{0, 1}, {2, 10}, {11, 23}});
    const NameBitmap bitmap = PackNameBitmap("Ab", &glyphs);
    NameBitmap expected{};
    for (int cell : {0, 36}) {
        expected[static_cast<std::size_t>(cell + 0)] = 0x02;
        expected[static_cast<std::size_t>(cell + 7)] = 0x04;
        expected[static_cast<std::size_t>(cell + 35)] = 0x80;
    }
    EXPECT_EQ(bitmap, expected);
    EXPECT_EQ(glyphs.calls, (std::vector<std::pair<char16_t, int>>{{u'A', 12}, {u'b', 12}}));
}

TEST(NameBitmap, WideCellsForDoubleByteCharactersFollowNarrowOnes) {
    // "主A": a 72-byte wide cell, then a 36-byte narrow one at byte 72.
    // Pixel (x 23, y 0) of the wide cell: bit 23*24 = 552 -> byte 69, 0x80 -> 0x01.
    // In the narrow cell x 23 lies outside and is not drawn.
    FakeRenderer glyphs({{23, 0}, {0, 8}});
    const NameBitmap bitmap = PackNameBitmap("\xD6\xF7"
                                             "A",
                                             &glyphs);
    NameBitmap expected{};
    expected[69] = 0x01;
    // Pixel (x 0, y 8): bit 8 -> byte 1, 0x80 -> 0x01, in both cells.
    expected[1] = 0x01;
    expected[72 + 1] = 0x01;
    EXPECT_EQ(bitmap, expected);
    EXPECT_EQ(glyphs.calls, (std::vector<std::pair<char16_t, int>>{{u'\u4E3B', 24}, {u'A', 12}}));
}

TEST(NameBitmap, CutsAfter288BytesForEightWideCharacters) {
    // Pixel (x 23, y 23) ends each wide cell: bit 575 -> its byte 71, 0x01 -> 0x80.
    FakeRenderer glyphs({{23, 23}, {0, 0}});
    std::string eight;
    for (int i = 0; i < 8; ++i)
        eight += "\xD6\xF7";
    const NameBitmap bitmap = PackNameBitmap(eight, &glyphs);
    NameBitmap expected{};
    for (int cell = 0; cell < 4; ++cell) {
        expected[static_cast<std::size_t>(72 * cell)] = 0x01; // pixel (0, 0): 0x80 -> 0x01
        expected[static_cast<std::size_t>(72 * cell + 71)] = 0x80;
    }
    EXPECT_EQ(bitmap, expected);
    EXPECT_EQ(glyphs.calls.size(), 4u) << "cells past the 288 bytes are not drawn";
}

TEST(NameBitmap, FullCellsZeroFillAndNoRendererGivesZeros) {
    std::vector<std::pair<int, int>> all;
    for (int x = 0; x < 24; ++x)
        for (int y = 0; y < 24; ++y)
            all.emplace_back(x, y);
    FakeRenderer glyphs(all);
    const NameBitmap bitmap = PackNameBitmap("AB\xD6\xF7", &glyphs);
    for (std::size_t i = 0; i < bitmap.size(); ++i)
        EXPECT_EQ(bitmap[i], i < 36 + 36 + 72 ? 0xFF : 0x00) << "byte " << i;

    EXPECT_EQ(PackNameBitmap("AB\xD6\xF7", nullptr), NameBitmap{});
    EXPECT_EQ(PackNameBitmap("", &glyphs), NameBitmap{});
}

// A renderer that returns a cell of the wrong size must not be read out of bounds.
class ShortCellRenderer final : public GlyphRenderer {
public:
    GlyphCell render(char16_t, int) const override {
        GlyphCell cell;
        cell.width = 24;
        cell.dark.assign(5, 1);
        return cell;
    }
};

TEST(NameBitmap, ShortRendererGridReadsAsLight) {
    ShortCellRenderer glyphs;
    const NameBitmap bitmap = PackNameBitmap("A", &glyphs);
    // Only the five stored pixels of row 0 (x 0..4) are dark: bits 0, 24, 48, 72, 96.
    NameBitmap expected{};
    for (int x = 0; x < 5; ++x)
        expected[static_cast<std::size_t>(x * 3)] = 0x01;
    EXPECT_EQ(bitmap, expected);
}

TEST(NameBitmap, SplitsGbkIntoCharactersWithCellWidths) {
    const auto chars = SplitNameCharacters("a\xD6\xF7z\xD6");
    ASSERT_EQ(chars.size(), 4u);
    EXPECT_EQ(chars[0].unit, u'a');
    EXPECT_EQ(chars[1].unit, u'\u4E3B');
    EXPECT_EQ(chars[1].cellWidth, 24);
    EXPECT_EQ(chars[2].cellWidth, 12);
    EXPECT_EQ(chars[3].cellWidth, 12) << "a lone lead byte at the end is one narrow cell";
}

} // namespace
} // namespace krm
