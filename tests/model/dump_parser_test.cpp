#include "model/dump_fields.h"
#include "model/parsers.h"
#include "tests/model/frame_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

namespace krm {
namespace {

using test::DeviceFrame;
using test::Rep;

DeviceImage startup() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

// A complete dump, field by field (fields 2..27). Values differ per channel where a
// misplaced item would otherwise go unnoticed.
std::string fullDump() {
    // clang-format off
    return DeviceFrame('Z', {
        // 2: gain, CH1..CH20 = 1..20, buses 1..8 = 0x21..0x28
        "0102030405060708090A0B0C0D0E0F1011121314" "2122232425262728",
        // 3: mute, CH1, CH3, CH19 and buses 1 and 8
        "10100000000000000010" "10000001",
        // 4: compressor on, CH2 and CH16
        "0100000000000001",
        // 5: compressor ratio, threshold, attack, release, gain; CH16 100, 0, 60, 250, 200
        Rep("141E640A05", 15) + "64003CFAC8",
        // 6: limiter on, bus 8
        "00000001",
        // 7: limiter, bus 1 = 30, 40, 1, 200, 50; others 10, 0, 1, 20, 0
        "1E2801C832" + Rep("0A00011400", 7),
        // 8: low-pass on, CH15
        "0000000000000010",
        // 9: low-pass family (ignored), freq, slope, spare; CH1 12000 Hz slope 4
        "FF2EE00401" + Rep("024E200201", 15),
        // 10: high-pass on, CH1
        "1000000000000000",
        // 11: high-pass; CH1 5 Hz (clamped to 20), CH2 100 Hz slope 8
        "0000050201" "0200640801" + Rep("0200140201", 14),
        // 12: EQ switch all off (the program turns it on after every dump)
        Rep("0", 20),
        // 13: bands 1..4 as type+1, freq, gain/2, Q. CH1:
        //   band 1 peaking 200 Hz gain 75 (150) Q 10
        //   band 2 low shelf 500 Hz gain 80 (160) Q 20
        //   band 3 high shelf 2000 Hz gain 0 Q 200
        //   band 4 peaking 20000 Hz gain 150 (300) Q 1
        // the other channels: peaking 1000 Hz 0 dB Q 100
        "0100C84B0A" "0201F45014" "0307D000C8" "014E209601" + Rep("0103E84B64", 4 * 19),
        // 14: graphic EQ on, bus 1
        "10000000",
        // 15: graphic EQ gains/2; bus 1 band 0 = 0, band 30 = 150 (300)
        "00" + Rep("4B", 29) + "96" + Rep("4B", 31 * 7),
        // 16: matrix; CH1 to bus 1, CH2 to bus 2, CH20 to bus 8 with 15
        "10000000" "01000000" + Rep("00000000", 17) + "0000000F",
        // 17: MIC/LINE, buses 1..4 LINE
        "11110000",
        // 18: source; CH2..CH5 = D1..D4, CH20 = D4
        "0123400000000000000" "4",
        // 19: read and ignored
        "7",
        // 20: delay, bus 2 = 200 half-ms, bus 8 = 1
        "00C8000000000001",
        // 21: feedback switch, buses 7 and 8
        "00000011",
        // 22: auto-mixer level and priority; CH1 80 + priority, CH9 255 (clamped)
        "5001" + Rep("2300", 7) + "FF00" + Rep("2300", 11),
        // 23: mode 1, max open 4, last hold 1, hold 10, closed attn 5, nom attn 31
        "0104010A051F",
        // 24: phantom; first byte bit 7 = CH16, second byte bits 0 and 7 = CH1, CH8
        "8081",
        // 25: input gain; CH1 3, CH2..CH17 2, CH18 3 (a line input: 0..1), CH19 1
        "03" + Rep("02", 16) + "03" "01" "00",
        // 26: zero-cross rate 10, energy 20, compare count 30, threshold comp 40
        "0A141E28",
        // 27: device text
        "KRM-416X V31",
    });
    // clang-format on
}

TEST(ParseDump, FullDumpStoresEveryFieldOfInputs) {
    const auto report = ParseDump(fullDump());
    ASSERT_TRUE(report);
    DeviceImage image = startup();
    ApplyDump(*report, image);
    const auto& ch = image.inputs;
    for (int c = 0; c < kInputCount; ++c) {
        EXPECT_EQ(ch[c].gain, c + 1) << "CH" << c + 1;
        EXPECT_EQ(ch[c].peqEnable, 1) << "EQ switched on after every dump";
    }
    EXPECT_EQ(ch[0].mute, 1);
    EXPECT_EQ(ch[1].mute, 0);
    EXPECT_EQ(ch[2].mute, 1);
    EXPECT_EQ(ch[18].mute, 1);
    EXPECT_EQ(ch[1].comp.enable, 1);
    EXPECT_EQ(ch[15].comp.enable, 1);
    EXPECT_EQ(ch[0].comp.enable, 0);
    EXPECT_EQ(ch[0].comp.ratio, 20);
    EXPECT_EQ(ch[0].comp.threshold, 30);
    EXPECT_EQ(ch[0].comp.attack, 100);
    EXPECT_EQ(ch[0].comp.release, 10);
    EXPECT_EQ(ch[0].comp.gain, 5);
    EXPECT_EQ(ch[15].comp.ratio, 100);
    EXPECT_EQ(ch[15].comp.threshold, 0);
    EXPECT_EQ(ch[15].comp.attack, 60);
    EXPECT_EQ(ch[15].comp.release, 250);
    EXPECT_EQ(ch[15].comp.gain, 200);
    EXPECT_EQ(ch[14].lpf.enable, 1);
    EXPECT_EQ(ch[0].lpf.freq, 12000);
    EXPECT_EQ(ch[0].lpf.slope, 4);
    EXPECT_EQ(ch[0].lpf.type, 2) << "the device's family code is ignored";
    EXPECT_EQ(ch[1].lpf.freq, 20000);
    EXPECT_EQ(ch[0].hpf.enable, 1);
    EXPECT_EQ(ch[0].hpf.freq, 20) << "0005 clamped to 20 Hz";
    EXPECT_EQ(ch[1].hpf.freq, 100);
    EXPECT_EQ(ch[1].hpf.slope, 8);
    // PEQ of CH1: types one lower than sent, gains doubled.
    EXPECT_EQ(ch[0].peq[0].type, 0);
    EXPECT_EQ(ch[0].peq[0].freq, 200);
    EXPECT_EQ(ch[0].peq[0].gain, 150);
    EXPECT_EQ(ch[0].peq[0].q, 10);
    EXPECT_EQ(ch[0].peq[1].type, 1);
    EXPECT_EQ(ch[0].peq[1].freq, 500);
    EXPECT_EQ(ch[0].peq[1].gain, 160);
    EXPECT_EQ(ch[0].peq[1].q, 20);
    EXPECT_EQ(ch[0].peq[2].type, 2);
    EXPECT_EQ(ch[0].peq[2].freq, 2000);
    EXPECT_EQ(ch[0].peq[2].gain, 0);
    EXPECT_EQ(ch[0].peq[2].q, 200);
    EXPECT_EQ(ch[0].peq[3].freq, 20000);
    EXPECT_EQ(ch[0].peq[3].gain, 300);
    EXPECT_EQ(ch[0].peq[3].q, 1);
    EXPECT_EQ(ch[0].peq[4].freq, 5000) << "band 5 does not travel";
    EXPECT_EQ(ch[19].peq[3].freq, 1000);
    EXPECT_EQ(ch[19].peq[3].q, 100);
    EXPECT_EQ(ch[0].matrix[0], 1);
    EXPECT_EQ(ch[0].matrix[1], 0);
    EXPECT_EQ(ch[1].matrix[1], 1);
    EXPECT_EQ(ch[19].matrix[7], 15);
    EXPECT_EQ(ch[0].source, 0);
    EXPECT_EQ(ch[1].source, 1);
    EXPECT_EQ(ch[4].source, 4);
    EXPECT_EQ(ch[19].source, 4);
    EXPECT_EQ(ch[0].autoMixLevel, 80);
    EXPECT_EQ(ch[0].autoMixPriority, 1);
    EXPECT_EQ(ch[1].autoMixLevel, 35);
    EXPECT_EQ(ch[8].autoMixLevel, 80) << "255 clamped";
    EXPECT_EQ(ch[0].phantom, 1);
    EXPECT_EQ(ch[7].phantom, 1);
    EXPECT_EQ(ch[15].phantom, 1);
    EXPECT_EQ(ch[1].phantom, 0);
    EXPECT_EQ(ch[8].phantom, 0);
    EXPECT_EQ(ch[0].inputGain, 3);
    EXPECT_EQ(ch[15].inputGain, 2);
    EXPECT_EQ(ch[16].inputGain, 1) << "CH17..CH20 are line inputs: 2 stored as 1";
    EXPECT_EQ(ch[17].inputGain, 1) << "CH18 is a line input: 3 stored as 1";
    EXPECT_EQ(ch[18].inputGain, 1);
}

TEST(ParseDump, FullDumpStoresEveryFieldOfBusesAndGlobals) {
    const auto report = ParseDump(fullDump());
    ASSERT_TRUE(report);
    DeviceImage image = startup();
    ApplyDump(*report, image);
    const auto& bus = image.outputs;
    for (int o = 0; o < kOutputCount; ++o)
        EXPECT_EQ(bus[o].gain, 0x21 + o) << "bus " << o + 1;
    EXPECT_EQ(bus[0].mute, 1);
    EXPECT_EQ(bus[1].mute, 0);
    EXPECT_EQ(bus[7].mute, 1);
    EXPECT_EQ(bus[7].limiter.enable, 1);
    EXPECT_EQ(bus[0].limiter.enable, 0);
    EXPECT_EQ(bus[0].limiter.ratio, 30);
    EXPECT_EQ(bus[0].limiter.threshold, 40);
    EXPECT_EQ(bus[0].limiter.attack, 1);
    EXPECT_EQ(bus[0].limiter.release, 200);
    EXPECT_EQ(bus[0].limiter.gain, 50);
    EXPECT_EQ(bus[6].limiter.release, 20);
    EXPECT_EQ(bus[0].geqEnable, 1);
    EXPECT_EQ(bus[1].geqEnable, 0);
    EXPECT_EQ(bus[0].geq[0].gain, 0);
    EXPECT_EQ(bus[0].geq[1].gain, 150);
    EXPECT_EQ(bus[0].geq[30].gain, 300);
    EXPECT_EQ(bus[7].geq[30].gain, 150);
    EXPECT_EQ(bus[0].lineLevel, 1);
    EXPECT_EQ(bus[3].lineLevel, 1);
    EXPECT_EQ(bus[4].lineLevel, 0);
    EXPECT_EQ(bus[1].delay, 200);
    EXPECT_EQ(bus[7].delay, 1);
    EXPECT_EQ(bus[0].delay, 0);
    EXPECT_EQ(bus[6].outK, 1);
    EXPECT_EQ(bus[7].outK, 1);
    EXPECT_EQ(bus[5].outK, 0);
    EXPECT_EQ(image.autoMixMode, 1);
    EXPECT_EQ(image.maxOpenCh, 4);
    EXPECT_EQ(image.lastHold, 1);
    EXPECT_EQ(image.holdTime, 10);
    EXPECT_EQ(image.closedAttn, 5);
    EXPECT_EQ(image.nomAttn, 30) << "31 clamped";
    EXPECT_EQ(image.zeroCrossRate, 10);
    EXPECT_EQ(image.energy, 20);
    EXPECT_EQ(image.compareCount, 30);
    EXPECT_EQ(image.thresholdComp, 40);
    EXPECT_EQ(image.deviceText.view(), "KRM-416X V31");
    // Fields no frame carries keep what the program set.
    EXPECT_EQ(image.inputs[0].label.view(), "CH 1");
    EXPECT_EQ(image.outputs[0].geq[5].freq, 63);
}

TEST(ParseDump, ShortFieldsLeaveLaterChannelsAndMissingFieldsUntouched) {
    // Field 2 with three items, field 5 with one item and a part, field 13 with less
    // than one item, nothing after field 13.
    // clang-format off
    const std::string frame = DeviceFrame('Z', {
        "0A0B0C",                   // 2: CH1..CH3 gain
        "1",                        // 3: CH1 mute
        "",                         // 4: nothing
        "141E640A05" "141E64",      // 5: CH1 and a part of CH2
        "", "", "", "", "", "", "", // 6..12
        "0103E84B0A" "0201F450",    // 13: a part of CH1
    });
    // clang-format on
    const auto report = ParseDump(frame);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->field(2).items, 3);
    EXPECT_EQ(report->field(5).items, 1);
    EXPECT_EQ(report->field(13).items, 0) << "40 digits make one item; 18 are not one";
    EXPECT_EQ(report->field(15).items, 0);
    EXPECT_FALSE(report->deviceText);

