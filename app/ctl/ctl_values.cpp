#include "app/ctl/ctl_values.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

namespace krm::ctl {

namespace {

// Upper case, without blanks: "-3 dB" and "-3dB" read alike.
std::string normalised(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return out;
}

// A display text split into its number and the unit after it ("1:2.5" → 2.5, "";
// "-3.0dB" → -3, "DB"; "24dB/Oct" → 24, "DB/OCT").
struct Reading {
    double number = 0;
    std::string unit;
    bool kilo = false;
};

std::optional<Reading> readNumber(std::string_view text, bool allowKilo) {
    std::string t = normalised(text);
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
    Reading r;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), r.number);
    if (ec != std::errc() || ptr != number.data() + number.size() || !std::isfinite(r.number))
        return std::nullopt;
    r.unit = std::string(v.substr(end));
    if (allowKilo && r.unit.starts_with('K')) {
        r.kilo = true;
        r.number *= 1000;
        r.unit.erase(0, 1);
    }
    return r;
}

std::string rangeSentence(const Parameter& p, Channel channel) {
    const CodeRange codes = p.rangeFor(channel);
    return ValueText(p, channel, codes.min) + " .. " + ValueText(p, channel, codes.max);
}

} // namespace

std::variant<std::int32_t, std::string> ParseDisplayValue(const Parameter& p, Channel channel,
                                                          std::string_view text) {
    const std::string path = p.path(channel);
    const std::string typed = normalised(text);
    if (typed.empty())
        return path + ": no value given";
    const CodeRange codes = p.rangeFor(channel);

    // A text the parameter itself shows: "OPEN", "ANALOG", "D2", "LINE", "24dB/Oct".
    for (int code = codes.min; code <= codes.max; ++code)
        if (normalised(ValueText(p, channel, code)) == typed)
            return code;
    // Switches also read "on"/"off".
    if (codes.min == 0 && codes.max == 1) {
        if (typed == "ON" || typed == "TRUE")
            return 1;
        if (typed == "OFF" || typed == "FALSE")
            return 0;
    }

    const std::optional<Reading> want = readNumber(text, true);
    if (!want)
        return "'" + std::string(text) + "' is not a value of " + path + " (" +
               rangeSentence(p, channel) + ")";
    // The code whose text shows the nearest number, among texts of the same unit.
    std::optional<std::int32_t> best;
    double bestDistance = 0;
    double lo = 0;
    double hi = 0;
    bool unitSeen = false;
    for (int code = codes.min; code <= codes.max; ++code) {
        const std::optional<Reading> shown = readNumber(ValueText(p, channel, code), false);
        if (!shown)
            continue;
        if (!want->unit.empty() && shown->unit != want->unit)
            continue;
        if (!unitSeen) {
            lo = hi = shown->number;
            unitSeen = true;
        }
        lo = std::min(lo, shown->number);
        hi = std::max(hi, shown->number);
        const double distance = std::fabs(shown->number - want->number);
        if (!best || distance < bestDistance) {
            best = code;
            bestDistance = distance;
        }
    }
    if (!best)
        return "'" + std::string(text) + "' is not a value of " + path + " (" +
               rangeSentence(p, channel) + ")";
    // Beyond the ends by more than rounding: refused, never held to the range.
    const double slack = 1e-6 + (hi - lo) * 1e-9;
    if (want->number < lo - slack || want->number > hi + slack)
        return "'" + std::string(text) + "' is out of range for " + path + " (" +
               rangeSentence(p, channel) + ")";
    return *best;
}

} // namespace krm::ctl
