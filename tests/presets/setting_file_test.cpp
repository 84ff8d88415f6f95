#include "presets/setting_file.h"

#include "tests/presets/image_fixtures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <random>
#include <utility>

namespace krm {
namespace {

using test::ExpectSameImage;
using test::RandomImage;
using test::ReadAll;
using test::WriteAll;

std::int32_t WordAt(const std::vector<std::uint8_t>& file, std::size_t at) {
    const std::uint32_t u = std::uint32_t{file.at(at)} | std::uint32_t{file.at(at + 1)} << 8 |
                            std::uint32_t{file.at(at + 2)} << 16 |
                            std::uint32_t{file.at(at + 3)} << 24;
    return static_cast<std::int32_t>(u);
}

std::uint16_t HalfAt(const std::vector<std::uint8_t>& file, std::size_t at) {
    return static_cast<std::uint16_t>(file.at(at) | file.at(at + 1) << 8);
}

std::string BytesAt(const std::vector<std::uint8_t>& file, std::size_t at, std::size_t n) {
    return {reinterpret_cast<const char*>(file.data() + at), n};
}

LinkStateRecord SomeLinkState() {
    LinkStateRecord link;
    link.online = true;
    link.connectTries = 0x01020304;
    link.connecting = true;
    link.connectTime = {2024, 5, 3, 17, 9, 41, 7, 512};
    link.lastReplyTime = {2025, 12, 0, 31, 23, 59, 59, 999};
    return link;
}

TEST(SettingFile, RandomImagesSurviveTheFileFieldByField) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        DeviceImage original = RandomImage(seed);
        // Names in the local code page, cut where the slot ends.
        original.inputs[2].name = Name16::fromUtf8("主席话筒");
        original.outputs[5].name = Name16::fromUtf8("会议室扩声");
        original.deviceText = Name16::fromUtf8("三楼大会议室");
        original.controlGroups[1].setName(Name16::fromUtf8("嘉宾组"));
        const LinkStateRecord link = SomeLinkState();

        const std::vector<std::uint8_t> bytes = EncodeSettingFile(original, link);
        ASSERT_EQ(bytes.size(), 23240u);

        DeviceImage decoded = RandomImage(seed + 100);
        // The group switches are not in the file: decoding must leave them as they are.
        decoded.controlGroupActive = {1, 0, 1, 1};
        decoded.activeMuteGroup = 3;
        LinkStateRecord readLink;
        ASSERT_TRUE(DecodeSettingFile(bytes, decoded, &readLink));

        DeviceImage expected = original;
        expected.controlGroupActive = {1, 0, 1, 1};
        expected.activeMuteGroup = 3;
        ExpectSameImage(decoded, expected);
        EXPECT_EQ(readLink, link);
        EXPECT_EQ(decoded.inputs[2].name.toUtf8(), "主席话筒");
        EXPECT_EQ(decoded.deviceText.toUtf8(), "三楼大会议室");
        EXPECT_EQ(decoded.controlGroups[1].name().toUtf8(), "嘉宾组");
        EXPECT_EQ(EncodeSettingFile(decoded, readLink), bytes);
    }
}

// Offsets below are written out from the file's layout tables, not taken from the code.
constexpr std::size_t kInput1 = 56, kInputSize = 560;
constexpr std::size_t kOutput1 = 13496, kOutputSize = 856;