    DeviceImage image = startup();
    image.inputs[1].comp.ratio = 77;
    image.outputs[0].geq[3].gain = 44;
    image.deviceText = Name16::fromGbk("before");
    ApplyDump(*report, image);
    EXPECT_EQ(image.inputs[0].gain, 10);
    EXPECT_EQ(image.inputs[2].gain, 12);
    EXPECT_EQ(image.inputs[3].gain, 70) << "CH4 keeps its start-up value";
    EXPECT_EQ(image.outputs[0].gain, 30);
    EXPECT_EQ(image.inputs[0].mute, 1);
    EXPECT_EQ(image.inputs[0].comp.ratio, 20);
    EXPECT_EQ(image.inputs[1].comp.ratio, 77) << "a partial item is not stored";
    EXPECT_EQ(image.inputs[0].peq[0].freq, 200) << "partial CH1 EQ item not stored";
    EXPECT_EQ(image.outputs[0].geq[3].gain, 44);
    EXPECT_EQ(image.deviceText.view(), "before");
}

TEST(ParseDump, ExtraItemsAreIgnoredAndDeviceTextIsCutTo15Bytes) {
    // Field 2 with 30 items: items 29 and 30 belong to no channel.
    const std::string frame = DeviceFrame('Z', {Rep("0B", 28) + "4546",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "",
                                                "ABCDEFGHIJKLMNOPQRSTUV"});
    const auto report = ParseDump(frame);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->field(2).items, 28);
    DeviceImage image = startup();
    ApplyDump(*report, image);
    EXPECT_EQ(image.outputs[7].gain, 11);
    EXPECT_EQ(image.deviceText.view(), "ABCDEFGHIJKLMNO");
}

