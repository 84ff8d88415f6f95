#include "model/dispatch.h"
#include "model/parsers.h"
#include "tests/model/frame_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace krm {
namespace {

using test::DeviceFrame;
using test::Rep;

DeviceImage startup() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

// A name as eight UTF-16 code units, four digits each (as the device sends it).
const char* const kChairman = "4E3B5E2D"
                              "000000000000000000000000"; // 主席
const char* const kPodium = "0050006F006400690075006D"
                            "00000000"; // Podium
const char* const kEmpty = "00000000000000000000000000000000";
const char* const kEightChinese = "4E004E8C4E0956DB4E94516D4E03516B"; // 一二三四五六七八
const char* const kStopsAtZero = "0041000000420043"
                                 "0000000000000000"; // A, 0, B, C

TEST(ParseIdent, StoresUnitsChineseAndLatinNamesAndUnitCount) {
    const std::string frame = DeviceFrame(
        'Y', {
                 // units: 1 = 1, 2, (255 -> 0), 4, 21; 2 = all empty; 3 = 3, 0, 0, 0, 9
                 std::string("0102FF0415") + "FFFFFFFFFF" + "0300000009",
                 std::string(kChairman) + kPodium + kEmpty + kEightChinese + kStopsAtZero,
                 "3",
             });
    const auto report = ParseIdent(frame);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->unitItems, 3);
    EXPECT_EQ(report->nameItems, 5);

    DeviceImage image = startup();
    image.micUnits[3] = {7, 7, 7, 7, 7};
    ApplyIdent(*report, image);
    EXPECT_EQ(image.micUnits[0], (MicUnit{1, 2, 0, 4, 21}));
    EXPECT_EQ(image.micUnits[1], (MicUnit{0, 0, 0, 0, 0})) << "FF is an empty slot";
    EXPECT_EQ(image.micUnits[2], (MicUnit{3, 0, 0, 0, 9}));
    EXPECT_EQ(image.micUnits[3], (MicUnit{7, 7, 7, 7, 7})) << "unit 4 did not come";
    EXPECT_EQ(image.inputs[0].name.toUtf16(), u"主席");
    EXPECT_EQ(image.inputs[0].name.view().size(), 4u) << "stored as GBK";
    EXPECT_EQ(image.inputs[1].name.view(), "Podium");
    EXPECT_TRUE(image.inputs[2].name.empty()) << "all units 0000: empty name";
    // Sixteen GBK bytes do not fit beside the terminator: the last character goes.
    EXPECT_EQ(image.inputs[3].name.toUtf16(), u"一二三四五六七");
    EXPECT_EQ(image.inputs[4].name.view(), "A") << "a zero unit ends the name";
    EXPECT_EQ(image.inputs[5].name.view(), "CH 6") << "CH6 did not come";
    EXPECT_EQ(image.unitCount, 3);
}

TEST(ParseIdent, NamesReachTheBusesAndExtraUnitsAndNamesAreIgnored) {
    // Eleven units (one too many) and 29 names (one too many): the extras belong nowhere.
    std::string names = Rep(kEmpty, 20) + kPodium + Rep(kEmpty, 6) + kChairman + kPodium;
    const auto report = ParseIdent(DeviceFrame('Y', {Rep("0101010101", 11), names, "12"}));
    ASSERT_TRUE(report);
    EXPECT_EQ(report->unitItems, kMicUnitSlots);
    EXPECT_EQ(report->nameItems, kNameSlots);
    DeviceImage image = startup();
    ApplyIdent(*report, image);
    EXPECT_EQ(image.outputs[0].name.view(), "Podium");
    EXPECT_TRUE(image.outputs[1].name.empty());
    EXPECT_EQ(image.outputs[7].name.toUtf16(), u"主席");
    EXPECT_EQ(image.micUnits[9], (MicUnit{1, 1, 1, 1, 1}));
    EXPECT_EQ(image.unitCount, 12);
}

TEST(ParseIdent, UnitCountThatIsNotADecimalNumberIsNotStored) {
    DeviceImage image = startup();
    image.unitCount = 4;
    for (const char* garbage : {"3x", "", "-1", " 3", "0x3", "123456", "A"}) {
        const auto report = ParseIdent(DeviceFrame('Y', {"", "", garbage}));
        ASSERT_TRUE(report) << "the identification itself still counts: " << garbage;
        EXPECT_FALSE(report->unitCount) << garbage;
        ApplyIdent(*report, image);
        EXPECT_EQ(image.unitCount, 4) << garbage;
    }
    EXPECT_EQ(ParseDecimalCount("0"), 0);
    EXPECT_EQ(ParseDecimalCount("0042"), 42);
    EXPECT_FALSE(ParseIdent(DeviceFrame('Y', {}))) << "no data field";
}