TEST(SettingFile, FieldsLieAtTheirOffsetsAsLittleEndianWords) {
    DeviceImage image;
    ResetToStartupValues(image);
    std::int32_t next = 0x10203040; // four different bytes, so a byte order shows
    const auto distinct = [&next] { return next += 0x00010203; };

    // CH3: every field of the record gets its own value.
    InputChannel& ch = image.inputs[2];
    std::vector<std::pair<std::size_t, std::int32_t*>> in;
    for (std::size_t b = 0; b < 5; ++b) {
        in.push_back({24 * b + 0, &ch.peq[b].freq});
        in.push_back({24 * b + 4, &ch.peq[b].gain});
        in.push_back({24 * b + 8, &ch.peq[b].q});
        in.push_back({24 * b + 12, &ch.peq[b].spare1});
        in.push_back({24 * b + 16, &ch.peq[b].spare2});
        in.push_back({24 * b + 20, &ch.peq[b].type});
    }
    in.insert(in.end(), {{240, &ch.peqEnable},
                         {244, &ch.hpf.freq},
                         {248, &ch.hpf.type},
                         {252, &ch.hpf.slope},
                         {256, &ch.hpf.enable},
                         {260, &ch.lpf.freq},
                         {264, &ch.lpf.type},
                         {268, &ch.lpf.slope},
                         {272, &ch.lpf.enable},
                         {292, &ch.mute},
                         {296, &ch.mute2},
                         {300, &ch.pan},
                         {304, &ch.gain},
                         {308, &ch.gain2},
                         {312, &ch.solo},
                         {316, &ch.meter},
                         {320, &ch.meter2},
                         {324, &ch.phantom},
                         {328, &ch.autoMixPriority},
                         {332, &ch.polarity},
                         {336, &ch.source},
                         {340, &ch.inputGain},
                         {344, &ch.autoMixLevel},
                         {348, &ch.autoMixOpen},
                         {352, &ch.autoMixLast},
                         {356, &ch.comp.enable},
                         {360, &ch.comp.threshold},
                         {364, &ch.comp.attack},
                         {368, &ch.comp.release},
                         {372, &ch.comp.gain},
                         {376, &ch.comp.ratio},
                         {380, &ch.gate.enable},
                         {384, &ch.gate.threshold},
                         {388, &ch.gate.range},
                         {392, &ch.gate.attack},
                         {396, &ch.gate.release},
                         {440, &ch.mainSend},
                         {468, &ch.delaySend},
                         {472, &ch.revSend},
                         {480, &ch.fxPreDelay1},
                         {484, &ch.fxPreDelay2},
                         {488, &ch.fxFeedback},
                         {492, &ch.fxDelayLpf},
                         {516, &ch.fxRevTime},
                         {520, &ch.fxRevLpf},
                         {556, &ch.number}});
    for (std::size_t k = 0; k < 8; ++k)
        in.push_back({408 + 4 * k, &ch.matrix[k]});
    for (std::size_t k = 0; k < 6; ++k)
        in.push_back({444 + 4 * k, &ch.auxSend[k]});
    for (std::size_t t = 0; t < 4; ++t)
        in.push_back({500 + 4 * t, &ch.fxTap[t]});
    // Every integer of the record is named above (the two names are checked below).
    ASSERT_EQ(in.size() * 4 + 32, sizeof(InputChannel));
    for (auto& [offset, field] : in)
        *field = distinct();
    ch.name = Name16::fromUtf8("话筒3");
    ch.label = Name16::fromGbk("LABEL-3");

    // Bus 6.
    OutputChannel& bus = image.outputs[5];
    std::vector<std::pair<std::size_t, std::int32_t*>> out;
    for (std::size_t b = 0; b < 31; ++b) {
        out.push_back({24 * b + 0, &bus.geq[b].freq});
        out.push_back({24 * b + 4, &bus.geq[b].gain});
        out.push_back({24 * b + 8, &bus.geq[b].q});
        out.push_back({24 * b + 12, &bus.geq[b].spare1});
        out.push_back({24 * b + 16, &bus.geq[b].spare2});
        out.push_back({24 * b + 20, &bus.geq[b].spare3});
    }
    out.insert(out.end(), {{744, &bus.geqEnable},
                           {756, &bus.mute},
                           {764, &bus.gain},
                           {772, &bus.meter},
                           {784, &bus.delay},
                           {788, &bus.lineLevel},
                           {792, &bus.outK},
                           {796, &bus.limiter.enable},
                           {800, &bus.limiter.threshold},
                           {804, &bus.limiter.attack},
                           {808, &bus.limiter.release},
                           {812, &bus.limiter.gain},
                           {816, &bus.limiter.ratio},
                           {852, &bus.number}});
    ASSERT_EQ(out.size() * 4 + 32, sizeof(OutputChannel));
    for (auto& [offset, field] : out)
        *field = distinct();
    bus.name = Name16::fromUtf8("扩声6");
    bus.label = Name16::fromGbk("DANTE 2");

    const std::vector<std::pair<std::size_t, std::int32_t*>> global = {
        {20344, &image.autoMixMode},   {20352, &image.maxOpenCh},   {20360, &image.holdTime},
        {20368, &image.closedAttn},    {20376, &image.nomAttn},     {20384, &image.lastHold},
        {20392, &image.zeroCrossRate}, {20396, &image.energy},      {20400, &image.compareCount},
        {20404, &image.thresholdComp}, {20408, &image.autoMixSync}, {20428, &image.unitCount},
    };
    for (auto& [offset, field] : global)
        *field = distinct();
    image.deviceText = Name16::fromGbk("KRM-416X ROOM B");
    image.micUnits[2] = {11, 12, 13, 14, 15};
    image.micUnits[9] = {91, 92, 93, 94, 95};
    // Mute group 2 and control group 3, every integer.
    for (auto& v : image.muteGroups[1].v)
        v = distinct();
    for (auto& v : image.controlGroups[2].v)
        v = distinct();
    image.controlGroups[2].setName(Name16::fromGbk("STAGE LEFT"));

    const std::vector<std::uint8_t> file = EncodeSettingFile(image, SomeLinkState());
    ASSERT_EQ(file.size(), 23240u);

    const std::size_t ch3 = kInput1 + 2 * kInputSize; // 1176
    ASSERT_EQ(ch3, 1176u);
    for (const auto& [offset, field] : in)
        EXPECT_EQ(WordAt(file, ch3 + offset), *field) << "CH3 +" << offset;
    EXPECT_EQ(BytesAt(file, ch3 + 524, 16), std::string(ch.name.bytes.data(), 16));
    EXPECT_EQ(BytesAt(file, ch3 + 540, 16), std::string("LABEL-3\0\0\0\0\0\0\0\0\0", 16));

    const std::size_t bus6 = kOutput1 + 5 * kOutputSize; // 17776
    ASSERT_EQ(bus6, 17776u);
    for (const auto& [offset, field] : out)
        EXPECT_EQ(WordAt(file, bus6 + offset), *field) << "bus 6 +" << offset;
    EXPECT_EQ(WordAt(file, bus6 + 760), 100);
    EXPECT_EQ(BytesAt(file, bus6 + 820, 16), std::string(bus.name.bytes.data(), 16));
    EXPECT_EQ(BytesAt(file, bus6 + 836, 16), std::string("DANTE 2\0\0\0\0\0\0\0\0\0", 16));

    for (const auto& [offset, field] : global)
        EXPECT_EQ(WordAt(file, offset), *field) << "word at " << offset;
    EXPECT_EQ(BytesAt(file, 20412, 16), std::string("KRM-416X ROOM B\0", 16));
    EXPECT_EQ(BytesAt(file, 4 + 5 * 2, 5), std::string("\x0b\x0c\x0d\x0e\x0f", 5));
    EXPECT_EQ(BytesAt(file, 4 + 5 * 9, 5), std::string("\x5b\x5c\x5d\x5e\x5f", 5));

    const std::size_t mute2 = 21816 + 152 * 1;
    for (std::size_t i = 0; i < 38; ++i)
        EXPECT_EQ(WordAt(file, mute2 + 4 * i), image.muteGroups[1].v[i]) << "mute 2 int " << i;
    const std::size_t control3 = 22424 + 204 * 2;
    for (std::size_t i = 0; i < 47; ++i)
        EXPECT_EQ(WordAt(file, control3 + 4 * i), image.controlGroups[2].v[i])
            << "control 3 int " << i;
    EXPECT_EQ(BytesAt(file, control3 + 188, 16), std::string("STAGE LEFT\0\0\0\0\0\0", 16));

    // Link state: two flags of one byte, the counter, two date-and-time records.
    EXPECT_EQ(file[21772], 1);
    EXPECT_EQ(WordAt(file, 21776), 0x01020304);
    EXPECT_EQ(file[21780], 1);
    const std::uint16_t connect[] = {2024, 5, 3, 17, 9, 41, 7, 512};
    const std::uint16_t reply[] = {2025, 12, 0, 31, 23, 59, 59, 999};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(HalfAt(file, 21782 + 2 * i), connect[i]) << "connect time field " << i;
        EXPECT_EQ(HalfAt(file, 21798 + 2 * i), reply[i]) << "reply time field " << i;
    }
}