TEST(ParseDump, RejectsBadChecksumLowerCaseChecksumOtherLetterAndTheHello) {
    const std::string good = fullDump();
    ASSERT_TRUE(ParseDump(good));

    std::string bad = good;
    bad[10] = bad[10] == '1' ? '2' : '1'; // one digit of field 2 changed
    EXPECT_FALSE(ParseDump(bad));

    std::string lower = good;
    const auto sum = lower.size() - 5;
    std::transform(lower.begin() + static_cast<long>(sum), lower.end() - 1,
                   lower.begin() + static_cast<long>(sum),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    ASSERT_NE(lower, good) << "the test needs a checksum with letters in it";
    EXPECT_FALSE(ParseDump(lower));

    EXPECT_FALSE(ParseDump(good.substr(0, good.size() - 1))) << "no end mark";
    EXPECT_FALSE(ParseDump(DeviceFrame('Y', {"0A"})));
    EXPECT_FALSE(ParseDump(DeviceFrame('Z', {}))) << "the program's own hello";
}

TEST(ParseDump, AnyCheckedDumpLeavesTheImageInItsLegalRanges) {
    // Fields of random length full of digits, letters and stray characters: whatever a
    // broken device sends, the stored image stays inside the ranges the pages index with.
    std::mt19937 rng(2024);
    const std::string alphabet = "0123456789ABCDEFabcdefXYZ;:- ";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 900);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> fields(26);
        for (auto& f : fields)
            for (int n = length(rng) / (1 + round % 8); n > 0; --n)
                f += alphabet[pick(rng)];
        std::string body = "%Z,01,";
        for (const auto& f : fields)
            body += f + ",";
        const auto report = ParseDump(body + HexField(FrameChecksum(body), 4) + "#");
        ASSERT_TRUE(report);
        for (const DumpField& field : DumpFields())
            if (field.scope != DumpScope::Text) {
                const auto& v = report->field(field.number);
                EXPECT_LE(v.items, DumpScopeItems(field.scope));
                EXPECT_EQ(v.values.size(), static_cast<std::size_t>(v.items * field.valueCount()));
            }
        DeviceImage image = startup();
        ApplyDump(*report, image);
        for (const InputChannel& in : image.inputs) {
            EXPECT_GE(in.hpf.freq, 20);
            EXPECT_LE(in.lpf.freq, 20000);
            EXPECT_LE(in.hpf.slope, 8);
            EXPECT_LE(in.source, 4);
            EXPECT_LE(in.autoMixLevel, 80);
            for (int b = 0; b < 4; ++b) {
                EXPECT_GE(in.peq[b].type, 0);
                EXPECT_LE(in.peq[b].type, 2);
                EXPECT_LE(in.peq[b].gain, 300);
                EXPECT_GE(in.peq[b].q, 1);
            }
        }
        for (const OutputChannel& out : image.outputs)
            for (const GeqBand& band : out.geq)
                EXPECT_LE(band.gain, 300);
        EXPECT_LE(image.deviceText.view().size(), 15u);
    }
}

