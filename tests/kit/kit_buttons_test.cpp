// ToggleButton and PngButton: clicks, double-clicks, hover and state looks.
#include "kit/png_button.h"
#include "kit/toggle_button.h"
#include "tests/kit/kit_events.h"

#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

// Number of pixels within `tolerance` of a colour in each channel.
int countNear(const QImage& image, const QColor& colour, int tolerance) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance &&
                std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}

TEST(ToggleButton, ClickReportsToThePageWhichOwnsTheState) {
    ToggleButton mute("MUTE");
    mute.setControlId(11);
    mute.resize(90, 24);
    mute.show();
    QSignalSpy clicked(&mute, &ToggleButton::clicked);

    test::click(&mute, QPoint(45, 12));
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked.last().at(0).toInt(), 11);
    EXPECT_FALSE(mute.state()); // the page flips it, not the button

    // A release outside the button is no click.
    test::press(&mute, QPoint(45, 12));
    test::release(&mute, QPoint(200, 12));
    EXPECT_EQ(clicked.count(), 1);

    // A double-click is a second click: two fast clicks toggle twice.
    test::doubleClick(&mute, QPoint(45, 12));
    EXPECT_EQ(clicked.count(), 3);
}

TEST(ToggleButton, LitAndDarkLooksDifferAndHoverIsTracked) {
    ToggleButton b("48V");
    b.setLitColor(QColor(214, 58, 48));
    b.resize(90, 24);
    const QImage dark = b.grab().toImage();
    b.setState(true);
    const QImage lit = b.grab().toImage();
    // Sample the face away from the text.
    const QColor darkFace = dark.pixelColor(6, 12);
    const QColor litFace = lit.pixelColor(6, 12);
    EXPECT_GT(litFace.red(), darkFace.red() + 80);
    EXPECT_GT(litFace.red(), litFace.green() + 80);

    EXPECT_FALSE(b.isHovered());
    test::hover(&b, true);
    EXPECT_TRUE(b.isHovered());
    test::hover(&b, false);
    EXPECT_FALSE(b.isHovered());
}

TEST(PngButton, StateFollowsPointerPressAndEnable) {
    PngButton b("exit");
    b.resize(24, 24);
    b.show();
    QSignalSpy clicked(&b, &PngButton::clicked);
    EXPECT_EQ(b.stateName(), "normal");
    test::hover(&b, true);
    EXPECT_EQ(b.stateName(), "over");
    test::press(&b, QPoint(12, 12));
    EXPECT_EQ(b.stateName(), "down");
    test::moveTo(&b, QPoint(60, 12)); // dragged off while pressed
    EXPECT_EQ(b.stateName(), "normal");
    test::moveTo(&b, QPoint(12, 12));
    EXPECT_EQ(b.stateName(), "down");
    test::release(&b, QPoint(12, 12));
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(b.stateName(), "over");

    b.setEnabled(false);
    EXPECT_EQ(b.stateName(), "gray");
    test::hover(&b, true);
    test::press(&b, QPoint(12, 12));
    EXPECT_EQ(b.stateName(), "gray"); // whatever the pointer does
}

TEST(PngButton, PinnedAndMaximisedGlyphsSwapBorderAndGlyphColours) {
    PngButton b("top");
    const PngButton::StateColours normal = b.stateColours("normal");
    EXPECT_EQ(b.effectiveColours().border, normal.border);
    for (const char* glyph : {"toped", "maxed", "toped_mini", "maxed_mini"}) {
        b.setGlyph(glyph);
        EXPECT_EQ(b.effectiveColours().border, normal.glyph) << glyph;
        EXPECT_EQ(b.effectiveColours().glyph, normal.border) << glyph;
    }
    bool mini = false;
    EXPECT_EQ(PngButton::baseGlyph("exit_mini", &mini), "exit");
    EXPECT_TRUE(mini);
    EXPECT_EQ(PngButton::baseGlyph("menu", &mini), "menu");
    EXPECT_FALSE(mini);
}

TEST(PngButton, GlyphsAreDrawnAndMiniGlyphsUseThinnerStrokes) {
    PngButton b;
    b.resize(40, 40);
    b.setStateColours("normal", {QColor(0, 0, 0), QColor(0, 0, 0), QColor(255, 255, 255)});
    const QColor white(255, 255, 255);
    b.setGlyph("plus");
    const QImage plus = b.grab().toImage();
    EXPECT_EQ(plus.pixelColor(20, 20), white) << "the plus crosses the centre";
    EXPECT_EQ(plus.pixelColor(5, 5), QColor(0, 0, 0)) << "corners stay empty";

    b.setGlyph("exit");
    const int thick = countNear(b.grab().toImage(), white, 60);
    b.setGlyph("exit_mini");
    const int thin = countNear(b.grab().toImage(), white, 60);
    EXPECT_GT(thin, 10);
    EXPECT_GT(thick, thin * 3 / 2);

    b.setGlyph("menu");
    const QImage menu = b.grab().toImage();
    int lines = 0;
    bool inLine = false;
    for (int y = 0; y < 40; ++y) {
        const bool on = menu.pixelColor(20, y).lightness() > 200;
        if (on && !inLine)
            ++lines;
        inLine = on;
    }
    EXPECT_EQ(lines, 3);
}

} // namespace
} // namespace krm::ui
