#include "model/frame_builders.h"

#include "link/frame.h"
#include "model/frame_fields.h"
#include "model/name16.h"
#include "model/name_bitmap.h"

#include <algorithm>
#include <span>

namespace krm {

using namespace frame_fields;

namespace {

constexpr int kDeviceAddress = 1;

// "%<letter>,01," — every frame the program sends starts with the device address.
CommandFrame start(char letter) {
    CommandFrame frame(letter);
    frame.byte(kDeviceAddress);
    return frame;
}

// A field never grows past its width: an image value from outside that was not held to
// its range (it should have been, when it was read) must not widen the field into eight
// digits, which the device rejects and which shifts every field after it.
int byteField(std::int32_t wire) {
    return std::clamp<std::int32_t>(wire, 0, 0xFF);
}
int wordField(std::int32_t wire) {
    return std::clamp<std::int32_t>(wire, 0, 0xFFFF);
}

template <class Record, std::size_t N>
void appendFields(CommandFrame& frame, const std::array<Field<Record>, N>& fields,
                  const Record& record) {
    for (const Field<Record>& f : fields) {
        const std::int32_t wire = Encode(f.coding, f.get(record));
        if (f.coding == Coding::Word)
            frame.word(wordField(wire));
        else
            frame.byte(byteField(wire));
    }
}

const InputChannel& input(const DeviceImage& image, int ch) {
    return image.inputs[static_cast<std::size_t>(ch - 1)];
}

const OutputChannel& bus(const DeviceImage& image, int n) {
    return image.outputs[static_cast<std::size_t>(n - 1)];
}

template <std::size_t N>
std::string inputFrame(char letter, const DeviceImage& image, int ch,
                       const std::array<Field<InputChannel>, N>& fields) {
    if (!IsInputWire(ch))
        return {};
    CommandFrame frame = start(letter);
    frame.byte(ch);
    appendFields(frame, fields, input(image, ch));
    return frame.finish();
}

template <std::size_t N>
std::string busFrame(char letter, const DeviceImage& image, int n,
                     const std::array<Field<OutputChannel>, N>& fields) {
    if (!IsBus(n))
        return {};
    CommandFrame frame = start(letter);
    frame.byte(n);
    appendFields(frame, fields, bus(image, n));
    return frame.finish();
}

} // namespace

std::string BuildA(const DeviceImage& image, int ch) {
    if (ch < 0 || ch > 0xFF)
        return {};
    CommandFrame frame = start('A');
    frame.byte(ch);
    if (IsInputWire(ch))
        appendFields(frame, kInputLevel, input(image, ch));
    else if (IsOutputWire(ch))
        appendFields(frame, kOutputLevel, bus(image, ch - kFirstOutputWire + 1));
    return frame.finish();
}

std::string BuildB(const DeviceImage& image, int ch) {
    if (!IsInputWire(ch))
        return {};
    std::array<int, kMatrixDigits> digits{};
    const auto& matrix = input(image, ch).matrix;
    for (std::size_t k = 0; k < digits.size(); ++k)
        digits[k] = MatrixDigit(matrix[k]);
    CommandFrame frame = start('B');
    frame.byte(ch).nibbles(digits);
    return frame.finish();
}

std::string BuildC(const DeviceImage& image, int ch) {
    return inputFrame('C', image, ch, kCompressor);
}

std::string BuildD(const DeviceImage& image, int n) {
    return busFrame('D', image, n, kLimiter);
}

std::string BuildE(const DeviceImage& image, int ch) {
    return inputFrame('E', image, ch, kLowPass);
}

std::string BuildF(const DeviceImage& image, int ch) {
    return inputFrame('F', image, ch, kHighPass);
}

std::string BuildG(const DeviceImage& image, int ch, int band) {
    if (!IsInputWire(ch) || !IsPeqBand(band))
        return {};
    const InputChannel& c = input(image, ch);
    CommandFrame frame = start('G');
    frame.byte(ch).byte(byteField(c.peqEnable)).byte(band);
    appendFields(frame, kPeqBand, c.peq[static_cast<std::size_t>(band - 1)]);
    return frame.finish();
}

std::string BuildH(const DeviceImage& image, int n) {
    if (!IsBus(n))
        return {};
    const OutputChannel& b = bus(image, n);
    CommandFrame frame = start('H');
    frame.byte(n).byte(byteField(b.geqEnable));
    for (const GeqBand& band : b.geq)
        frame.append(HexField(GeqWire(band.gain), 2));
    frame.endField();
    return frame.finish();
}

std::string BuildI(const DeviceImage& image, int n) {
    return busFrame('I', image, n, kLineLevel);
}

std::string BuildJ(const DeviceImage& image, int n) {
    return busFrame('J', image, n, kDelay);
}

std::string BuildK(const DeviceImage& image, int n) {
    return busFrame('K', image, n, kFeedback);
}

std::string BuildAuxSends(const DeviceImage& image, int ch) {
    if (!IsAuxSendWire(ch))
        return {};
    return inputFrame('I', image, ch, kAuxSends);
}

std::string BuildEffectSends(const DeviceImage& image, int ch) {
    if (!IsEffectSendWire(ch))
        return {};
    CommandFrame frame = start('J');
    frame.byte(ch).byte(kEffectSendsTag);
    appendFields(frame, kEffectSends, input(image, ch));
    return frame.finish();
}

std::string BuildL(const DeviceImage& image, int ch) {
    return inputFrame('L', image, ch, kAutoMixChannel);
}

std::string BuildM(const DeviceImage& image) {
    CommandFrame frame = start('M');
    appendFields(frame, kAutoMix, image);
    return frame.finish();
}

std::string BuildN(const DeviceImage& image) {
    CommandFrame frame = start('N');
    appendFields(frame, kDetector, image);
    return frame.finish();
}

std::string BuildO(const DeviceImage& image, int ch) {
    if (!IsInputWire(ch))
        return {};
    const InputChannel& c = input(image, ch);
    CommandFrame frame = start('O');
    frame.byte(ch).byte(byteField(c.source)).word(PhantomMask(image)).byte(byteField(c.inputGain));
    return frame.finish();
}

std::string BuildQ(int value) {
    if (value != 0 && value != 1)
        return {};
    CommandFrame frame = start('Q');
    frame.byte(value);
    return frame.finish();
}

std::string BuildV(const DeviceImage& image, int ch, const GlyphRenderer* renderer) {
    const Name16* name = nullptr;
    if (IsInputWire(ch))
        name = &input(image, ch).name;
    else if (IsOutputWire(ch))
        name = &bus(image, ch - kFirstOutputWire + 1).name;
    else
        return {};

    // A name longer than the 8 bytes the name dialog allows (from a setting file or the
    // device) is cut to whole characters, so that its text and its bitmap agree.
    const std::string_view full = name->view();
    const std::string_view gbk = full.substr(0, GbkFitLength(full, kNameBytes));
    const std::u16string units = GbkToUtf16(gbk);

    CommandFrame frame = start('V');
    frame.byte(ch);
    for (int i = 0; i < kNameUnits; ++i)
        frame.append(HexField(
            i < static_cast<int>(units.size()) ? units[static_cast<std::size_t>(i)] : 0, 4));
    frame.endField();
    for (std::uint8_t b : PackNameBitmap(gbk, renderer))
        frame.append(HexField(b, 2));
    frame.endField();
    return frame.finish();
}

std::string BuildW(int unit) {
    if (unit < 0 || unit > 0xFF)
        return {};
    CommandFrame frame = start('W');
    frame.byte(unit);
    return frame.finish();
}

std::string BuildX(const DeviceImage& image, int unit) {
    if (!IsUnit(unit))
        return {};
    CommandFrame frame = start('X');
    frame.byte(unit);
    for (std::uint8_t b : image.micUnits[static_cast<std::size_t>(unit - 1)])
        frame.append(HexField(UnitByteToWire(b), 2));
    frame.endField();
    return frame.finish();
}

std::string BuildZ() {
    return start('Z').finish();
}

std::string BuildBasicVersionQuery() {
    CommandFrame frame = start('r');
    frame.byte(0);
    return frame.finish();
}

} // namespace krm
