#include "kit/qt_glyph_renderer.h"

#include "model/name_bitmap.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace krm {
namespace {

// The font database needs a GUI application; one for the whole program, offscreen.
QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "glyph_test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication instance(argc, argv);
    return instance;
}

int darkCount(const GlyphCell& cell) {
    int n = 0;
    for (int y = 0; y < GlyphCell::kHeight; ++y)
        for (int x = 0; x < cell.width; ++x)
            n += cell.isDark(x, y) ? 1 : 0;
    return n;
}

class QtGlyphRendererTest : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

TEST_F(QtGlyphRendererTest, LatinLetterDrawsInsideNarrowCell) {
    QtGlyphRenderer glyphs;
    const GlyphCell a = glyphs.render(u'A', GlyphCell::kNarrowWidth);
    ASSERT_EQ(a.width, 12);
    ASSERT_EQ(a.dark.size(), 12u * 24u);
    const int n = darkCount(a);
    EXPECT_GT(n, 10) << "family " << glyphs.family().toStdString();
    EXPECT_LT(n, 12 * 24 / 2) << "a letter, not a filled cell";
    // Centred in one line: the corners stay light.
    EXPECT_FALSE(a.isDark(0, 0));
    EXPECT_FALSE(a.isDark(11, 0));
    EXPECT_FALSE(a.isDark(0, 23));
    EXPECT_FALSE(a.isDark(11, 23));
}

TEST_F(QtGlyphRendererTest, ChineseCharacterDrawsInsideWideCellAndSpaceDrawsNothing) {
    QtGlyphRenderer glyphs;
    const GlyphCell zhu = glyphs.render(u'\u4E3B', GlyphCell::kWideWidth); // 主
    ASSERT_EQ(zhu.width, 24);
    const int n = darkCount(zhu);
    EXPECT_GT(n, 20) << "family " << glyphs.family().toStdString();
    EXPECT_LT(n, 24 * 24 / 2);
    // The character spreads over both halves of its wide cell.
    int left = 0;
    int right = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x)
            (x < 12 ? left : right) += zhu.isDark(x, y) ? 1 : 0;
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);

    EXPECT_EQ(darkCount(glyphs.render(u' ', GlyphCell::kNarrowWidth)), 0);
    EXPECT_EQ(darkCount(glyphs.render(u' ', GlyphCell::kWideWidth)), 0);
}

TEST_F(QtGlyphRendererTest, DarkThresholdIsNotAboveFFF000AsBlueGreenRed) {
    EXPECT_TRUE(QtGlyphRenderer::IsDarkColour(qRgb(0, 0, 0)));
    EXPECT_FALSE(QtGlyphRenderer::IsDarkColour(qRgb(255, 255, 255)));
    // Blue is the most significant byte: anything short of full blue is dark.
    EXPECT_TRUE(QtGlyphRenderer::IsDarkColour(qRgb(255, 255, 254)));
    // Full blue, green F0, red 00 is exactly 0xFFF000.
    EXPECT_TRUE(QtGlyphRenderer::IsDarkColour(qRgb(0x00, 0xF0, 0xFF)));
    EXPECT_FALSE(QtGlyphRenderer::IsDarkColour(qRgb(0x01, 0xF0, 0xFF)));
    EXPECT_FALSE(QtGlyphRenderer::IsDarkColour(qRgb(0x00, 0xF1, 0xFF)));
}

TEST_F(QtGlyphRendererTest, NameBitmapOfALetterIsNotEmptyAndOfSpacesIs) {
    QtGlyphRenderer glyphs;
    const NameBitmap letters = PackNameBitmap("A\xD6\xF7", &glyphs);
    int set = 0;
    for (auto b : letters)
        set += b != 0;
    EXPECT_GT(set, 0);
    for (std::size_t i = 36 + 72; i < letters.size(); ++i)
        EXPECT_EQ(letters[i], 0) << "byte " << i << " lies beyond the two cells";
    EXPECT_EQ(PackNameBitmap("    ", &glyphs), NameBitmap{});
}

} // namespace
} // namespace krm