// Every field at all ones: the bytes left zero must be exactly the reserved ones.
TEST(SettingFile, ReservedBytesAreZeroAndEveryOtherByteCarriesAField) {
    DeviceImage image;
    std::memset(static_cast<void*>(&image), 0xFF, sizeof image);
    LinkStateRecord link;
    link.online = link.connecting = true;
    link.connectTries = -1;
    link.connectTime =
        link.lastReplyTime = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    const std::vector<std::uint8_t> file = EncodeSettingFile(image, link);
    ASSERT_EQ(file.size(), 23240u);

    std::vector<bool> reserved(file.size(), false);
    const auto mark = [&](std::size_t at, std::size_t n) {
        for (std::size_t i = at; i < at + n; ++i)
            reserved[i] = true;
    };
    mark(0, 4);
    mark(54, 2);
    for (std::size_t c = 0; c < 20; ++c) {
        const std::size_t r = kInput1 + kInputSize * c;
        mark(r + 120, 120);
        mark(r + 276, 16);
        mark(r + 400, 8);
        mark(r + 476, 4);
        mark(r + 496, 4);
    }
    mark(11256, 2240);
    for (std::size_t o = 0; o < 8; ++o) {
        const std::size_t r = kOutput1 + kOutputSize * o;
        mark(r + 748, 8);
        mark(r + 768, 4);
        mark(r + 776, 8);
    }
    for (std::size_t w : {20348u, 20356u, 20364u, 20372u, 20380u, 20388u})
        mark(w, 4);
    mark(20432, 1340);
    mark(21773, 3);
    mark(21781, 1);
    mark(21814, 2);

    std::size_t wrong = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        std::uint8_t want = reserved[i] ? 0x00 : 0xFF;
        if (i == 21772 || i == 21780)
            want = 0x01; // the link's flags
        for (std::size_t o = 0; o < 8; ++o) {
            const std::size_t word = kOutput1 + kOutputSize * o + 760;
            if (i >= word && i < word + 4)
                want = i == word ? 100 : 0;
        }
        if (file[i] != want && ++wrong <= 10)
            ADD_FAILURE() << "byte " << i << " is " << int{file[i]} << ", expected " << int{want};
    }
    EXPECT_EQ(wrong, 0u);
}