TEST(DumpFields, TableMatchesTheWireLayout) {
    // Field number, digits per item, items.
    struct Expect {
        int number, digits, items;
    };
    const Expect expected[] = {
        {2, 2, 28},  {3, 1, 28},  {4, 1, 16},   {5, 10, 16}, {6, 1, 8},    {7, 10, 8}, {8, 1, 16},
        {9, 10, 16}, {10, 1, 16}, {11, 10, 16}, {12, 1, 20}, {13, 40, 20}, {14, 1, 8}, {15, 62, 8},
        {16, 8, 20}, {17, 1, 8},  {18, 1, 20},  {19, 1, 1},  {20, 2, 8},   {21, 1, 8}, {22, 4, 20},
        {23, 12, 1}, {24, 4, 1},  {25, 2, 20},  {26, 8, 1},
    };
    const auto& table = DumpFields();
    ASSERT_EQ(table.size(), 26u);
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(table[i].number, expected[i].number);
        EXPECT_EQ(table[i].itemDigits(), expected[i].digits) << "field " << expected[i].number;
        EXPECT_EQ(DumpScopeItems(table[i].scope), expected[i].items)
            << "field " << expected[i].number;
    }
    EXPECT_EQ(table.back().number, 27);
    EXPECT_EQ(table.back().scope, DumpScope::Text);
}

