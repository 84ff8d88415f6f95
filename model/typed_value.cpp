#include "model/typed_value.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace krm {

namespace {

// Upper case, without blanks: "-3 dB" and "-3dB" read alike.
std::string normalised(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

// A text split into its number and the unit after it ("1:2.5" → 2.5, ""; "-3.0dB" → -3,
// "DB"; "24dB/Oct" → 24, "DB/OCT"). `allowKilo` reads a leading "K" of the unit as × 1,000;
// the parameter's own texts never use it.
std::optional<TypedNumber> readNumber(std::string_view text, bool allowKilo) {
    const std::string t = normalised(text);
    std::string_view v = t;
    if (v.starts_with("1:"))
        v.remove_prefix(2);
    std::size_t end = 0;
    if (end < v.size() && (v[end] == '+' || v[end] == '-'))
        ++end;
    bool digits = false;
    while (end < v.size() && (std::isdigit(static_cast<unsigned char>(v[end])) || v[end] == '.')) {
        digits = digits || v[end] != '.';
        ++end;
    }
    if (!digits)
        return std::nullopt;
    std::string number(v.substr(0, end));
    if (number.front() == '+')
        number.erase(0, 1);
    TypedNumber r;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), r.number);
    if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(r.number))
        return std::nullopt;
    r.unit = std::string(v.substr(end));
    if (allowKilo && r.unit.starts_with('K')) {
        r.number *= 1000;
        r.unit.erase(0, 1);
    }
    return r;
}

bool isSwitch(const Parameter& p, Channel channel) {
    const CodeRange codes = p.rangeFor(channel);
    return codes.min == 0 && codes.max == 1;
}

} // namespace

TypedValue ReadTypedValue(const Parameter& p, Channel channel, std::string_view text) {
    const std::string typed = normalised(text);
    if (typed.empty())
        return TypedRefusal::Empty;
    const CodeRange codes = p.rangeFor(channel);
    // What the parameter shows, in either interface language ("OPEN", "开启").
    for (int code = codes.min; code <= codes.max; ++code)
        if (normalised(ValueText(p, channel, code)) == typed ||
            normalised(ValueTextZh(p, channel, code)) == typed)
            return code;
    if (isSwitch(p, channel)) {
        if (typed == "ON" || typed == "TRUE")
            return 1;
        if (typed == "OFF" || typed == "FALSE")
            return 0;
    }
    std::optional<TypedNumber> number = readNumber(text, true);
    if (!number)
        return TypedRefusal::NotAValue;
    // A number fits when some text of the parameter shows a number in its unit (or it
    // names none): "5 ms" is no frequency.
    for (int code = codes.min; code <= codes.max; ++code) {
        const std::optional<TypedNumber> shown = readNumber(ValueText(p, channel, code), false);
        if (shown && (number->unit.empty() || shown->unit == number->unit))
            return *number;
    }
    return TypedRefusal::NotAValue;
}

std::optional<std::int32_t> NearestCode(const Parameter& p, Channel channel,
                                        const TypedNumber& want) {
    const CodeRange codes = p.rangeFor(channel);
    std::optional<std::int32_t> best;
    double bestDistance = 0;
    double lo = 0;
    double hi = 0;
    for (int code = codes.min; code <= codes.max; ++code) {
        const std::optional<TypedNumber> shown = readNumber(ValueText(p, channel, code), false);
        if (!shown || (!want.unit.empty() && shown->unit != want.unit))
            continue;
        lo = best ? std::min(lo, shown->number) : shown->number;
        hi = best ? std::max(hi, shown->number) : shown->number;
        const double distance = std::fabs(shown->number - want.number);
        if (!best || distance < bestDistance) {
            best = code;
            bestDistance = distance;
        }
    }
    if (!best)
        return std::nullopt;
    // Beyond the ends by more than rounding: out of range, never held to it.
    const double slack = 1e-6 + (hi - lo) * 1e-9;
    if (want.number < lo - slack || want.number > hi + slack)
        return std::nullopt;
    return best;
}

std::string RangeText(const Parameter& p, Channel channel) {
    const CodeRange codes = p.rangeFor(channel);
    return ValueText(p, channel, codes.min) + " .. " + ValueText(p, channel, codes.max);
}

std::string UnitText(const Parameter& p, Channel channel) {
    const CodeRange codes = p.rangeFor(channel);
    const std::string shown = ValueText(p, channel, codes.max);
    const std::optional<TypedNumber> n = readNumber(shown, false);
    if (!n)
        return {};
    // The unit as the text spells it, after the number.
    std::string unit = shown.substr(shown.size() - std::min(shown.size(), n->unit.size()));
    unit.erase(std::remove(unit.begin(), unit.end(), ' '), unit.end());
    return unit;
}

bool ShowsWords(const Parameter& p, Channel channel) {
    const CodeRange codes = p.rangeFor(channel);
    return !readNumber(ValueText(p, channel, codes.min), false) ||
           !readNumber(ValueText(p, channel, codes.max), false);
}

} // namespace krm