// 31 status values: meters CH1..CH20, buses 1..8, open CH9..16, open CH1..8, held channel.
std::string statusDigits(const char* held) {
    return std::string("05464748494A4B4C4D4E4F50515253545556FF07") // CH1..CH20
           + "0810203040506070"                                    // buses 1..8
           + "81"                                                  // CH9 and CH16 open
           + "03"                                                  // CH1 and CH2 open
           + held;
}

TEST(ParseStatus, StoresMetersAndOpenStates) {
    const auto report = ParseStatus(DeviceFrame('Q', {statusDigits("00")}));
    ASSERT_TRUE(report);
    DeviceImage image = startup();
    ApplyStatus(*report, image);
    EXPECT_EQ(image.inputs[0].meter, 5);
    EXPECT_EQ(image.inputs[1].meter, 0x46);
    EXPECT_EQ(image.inputs[18].meter, 255);
    EXPECT_EQ(image.inputs[19].meter, 7);
    EXPECT_EQ(image.outputs[0].meter, 8);
    EXPECT_EQ(image.outputs[7].meter, 0x70);
    std::vector<int> open;
    for (int c = 0; c < kMicInputCount; ++c)
        if (image.inputs[c].autoMixOpen)
            open.push_back(c + 1);
    EXPECT_EQ(open, (std::vector<int>{1, 2, 9, 16}));
}

TEST(ParseStatus, LastHoldMarksTheHeldChannelOnlyWhileLastHoldIsOne) {
    const auto report = ParseStatus(DeviceFrame('Q', {statusDigits("05")}));
    ASSERT_TRUE(report);
    EXPECT_EQ(report->heldChannel, 5);

    DeviceImage image = startup();
    image.lastHold = 0;
    image.inputs[2].autoMixLast = 1;
    image.inputs[15].autoMixLast = 1;
    ApplyStatus(*report, image);
    for (int c = 0; c < kMicInputCount; ++c)
        EXPECT_EQ(image.inputs[c].autoMixLast, 0) << "lastHold 0: CH" << c + 1;

    image.lastHold = 1;
    image.inputs[2].autoMixLast = 1;
    ApplyStatus(*report, image);
    for (int c = 0; c < kMicInputCount; ++c)
        EXPECT_EQ(image.inputs[c].autoMixLast, c == 4 ? 1 : 0) << "lastHold 1: CH" << c + 1;

    // A held channel outside CH1..CH16 marks none.
    ApplyStatus(*ParseStatus(DeviceFrame('Q', {statusDigits("11")})), image);
    for (int c = 0; c < kInputCount; ++c)
        EXPECT_EQ(image.inputs[c].autoMixLast, 0);
}

TEST(ParseStatus, RejectsShortReportsAndIgnoresExtraDigits) {
    const std::string digits = statusDigits("05");
    ASSERT_EQ(digits.size(), 62u);
    EXPECT_FALSE(ParseStatus(DeviceFrame('Q', {digits.substr(0, 60)}))) << "60 digits";
    EXPECT_FALSE(ParseStatus(DeviceFrame('Q', {digits.substr(0, 61)})));
    EXPECT_FALSE(ParseStatus(DeviceFrame('Q', {"01"}))) << "the program's own %Q,01,01,";
    const auto longer = ParseStatus(DeviceFrame('Q', {digits + "7777"}));
    ASSERT_TRUE(longer);
    EXPECT_EQ(longer->heldChannel, 5);
}

TEST(MeterDisplayValue, ClipsBelowEightAndAboveSeventy) {
    EXPECT_EQ(MeterDisplayValue(0), 0);
    EXPECT_EQ(MeterDisplayValue(7), 0);
    EXPECT_EQ(MeterDisplayValue(8), 8);
    EXPECT_EQ(MeterDisplayValue(40), 40);
    EXPECT_EQ(MeterDisplayValue(70), 70);
    EXPECT_EQ(MeterDisplayValue(71), 70);
    EXPECT_EQ(MeterDisplayValue(255), 70);
}