TEST(SettingFile, OnlyAFileOfExactlyTheRightSizeIsRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    const DeviceImage saved = RandomImage(7);
    const LinkStateRecord savedLink = SomeLinkState();
    const std::vector<std::uint8_t> good = EncodeSettingFile(saved, savedLink);

    const DeviceImage before = RandomImage(8);
    const LinkStateRecord linkBefore;
    const auto refused = [&](const std::filesystem::path& file, const std::string& en,
                             const std::string& zh) {
        SCOPED_TRACE(file.filename().string());
        DeviceImage image = before;
        LinkStateRecord link = linkBefore;
        Message error;
        EXPECT_FALSE(ReadSettingFile(file, image, &error, &link));
        ExpectSameImage(image, before);
        EXPECT_EQ(link, linkBefore);
        EXPECT_NE(error.en.find(file.string()), std::string::npos) << error.en;
        EXPECT_NE(error.en.find(en), std::string::npos) << error.en;
        EXPECT_NE(error.zh.find(zh), std::string::npos) << error.zh;
    };

    std::vector<std::uint8_t> shortFile(good.begin(), good.end() - 1);
    WriteAll(folder / "short.dat", shortFile);
    refused(folder / "short.dat", "is 23239 bytes long; a setting file has 23240.", "23239");
    std::vector<std::uint8_t> longFile = good;
    longFile.insert(longFile.end(), 5000, 0x55);
    WriteAll(folder / "long.dat", longFile);
    refused(folder / "long.dat", "is 28240 bytes long", "28240");
    WriteAll(folder / "empty.dat", {});
    refused(folder / "empty.dat", "is 0 bytes long", "0 字节");
    refused(folder / "SAVE9.dat", "is missing.", "不存在");
    std::filesystem::create_directory(folder / "SAVE10.dat");
    refused(folder / "SAVE10.dat", "cannot be read", "无法读取");

    // The same sizes given as bytes.
    for (std::size_t n : {std::size_t{0}, good.size() - 1, good.size() + 1}) {
        std::vector<std::uint8_t> bytes = good;
        bytes.resize(n, 0);
        DeviceImage image = before;
        LinkStateRecord link = linkBefore;
        EXPECT_FALSE(DecodeSettingFile(bytes, image, &link)) << n << " bytes";
        ExpectSameImage(image, before);
        EXPECT_EQ(link, linkBefore);
    }

    // And the complete file is read whole, with a message left empty.
    WriteAll(folder / "SAVE1.dat", good);
    DeviceImage image = before;
    LinkStateRecord link;
    Message error{"old", "旧"};
    ASSERT_TRUE(ReadSettingFile(folder / "SAVE1.dat", image, &error, &link));
    EXPECT_TRUE(error.empty());
    DeviceImage expected = saved;
    expected.controlGroupActive = before.controlGroupActive;
    expected.activeMuteGroup = before.activeMuteGroup;
    ExpectSameImage(image, expected);
    EXPECT_EQ(link, savedLink);
}

