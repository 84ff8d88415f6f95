#include "model/name16.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>

namespace krm {

std::string_view Name16::view() const {
    const auto* end = std::find(bytes.begin(), bytes.end(), '\0');
    return {bytes.data(), static_cast<std::size_t>(end - bytes.begin())};
}

std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        const std::size_t width = (lead >= 0x81 && lead <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return i;
}

Name16 Name16::fromGbk(std::string_view gbk) {
    Name16 name;
    const auto nul = gbk.find('\0');
    if (nul != std::string_view::npos)
        gbk = gbk.substr(0, nul);
    const std::size_t n = GbkFitLength(gbk, name.bytes.size() - 1);
    std::memcpy(name.bytes.data(), gbk.data(), n);
    return name;
}

Name16 Name16::fromUtf16(std::u16string_view text) {
    return fromGbk(Utf16ToGbk(text));
}

Name16 Name16::fromUtf8(std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                         static_cast<std::size_t>(s.size())));
}

std::u16string Name16::toUtf16() const {
    return GbkToUtf16(view());
}

std::string Name16::toUtf8() const {
    const auto u = toUtf16();
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size())).toStdString();
}

std::string Utf16ToGbk(std::u16string_view text) {
    QStringEncoder encoder("GBK");
    const QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    if (!encoder.isValid()) {
        // No GBK codec: keep ASCII, mark the rest.
        std::string out;
        for (char16_t c : text)
            out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }
    const QByteArray bytes = encoder.encode(s);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

std::u16string GbkToUtf16(std::string_view gbk) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid()) {
        std::u16string out;
        for (char c : gbk)
            out += static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'?';
        return out;
    }
    const QString s =
        decoder.decode(QByteArrayView(gbk.data(), static_cast<qsizetype>(gbk.size())));
    return {reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())};
}

} // namespace krm
