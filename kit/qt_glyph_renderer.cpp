#include "kit/qt_glyph_renderer.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <algorithm>

namespace krm {

namespace {

constexpr int kCellHeight = GlyphCell::kHeight;
constexpr qreal kNarrowAverageWidth = 6;
constexpr qreal kWideAverageWidth = 10;

QString pickFamily() {
    const QStringList installed = QFontDatabase::families();
    for (const char* wanted : {"Arial Unicode MS", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                               "Noto Sans SC", "AR PL UMing CN"}) {
        const QString family = QString::fromLatin1(wanted);
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

} // namespace

QtGlyphRenderer::QtGlyphRenderer() : m_family(pickFamily()) {}

bool QtGlyphRenderer::IsDarkColour(QRgb rgb) {
    const auto value = static_cast<unsigned>(qBlue(rgb)) << 16 |
                       static_cast<unsigned>(qGreen(rgb)) << 8 | static_cast<unsigned>(qRed(rgb));
    return value <= 0xFFF000u;
}

QFont QtGlyphRenderer::fontFor(int cellWidth, qreal& xScale) const {
    QFont font(m_family);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    font.setHintingPreference(QFont::PreferFullHinting);
    // 24 pixels is the height of the whole line (ascent + descent), not the em size.
    font.setPixelSize(kCellHeight);
    const qreal lineHeight = QFontMetricsF(font).height();
    if (lineHeight > kCellHeight)
        font.setPixelSize(std::max(1, static_cast<int>(kCellHeight * kCellHeight / lineHeight)));
    // The average width is the width of an 'x'; the font is narrowed (never widened) so
    // that it matches the width the cell is made for.
    const qreal average = QFontMetricsF(font).horizontalAdvance(QLatin1Char('x'));
    const qreal wanted =
        cellWidth >= GlyphCell::kWideWidth ? kWideAverageWidth : kNarrowAverageWidth;
    xScale = average > wanted ? wanted / average : 1.0;
    return font;
}

GlyphCell QtGlyphRenderer::render(char16_t ch, int cellWidth) const {
    GlyphCell cell(cellWidth);
    if (cell.width == 0)
        return cell;

    QImage image(cell.width, kCellHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        qreal xScale = 1.0;
        const QFont font = fontFor(cell.width, xScale);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.scale(xScale, 1.0);
        const QRectF box(0, 0, cell.width / xScale, kCellHeight);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine,
                         QString(QChar(static_cast<char16_t>(ch))));
    }
    for (int y = 0; y < kCellHeight; ++y)
        for (int x = 0; x < cell.width; ++x)
            cell.setDark(x, y, IsDarkColour(image.pixel(x, y)));
    return cell;
}

} // namespace krm
