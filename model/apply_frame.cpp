#include "model/apply_frame.h"

#include "link/frame.h"
#include "model/frame_fields.h"
#include "model/name16.h"

#include <optional>
#include <string>
#include <vector>

namespace krm {

using namespace frame_fields;

namespace {

using Args = std::vector<std::string_view>;

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int digitValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// A field of 1..8 upper-case hex digits as the builders write it ("%02X", "%04X", and
// the eight digits of a value outside 0..255 or negative).
std::optional<std::int32_t> number(std::string_view field) {
    if (field.empty() || field.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (char c : field) {
        if (!isHexDigit(c))
            return std::nullopt;
        v = v << 4 | static_cast<std::uint32_t>(digitValue(c));
    }
    return static_cast<std::int32_t>(v);
}

// A packed field of exactly `digits` hex digits, cut into groups of `width` digits.
std::optional<std::vector<std::int32_t>> packed(std::string_view field, std::size_t digits,
                                                std::size_t width) {
    if (field.size() != digits)
        return std::nullopt;
    std::vector<std::int32_t> out;
    out.reserve(digits / width);
    for (std::size_t i = 0; i < digits; i += width) {
        std::int32_t v = 0;
        for (std::size_t j = i; j < i + width; ++j) {
            if (!isHexDigit(field[j]))
                return std::nullopt;
            v = v << 4 | digitValue(field[j]);
        }
        out.push_back(v);
    }
    return out;
}

// Splits a checked frame into its letter and the fields after the device address.
bool split(std::string_view frame, char& letter, Args& args) {
    if (!FrameChecksumOk(frame) || frame[0] != '%' || frame[1] < 'A' || frame[1] > 'Z' ||
        frame[2] != ',')
        return false;
    letter = frame[1];
    std::string_view body = frame.substr(3, frame.size() - 3 - 5);
    if (body.empty() || body.back() != ',')
        return false;
    Args fields;
    while (!body.empty()) {
        const auto comma = body.find(',');
        const std::string_view field = body.substr(0, comma);
        if (field.empty())
            return false;
        fields.push_back(field);
        body.remove_prefix(comma + 1);
    }
    if (fields.front() != "01")
        return false;
    args.assign(fields.begin() + 1, fields.end());
    return true;
}

// Decodes args[first..] against a field table; nothing is written.
template <class Record, std::size_t N>
std::optional<std::array<std::int32_t, N>> decode(const Args& args, std::size_t first,
                                                  const std::array<Field<Record>, N>& fields) {
    if (args.size() != first + N)
        return std::nullopt;
    std::array<std::int32_t, N> values{};
    for (std::size_t i = 0; i < N; ++i) {
        const auto v = number(args[first + i]);
        const auto decoded = v ? Decode(fields[i].coding, *v) : std::nullopt;
        if (!decoded)
            return std::nullopt;
        values[i] = *decoded;
    }
    return values;
}

template <class Record, std::size_t N>
void store(const std::array<Field<Record>, N>& fields, const std::array<std::int32_t, N>& values,
           Record& record) {
    for (std::size_t i = 0; i < N; ++i)
        if (fields[i].set != nullptr)
            fields[i].set(record, values[i]);
}

std::optional<int> selector(const Args& args, bool (*inRange)(int)) {
    if (args.empty())
        return std::nullopt;
    const auto v = number(args[0]);
    if (!v || !inRange(*v))
        return std::nullopt;
    return *v;
}

InputChannel& input(DeviceImage& image, int ch) {
    return image.inputs[static_cast<std::size_t>(ch - 1)];
}

OutputChannel& bus(DeviceImage& image, int n) {
    return image.outputs[static_cast<std::size_t>(n - 1)];
}

template <std::size_t N>
bool applyInput(const Args& args, const std::array<Field<InputChannel>, N>& fields,
                DeviceImage& image) {
    const auto ch = selector(args, IsInputWire);
    const auto values = decode(args, 1, fields);
    if (!ch || !values)
        return false;
    store(fields, *values, input(image, *ch));
    return true;
}

template <std::size_t N>
bool applyBus(const Args& args, const std::array<Field<OutputChannel>, N>& fields,
              DeviceImage& image) {
    const auto n = selector(args, IsBus);
    const auto values = decode(args, 1, fields);
    if (!n || !values)
        return false;
    store(fields, *values, bus(image, *n));
    return true;
}

template <std::size_t N>
bool applyGlobal(const Args& args, const std::array<Field<DeviceImage>, N>& fields,
                 DeviceImage& image) {
    const auto values = decode(args, 0, fields);
    if (!values)
        return false;
    store(fields, *values, image);
    return true;
}

bool applyA(const Args& args, DeviceImage& image) {
    const auto ch = args.empty() ? std::nullopt : number(args[0]);
    if (!ch)
        return false;
    if (IsInputWire(*ch))
        return applyInput(args, kInputLevel, image);
    if (IsOutputWire(*ch)) {
        const auto values = decode(args, 1, kOutputLevel);
        if (!values)
            return false;
        store(kOutputLevel, *values, bus(image, *ch - kFirstOutputWire + 1));
        return true;
    }
    // Any other channel carries the channel field alone and sets nothing.
    return args.size() == 1 && *ch >= 0 && *ch <= 0xFF;
}

bool applyB(const Args& args, DeviceImage& image) {
    const auto ch = selector(args, IsInputWire);
    if (!ch || args.size() != 2)
        return false;
    const auto digits = packed(args[1], kMatrixDigits, 1);
    if (!digits)
        return false;
    auto& matrix = input(image, *ch).matrix;
    for (std::size_t k = 0; k < matrix.size(); ++k)
        matrix[k] = (*digits)[k];
    return true;
}

bool applyG(const Args& args, DeviceImage& image) {
    // ch, EQ switch, band, then the band's fields.
    const auto values = decode(args, 3, kPeqBand);
    if (!values)
        return false;
    const auto ch = selector(args, IsInputWire);
    const std::int32_t enable = number(args[1]).value_or(-1);
    const std::int32_t band = number(args[2]).value_or(0);
    if (!ch || enable < 0 || !IsPeqBand(band))
        return false;
    if ((*values)[0] < 0)
        return false; // type 0 on the wire would store -1: not a frame we send
    InputChannel& c = input(image, *ch);
    c.peqEnable = enable;
    store(kPeqBand, *values, c.peq[static_cast<std::size_t>(band - 1)]);
    return true;
}

bool applyH(const Args& args, DeviceImage& image) {
    const auto n = selector(args, IsBus);
    if (!n || args.size() != 3)
        return false;
    const auto enable = number(args[1]);
    const auto gains = packed(args[2], kGeqDigits, 2);
    if (!enable || !gains)
        return false;
    OutputChannel& b = bus(image, *n);
    b.geqEnable = *enable;
    for (std::size_t i = 0; i < b.geq.size(); ++i)
        b.geq[i].gain = *Decode(Coding::Half, (*gains)[i]); // two digits always decode
    return true;
}

// A bus's MIC/LINE, or the six aux sends of an input.
bool applyI(const Args& args, DeviceImage& image) {
    if (args.size() == 1 + kLineLevel.size())
        return applyBus(args, kLineLevel, image);
    const auto ch = selector(args, IsAuxSendWire);
    const auto values = decode(args, 1, kAuxSends);
    if (!ch || !values)
        return false;
    store(kAuxSends, *values, input(image, *ch));
    return true;
}

// A bus's delay, or the delay and reverb sends of an input after their tag.
bool applyJ(const Args& args, DeviceImage& image) {
    if (args.size() == 1 + kDelay.size())
        return applyBus(args, kDelay, image);
    const auto ch = selector(args, IsEffectSendWire);
    const auto values = decode(args, 2, kEffectSends);
    if (!ch || !values || number(args[1]) != kEffectSendsTag)
        return false;
    store(kEffectSends, *values, input(image, *ch));
    return true;
}

bool applyO(const Args& args, DeviceImage& image) {
    const auto ch = selector(args, IsInputWire);
    if (!ch || args.size() != 4)
        return false;
    const auto source = number(args[1]);
    const auto mask = number(args[2]);
    const auto inputGain = number(args[3]);
    if (!source || !mask || !inputGain)
        return false;
    InputChannel& c = input(image, *ch);
    c.source = *source;
    c.inputGain = *inputGain;
    SetPhantomMask(image, *mask);
    return true;
}

bool applyV(const Args& args, DeviceImage& image) {
    const auto ch = selector(args, [](int v) { return IsInputWire(v) || IsOutputWire(v); });
    if (!ch || args.size() != 3)
        return false;
    const auto units = packed(args[1], 4 * kNameUnits, 4);
    const auto bitmap = packed(args[2], 2 * kNameBitmapBytes, 2);
    if (!units || !bitmap)
        return false;
    std::u16string text;
    for (std::int32_t u : *units) {
        if (u == 0)
            break; // units beyond the name are 0000
        text += static_cast<char16_t>(u);
    }
    Name16& name =
        IsInputWire(*ch) ? input(image, *ch).name : bus(image, *ch - kFirstOutputWire + 1).name;
    name = Name16::fromUtf16(text);
    return true;
}

bool applyX(const Args& args, DeviceImage& image) {
    const auto unit = selector(args, IsUnit);
    if (!unit || args.size() != 2)
        return false;
    const auto bytes = packed(args[1], kUnitDigits, 2);
    if (!bytes)
        return false;
    MicUnit& record = image.micUnits[static_cast<std::size_t>(*unit - 1)];
    for (std::size_t i = 0; i < record.size(); ++i)
        record[i] = UnitByteFromWire(static_cast<std::uint8_t>((*bytes)[i]));
    return true;
}

} // namespace

bool ApplyParameterFrame(std::string_view frame, DeviceImage& image) {
    char letter = 0;
    Args args;
    if (!split(frame, letter, args))
        return false;
    switch (letter) {
    case 'A':
        return applyA(args, image);
    case 'B':
        return applyB(args, image);
    case 'C':
        return applyInput(args, kCompressor, image);
    case 'D':
        return applyBus(args, kLimiter, image);
    case 'E':
        return applyInput(args, kLowPass, image);
    case 'F':
        return applyInput(args, kHighPass, image);
    case 'G':
        return applyG(args, image);
    case 'H':
        return applyH(args, image);
    case 'I':
        return applyI(args, image);
    case 'J':
        return applyJ(args, image);
    case 'K':
        return applyBus(args, kFeedback, image);
    case 'L':
        return applyInput(args, kAutoMixChannel, image);
    case 'M':
        return applyGlobal(args, kAutoMix, image);
    case 'N':
        return applyGlobal(args, kDetector, image);
    case 'O':
        return applyO(args, image);
    case 'V':
        return applyV(args, image);
    case 'W':
        // A call of a unit: well formed when it carries one unit number; nothing to store.
        return args.size() == 1 && number(args[0]).has_value();
    case 'X':
        return applyX(args, image);
    default:
        return false;
    }
}

} // namespace krm