TEST(DumpFields, WritesTheStartupImageAsTheDeviceWould) {
    DeviceImage image = startup();
    image.inputs[0].phantom = 1;
    image.inputs[15].phantom = 1;
    image.inputs[0].peq[0].gain = 151; // odd: loses its last tenth on the wire
    image.outputs[0].delay = 300;      // does not fit two digits: clamped, layout kept
    const auto& t = DumpFields();
    auto text = [&](int number) {
        return DumpFieldText(t[static_cast<std::size_t>(number - 2)], image);
    };
    EXPECT_EQ(text(2), Rep("46", 20) + Rep("1E", 8));
    EXPECT_EQ(text(13).substr(0, 40), "0100C84B64"
                                      "0101F44B64"
                                      "0104E24B64"
                                      "0107D04B64");
    EXPECT_EQ(text(11).substr(0, 10), "0200140201");
    EXPECT_EQ(text(9).substr(0, 10), "024E200201");
    EXPECT_EQ(text(24), "8001");
    EXPECT_EQ(text(20), "FF" + Rep("00", 7));
    EXPECT_EQ(text(15), Rep("4B", 31 * 8));
    EXPECT_EQ(text(19), "0");
    EXPECT_EQ(text(16).size(), 160u);
    image.deviceText = Name16::fromGbk("A,B%C#D");
    EXPECT_EQ(text(27), "A.B.C.D") << "frame marks cannot stand inside a field";
}

} // namespace
} // namespace krm
