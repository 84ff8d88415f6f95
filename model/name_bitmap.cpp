#include "model/name_bitmap.h"

#include "model/name16.h"

namespace krm {

std::vector<NameCharacter> SplitNameCharacters(std::string_view gbk) {
    std::vector<NameCharacter> out;
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        const bool wide = lead >= 0x81 && lead <= 0xFE && i + 1 < gbk.size();
        const std::size_t width = wide ? 2 : 1;
        NameCharacter c;
        c.cellWidth = wide ? GlyphCell::kWideWidth : GlyphCell::kNarrowWidth;
        if (lead < 0x80) {
            c.unit = static_cast<char16_t>(lead);
        } else {
            const std::u16string u = GbkToUtf16(gbk.substr(i, width));
            c.unit = u.empty() ? u'?' : u.front();
        }
        out.push_back(c);
        i += width;
    }
    return out;
}

NameBitmap PackNameBitmap(std::string_view gbk, const GlyphRenderer* renderer) {
    NameBitmap bitmap{};
    if (renderer == nullptr)
        return bitmap;

    std::size_t bit = 0; // running bit position, most significant bit of a byte first
    constexpr std::size_t kBits = kNameBitmapSize * 8;
    for (const NameCharacter& c : SplitNameCharacters(gbk)) {
        if (bit >= kBits)
            break;
        const GlyphCell cell = renderer->render(c.unit, c.cellWidth);
        for (int x = 0; x < c.cellWidth; ++x) {
            for (int y = 0; y < GlyphCell::kHeight; ++y, ++bit) {
                if (bit < kBits && cell.isDark(x, y))
                    bitmap[bit / 8] =
                        static_cast<std::uint8_t>(bitmap[bit / 8] | (0x80u >> (bit % 8)));
            }
        }
    }
    for (auto& b : bitmap)
        b = ReverseBits(b);
    return bitmap;
}

} // namespace krm