TEST(ParseLevels, StoresAsManyItemsAsCameInEachField) {
    // clang-format off
    const auto report = ParseLevels(DeviceFrame('P', {
        "3C3D3E",                          // buses 1..3 gain
        "0100",                            // buses 1, 2 mute
        "0000010101010101",                // MIC/LINE of buses 1..8
        Rep("28", 19) + "29" + "0A" "0B",  // gain of CH1..CH20, then buses 5 and 6
        "2",                               // unit count
    }));
    // clang-format on
    ASSERT_TRUE(report);
    EXPECT_EQ(report->busGainItems, 3);
    EXPECT_EQ(report->gainItems, 22);
    DeviceImage image = startup();
    image.outputs[2].mute = 1;
    ApplyLevels(*report, image);
    EXPECT_EQ(image.outputs[0].gain, 0x3C);
    EXPECT_EQ(image.outputs[2].gain, 0x3E);
    EXPECT_EQ(image.outputs[3].gain, 30) << "bus 4 not sent";
    EXPECT_EQ(image.outputs[0].mute, 1);
    EXPECT_EQ(image.outputs[1].mute, 0);
    EXPECT_EQ(image.outputs[2].mute, 1) << "bus 3 mute not sent";
    EXPECT_EQ(image.outputs[1].lineLevel, 0);
    EXPECT_EQ(image.outputs[2].lineLevel, 1);
    EXPECT_EQ(image.inputs[0].gain, 0x28);
    EXPECT_EQ(image.inputs[19].gain, 0x29);
    EXPECT_EQ(image.outputs[4].gain, 10) << "field 5 item 21 is bus 5";
    EXPECT_EQ(image.outputs[5].gain, 11);
    EXPECT_EQ(image.outputs[6].gain, 30) << "bus 7 not sent";
    EXPECT_EQ(image.unitCount, 2);
}

TEST(ParseLevels, OnlyTheFirstFieldCarriesNoMoreThanIt) {
    const auto report = ParseLevels(DeviceFrame('P', {Rep("14", 9)})); // one bus too many
    ASSERT_TRUE(report);
    EXPECT_EQ(report->busGainItems, 8);
    EXPECT_EQ(report->gainItems, 0);
    EXPECT_FALSE(report->unitCount);
    DeviceImage image = startup();
    image.unitCount = 5;
    ApplyLevels(*report, image);
    EXPECT_EQ(image.outputs[7].gain, 20);
    EXPECT_EQ(image.inputs[0].gain, 70);
    EXPECT_EQ(image.unitCount, 5);
    EXPECT_FALSE(ParseLevels("%P,01,14,0000#")) << "bad checksum";
}

TEST(DispatchFrame, DumpThenIdentInOneDatagramGiveBothReportsInOrder) {
    std::string dump = DeviceFrame('Z', {Rep("0C", 28), Rep("1", 28)});
    std::string ident = DeviceFrame('Y', {"0102030405", kPodium, "1"});
    std::vector<IncomingReport> reports;
    FrameSplitter splitter;
    const int handed = splitter.split(dump + ident, [&](std::string_view frame) {
        if (auto r = DispatchFrame(frame))
            reports.push_back(std::move(*r));
    });
    EXPECT_EQ(handed, 2);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<DumpReport>(reports[0]));
    EXPECT_TRUE(std::holds_alternative<IdentReport>(reports[1]));

    DeviceImage image = startup();
    for (const auto& r : reports)
        ApplyReport(r, image);
    EXPECT_EQ(image.inputs[5].gain, 12);
    EXPECT_EQ(image.outputs[7].mute, 1);
    EXPECT_EQ(image.inputs[0].name.view(), "Podium");
    EXPECT_EQ(image.micUnits[0], (MicUnit{1, 2, 3, 4, 5}));
    EXPECT_EQ(image.unitCount, 1);
}

TEST(DispatchFrame, ReportsOnlyTheDataLettersAndDropsRejectedFrames) {
    EXPECT_TRUE(std::holds_alternative<StatusReport>(
        *DispatchFrame(DeviceFrame('Q', {statusDigits("00")}))));
    const std::optional<IncomingReport> basic = DispatchFrame(DeviceFrame('r', {"310"}));
    ASSERT_TRUE(basic && std::holds_alternative<BasicVersionReport>(*basic));
    EXPECT_EQ(std::get<BasicVersionReport>(*basic).version(), "310");
    EXPECT_FALSE(DispatchFrame(DeviceFrame('r', {""}))) << "no version";
    EXPECT_FALSE(DispatchFrame(DeviceFrame('r', {std::string(16, '3')}))) << "longer than kept";
    EXPECT_TRUE(std::holds_alternative<LevelsReport>(*DispatchFrame(DeviceFrame('P', {"28"}))));
    EXPECT_FALSE(DispatchFrame(DeviceFrame('G', {"01", "03E8"}))) << "accepted, ignored";
    EXPECT_FALSE(DispatchFrame(DeviceFrame('K', {"01"})));
    EXPECT_FALSE(DispatchFrame("%R,01,01,A0A1#")) << "search request";
    EXPECT_FALSE(DispatchFrame(DeviceFrame('Q', {"0000"}))) << "short status";
    std::string dump = DeviceFrame('Z', {Rep("0C", 28)});
    dump[dump.size() - 2] = dump[dump.size() - 2] == '0' ? '1' : '0';
    EXPECT_FALSE(DispatchFrame(dump)) << "bad checksum";
    EXPECT_FALSE(DispatchFrame("%")) << "too short";
}

} // namespace
} // namespace krm