TEST(SettingFile, TheLinkStateReachesOnlyTheOutParameter) {
    const DeviceImage image = RandomImage(11);
    LinkStateRecord offline;
    offline.connectTries = 4;
    const std::vector<std::uint8_t> whileOnline = EncodeSettingFile(image, SomeLinkState());
    const std::vector<std::uint8_t> whileOffline = EncodeSettingFile(image, offline);
    EXPECT_NE(whileOnline, whileOffline);

    DeviceImage a = RandomImage(12), b = RandomImage(12);
    LinkStateRecord linkA, linkB;
    ASSERT_TRUE(DecodeSettingFile(whileOnline, a, &linkA));
    ASSERT_TRUE(DecodeSettingFile(whileOffline, b, &linkB));
    ExpectSameImage(a, b);
    EXPECT_EQ(linkA, SomeLinkState());
    EXPECT_EQ(linkB, offline);
    DeviceImage c = RandomImage(12);
    ASSERT_TRUE(DecodeSettingFile(whileOnline, c));
    ExpectSameImage(c, a);
}

// Lowers the largest file this process may write for its lifetime: writes past it fail
// as on a full disk, whoever runs the test (permissions do not stop root).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_ok = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
    bool m_ok = false;
};

std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SettingFile, AFailedWriteLeavesThePreviousFileIntact) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    const std::filesystem::path file = folder / SettingFileName(1);
    ASSERT_EQ(file.filename(), "SAVE1.dat");

    const DeviceImage first = RandomImage(21);
    Message error;
    ASSERT_TRUE(WriteSettingFile(file, first, {}, &error)) << error.en;
    const std::vector<std::uint8_t> previous = ReadAll(file);
    ASSERT_EQ(previous, EncodeSettingFile(first, {}));

    {
        const FileSizeLimit full(8192);
        ASSERT_TRUE(full.ok());
        EXPECT_FALSE(WriteSettingFile(file, RandomImage(22), {}, &error));
    }
    EXPECT_TRUE(ReadAll(file) == previous) << "the previous file changed";
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"SAVE1.dat"}) << "no temporary file left";
    EXPECT_NE(error.en.find(file.string()), std::string::npos) << error.en;
    EXPECT_NE(error.zh.find(file.string()), std::string::npos) << error.zh;

    // A folder in the way of the file: nothing replaces it, nothing is left beside it.
    const std::filesystem::path blocked = folder / SettingFileName(2);
    std::filesystem::create_directory(blocked);
    WriteAll(blocked / "keep.txt", {1, 2, 3});
    EXPECT_FALSE(WriteSettingFile(blocked, first, {}, &error));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(ReadAll(blocked / "keep.txt"), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(Entries(folder), (std::vector<std::string>{"SAVE1.dat", "SAVE2.dat"}));
    EXPECT_NE(error.en.find("SAVE2.dat"), std::string::npos) << error.en;

    // A write that succeeds replaces the file whole.
    const DeviceImage second = RandomImage(23);
    ASSERT_TRUE(WriteSettingFile(file, second, SomeLinkState(), &error)) << error.en;
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(ReadAll(file), EncodeSettingFile(second, SomeLinkState()));
}

} // namespace
} // namespace krm
