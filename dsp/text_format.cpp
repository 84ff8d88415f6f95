#include "dsp/text_format.h"

#include <array>
#include <charconv>

namespace krm {

std::string integerText(long long value) {
    std::array<char, 32> buf{};
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    return std::string(buf.data(), result.ptr);
}

std::string decimalText(double value, int decimals) {
    std::array<char, 400> buf{}; // room for any double in fixed notation
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buf.data(), result.ptr);
    // "-0.0" after rounding (e.g. -0.04 with one decimal) reads as "0.0".
    if (!text.empty() && text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

} // namespace krm
