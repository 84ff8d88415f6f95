#pragma once
// QtGlyphRenderer: draws the characters of channel names for the name bitmap of "%V,"
// with QPainter on a QImage: black on white, centred in one line, no anti-aliasing.
// Font "Arial Unicode MS" when installed, else a CJK-capable fallback ("WenQuanYi Micro
// Hei"), 24 pixels high; single-byte characters are narrowed to an average width of 6
// pixels, double-byte characters to 10 (the proportions the device's cells expect).
//
// Construct and call on the user-interface thread, after the QGuiApplication exists
// (the font database needs it).

#include "model/glyph_renderer.h"

#include <QFont>
#include <QRgb>
#include <QString>

namespace krm {

class QtGlyphRenderer final : public GlyphRenderer {
public:
    QtGlyphRenderer();

    GlyphCell render(char16_t ch, int cellWidth) const override;

    // The family in use.
    QString family() const { return m_family; }

    // A pixel is dark when its colour as 0x00BBGGRR is not above 0xFFF000.
    static bool IsDarkColour(QRgb rgb);

private:
    QFont fontFor(int cellWidth, qreal& xScale) const;

    QString m_family;
};

} // namespace krm
