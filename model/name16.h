#pragma once
// Name16: a 16-byte, NUL-terminated name in the local code page (GBK), as the image,
// the setting files and the preset database keep it. On the wire names travel as UTF-16
// code units; the conversions live here so that every part cuts names the same way.

#include <array>
#include <string>
#include <string_view>

namespace krm {

struct Name16 {
    std::array<char, 16> bytes{};

    // The text up to the first NUL (at most 16 bytes when no NUL is stored).
    std::string_view view() const;
    bool empty() const { return bytes[0] == '\0'; }

    // Stores GBK bytes, cut to at most 15 bytes so that the terminator fits, never
    // splitting a double-byte character.
    static Name16 fromGbk(std::string_view gbk);
    // Converts from UTF-16 and stores as above.
    static Name16 fromUtf16(std::u16string_view text);
    static Name16 fromUtf8(std::string_view text);

    std::u16string toUtf16() const;
    std::string toUtf8() const;

    friend bool operator==(const Name16&, const Name16&) = default;
};

// GBK <-> UTF-16. Characters GBK cannot hold become '?'.
std::string Utf16ToGbk(std::u16string_view text);
std::u16string GbkToUtf16(std::string_view gbk);

// Length of the longest prefix of gbk of at most maxBytes that does not split a
// double-byte character.
std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes);

} // namespace krm
