// A setting file from elsewhere may hold any 32-bit value in any field: reading holds each
// to its parameter's range and names it, a file the program wrote itself reads back as it
// was, and no frame of the resend ever carries a field wider than its width.
#include "model/parameters.h"
#include "presets/setting_file.h"
#include "presets/setting_recall.h"

#include "tests/presets/image_fixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace krm {
namespace {

using test::FillRandom;
using test::RandomImage;

void PutWord(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        file.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t WordAt(const std::vector<std::uint8_t>& file, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= std::uint32_t{file.at(at + i)} << (8 * i);
    return value;
}

DeviceImage Startup() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

TEST(SettingRanges, AFieldOutOfRangeIsHeldToItAndNamedWithWhatTheFileHeld) {
    // Offsets are written out from the file's layout: inputs of 560 bytes from 56 (pan at
    // +300, gain +304, input gain +340, the high-pass type +248, PEQ band 1's type +20),
    // outputs of 856 bytes from 13496 (gain at +764), maxOpenCh at 20352.
    struct Case {
        std::size_t at;
        std::uint32_t raw;
        const char* path;
        std::int32_t held;
        const char* text;
    };
    const Case cases[] = {
        {56 + 300, 0x80000000u, "in1.pan", 0, "-1.00"},
        {56 + 560 + 20, 0x80000000u, "in2.peq1.type", 0, "0"},
        {56 + 2 * 560 + 304, 0xFFFFFFFFu, "in3.gain", 0, "-60dB"},
        {56 + 2 * 560 + 304, 71, "in3.gain", 70, "10dB"},
        {56 + 248, 7, "in1.hpf.type", 2, "2"},
        {56 + 16 * 560 + 340, 2, "in17.inputGain", 1, nullptr}, // the line inputs have two
        {13496 + 764, 1000, "out1.gain", 70, "10dB"},
        {20352, 0x7FFFFFFFu, "automix.maxOpenCh", 16, "16"},
    };
    const std::vector<std::uint8_t> startupFile = EncodeSettingFile(Startup(), {});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<std::uint8_t> file = startupFile;
        PutWord(file, c.at, c.raw);
        DeviceImage image = RandomImage(5);
        std::vector<HeldField> held;
        ASSERT_TRUE(DecodeSettingFile(file, image, nullptr, &held));
        ASSERT_EQ(held.size(), 1u);
        EXPECT_EQ(held[0].path, c.path);
        EXPECT_EQ(held[0].raw, static_cast<std::int32_t>(c.raw));
        EXPECT_EQ(held[0].held, c.held);
        if (c.text) {
            EXPECT_EQ(held[0].heldText, c.text);
        }
        // The image holds the held value at the field's place, and nothing else changed.
        std::vector<std::uint8_t> again = EncodeSettingFile(image, {});
        EXPECT_EQ(WordAt(again, c.at), static_cast<std::uint32_t>(c.held));
        PutWord(again, c.at, c.raw);
        EXPECT_TRUE(again == file);
    }

    // What the program itself writes reads back unchanged, with nothing to report: its
    // start-up image (whose noise-gate times and effects lie below their ranges until the
    // device sets them) and any image it holds.
    for (const DeviceImage& written : {Startup(), RandomImage(9)}) {
        const std::vector<std::uint8_t> file = EncodeSettingFile(written, {});
        DeviceImage image = RandomImage(6);
        std::vector<HeldField> held{{"stale", {}, 1, 2, "x"}};
        ASSERT_TRUE(DecodeSettingFile(file, image, nullptr, &held));
        EXPECT_TRUE(held.empty());
        EXPECT_TRUE(EncodeSettingFile(image, {}) == file);
    }
}

// The fields of a frame between its letter and its checksum.
std::vector<std::string> FieldsOf(const std::string& frame) {
    std::vector<std::string> fields;
    std::size_t at = 3; // after "%X,"
    for (std::size_t comma; (comma = frame.find(',', at)) != std::string::npos; at = comma + 1)
        fields.push_back(frame.substr(at, comma - at));
    return fields;
}

// The widest field a frame may carry at `index`: the packed ones (matrix nibbles, graphic
// EQ gains, a name and its bitmap, a unit's five bytes) have their own widths; every
// other field is a byte or a word.
std::size_t WidestField(char letter, std::size_t index) {
    if (letter == 'B' && index == 2)
        return 8;
    if (letter == 'H' && index == 3)
        return 62;
    if (letter == 'V' && index == 2)
        return 32;
    if (letter == 'V' && index == 3)
        return 576;
    if (letter == 'X' && index == 2)
        return 10;
    return 4;
}

TEST(SettingRanges, TheResendOfAnyFileCarriesNoFieldWiderThanItsWidth) {
    std::mt19937 random(77);
    // A file of random bytes, read as any file is; and an image never held, whose frames
    // the builders alone keep to their widths.
    std::vector<std::uint8_t> file(kSettingFileSize);
    for (auto& b : file)
        b = static_cast<std::uint8_t>(random());
    DeviceImage read = Startup();
    std::vector<HeldField> held;
    ASSERT_TRUE(DecodeSettingFile(file, read, nullptr, &held));
    EXPECT_GT(held.size(), 1000u); // nearly every field of random bytes is out of range
    const DeviceImage startup = Startup();
    for (const Parameter& p : Parameters()) {
        const int records = p.side == Side::Input    ? kInputCount
                            : p.side == Side::Output ? kOutputCount
                                                     : 1;
        for (int i = 0; i < records; ++i) {
            const Channel ch = p.side == Side::Device ? Channel::device() : Channel{p.side, i};
            const std::int32_t code = p.get(read, ch);
            EXPECT_TRUE(p.rangeFor(ch).contains(code) || code == p.get(startup, ch))
                << p.path(ch) << " " << code;
        }
    }

    DeviceImage raw = Startup();
    FillRandom(raw.inputs, random);
    FillRandom(raw.outputs, random);
    FillRandom(raw.micUnits, random);
    for (std::int32_t* v : {&raw.autoMixMode, &raw.maxOpenCh, &raw.lastHold, &raw.holdTime,
                            &raw.closedAttn, &raw.nomAttn})
        *v = static_cast<std::int32_t>(random());

    for (const DeviceImage* image : {&read, &raw}) {
        SCOPED_TRACE(image == &read ? "a random file read" : "an image never held");
        const std::vector<PacedSender::TimedFrame> resend = SettingResendSequence(*image, nullptr);
        ASSERT_GT(resend.size(), 200u);
        for (const PacedSender::TimedFrame& f : resend) {
            const std::vector<std::string> fields = FieldsOf(f.text);
            for (std::size_t i = 0; i < fields.size(); ++i)
                ASSERT_LE(fields[i].size(), WidestField(f.text[1], i)) << f.text;
        }
    }
}

} // namespace
} // namespace krm
