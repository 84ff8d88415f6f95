// The parameter table looked up by readout kind and by dotted name, and codes read as
// text and typed text read as codes, by each parameter's rule over the dsp scales.
#include "model/parameters.h"

#include "dsp/scales.h"
#include "dsp/text_format.h"
#include "model/typed_value.h"

#include <cmath>

namespace krm {

const Parameter* ParamForReadout(Side side, int readoutKind) {
    if (readoutKind <= 0)
        return nullptr;
    for (const Parameter& p : Parameters()) {
        if (p.readoutKind != readoutKind)
            continue;
        // The effects are read under any input channel.
        if (p.side == side || (p.side == Side::Device && side == Side::Input))
            return &p;
    }
    return nullptr;
}

std::optional<ParamAddress> FindParameter(std::string_view path) {
    Channel channel = Channel::device();
    std::string_view key = path;
    const auto dot = path.find('.');
    if (dot != std::string_view::npos) {
        if (auto c = ChannelFromPrefix(path.substr(0, dot))) {
            channel = *c;
            key = path.substr(dot + 1);
        }
    }
    for (const Parameter& p : Parameters())
        if (p.side == channel.side && p.key == key && p.existsOn(channel))
            return ParamAddress{&p, channel};
    return std::nullopt;
}

std::string PathPrefix(Channel channel) {
    switch (channel.side) {
    case Side::Input:
        return "in" + std::to_string(channel.index + 1);
    case Side::Output:
        return "out" + std::to_string(channel.index + 1);
    case Side::Device:
        break;
    }
    return {};
}

std::optional<Channel> ChannelFromPrefix(std::string_view prefix) {
    auto number = [](std::string_view digits) -> int {
        if (digits.empty() || digits.size() > 2 || digits[0] == '0')
            return -1;
        int n = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return -1;
            n = n * 10 + (c - '0');
        }
        return n;
    };
    std::optional<Channel> c;
    if (prefix.starts_with("in"))
        c = Channel::input(number(prefix.substr(2)) - 1);
    else if (prefix.starts_with("out"))
        c = Channel::output(number(prefix.substr(3)) - 1);
    if (c && c->valid())
        return c;
    return std::nullopt;
}

std::string ValueWordsZh(const std::string& valueText) {
    if (valueText == "OPEN")
        return "开启";
    if (valueText == "CLOSE")
        return "关闭";
    if (valueText == "ANALOG")
        return "模拟"; // the Dante streams D1..D4 keep their names
    return valueText;
}

std::string ValueTextZh(const Parameter& p, Channel channel, std::int32_t c) {
    return ValueWordsZh(ValueText(p, channel, c));
}

std::string ValueText(const Parameter& p, Channel channel, std::int32_t c) {
    switch (p.rule) {
    case Rule::Plain:
        return integerText(c);
    case Rule::OnOff:
        return c != 0 ? "OPEN" : "CLOSE";
    case Rule::Level:
        return faderText(c);
    case Rule::EqGain:
        return eqGainText(c);
    case Rule::Frequency:
        return frequencyText(c);
    case Rule::Q:
        return qText(c);
    case Rule::Pan:
        // In double: a code from outside (a file, a report) may be any 32-bit value, and
        // c - 100 would overflow for the lowest ones.
        return decimalText((static_cast<double>(c) - 100.0) * 0.01, 2);
    case Rule::Time:
        return integerText(c) + "ms";
    case Rule::Ratio:
        return "1:" + decimalText(c * 0.1, 1);
    case Rule::MakeUp:
        return decimalText(c * 0.1, 1) + "dB";
    case Rule::RevTime:
        return decimalText(c * 0.1, 1) + "s";
    case Rule::Feedback:
        return integerText(c) + "%";
    case Rule::Source:
        return sourceLabel(c);
    case Rule::InputGain:
        return inputGainText(channel.isInput() ? channel.index : 0, c);
    case Rule::Delay:
        return delayText(c);
    case Rule::LineLevel:
        return lineLevelText(c);
    case Rule::Slope:
        return slopeLabel(c);
    }
    return {};
}

std::optional<std::int32_t> CodeFromText(const Parameter& p, Channel channel,
                                         std::string_view typed) {
    const TypedValue value = ReadTypedValue(p, channel, typed);
    if (const auto* code = std::get_if<std::int32_t>(&value))
        return *code;
    if (const auto* number = std::get_if<TypedNumber>(&value))
        return CodeFromTypedNumber(p, channel, number->number);
    return std::nullopt;
}

std::optional<std::int32_t> CodeFromTypedNumber(const Parameter& p, Channel channel, double d) {
    const CodeRange codes = p.rangeFor(channel);
    auto within = [&](double value, double lo, double hi) {
        return truncToCode(
            value, CodeRange{static_cast<int>(std::floor(lo)), static_cast<int>(std::ceil(hi))});
    };
    switch (p.rule) {
    case Rule::Level:
        return within(d + 60, p.typedMin + 60, p.typedMax + 60);
    case Rule::EqGain:
        return within(d * 10 + 150, codes.min, codes.max);
    case Rule::Frequency:
        return within(d, codes.min, codes.max);
    case Rule::Q:
        return within(d * 10, codes.min, codes.max);
    case Rule::Pan:
        return within(d * 100 + 100, codes.min, codes.max);
    case Rule::Time:
    case Rule::Feedback:
        return within(d, p.typedMin, p.typedMax);
    case Rule::Ratio:
    case Rule::MakeUp:
        // 2.5 for a ratio stores 25; the code never leaves its range.
        return within(d * 10, p.typedMin * 10, p.typedMax * 10);
    case Rule::RevTime:
        // Below 1 s the reverb time becomes 0.1 s (code 1).
        return d < 1.0 ? 1 : within(d * 10, p.typedMin * 10, p.typedMax * 10);
    case Rule::Plain:
    case Rule::Source:
    case Rule::InputGain:
    case Rule::Delay:
    case Rule::LineLevel:
    case Rule::Slope:
        return within(d, codes.min, codes.max);
    case Rule::OnOff:
        break;
    }
    return std::nullopt;
}

} // namespace krm
