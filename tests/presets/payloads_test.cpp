// Module preset payloads: fixed-width upper-case hex fields at fixed character positions.
// Payloads stored by other installations must read back field for field, and a damaged
// one must not change the image at all.
#include "presets/payloads.h"

#include "model/parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace krm {
namespace {

DeviceImage startImage() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

bool sameBytes(const DeviceImage& a, const DeviceImage& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(PayloadsTest, EachTableHasItsKnownTextInFieldOrder) {
    DeviceImage image = startImage();
    InputChannel& delay = image.inputs[16];
    delay.fxPreDelay1 = 133;
    delay.fxPreDelay2 = 232;
    delay.fxFeedback = 38;
    delay.fxDelayLpf = 20000;
    InputChannel& reverb = image.inputs[17];
    reverb.fxTap = {61, 48, 47, 50};
    reverb.fxRevTime = 3;
    reverb.fxRevLpf = 20000;
    // The effect tables use CH17 and CH18 whichever channel the editor shows.
    EXPECT_EQ(PackPayload(PresetTable::Delay, image, Channel::input(2)), "008500E8264E20");
    EXPECT_EQ(PackPayload(PresetTable::Reverb, image, Channel::output(5)), "3D302F32034E20");

    InputChannel& in = image.inputs[4];
    in.gate = {1, 40, 7, 50, 20}; // enable, threshold, range (not stored), attack, release
    EXPECT_EQ(PackPayload(PresetTable::Noise, image, Channel::input(4)), "01283214");
    in.comp = {.enable = 1, .threshold = 40, .attack = 10, .release = 100, .gain = 0, .ratio = 30};
    //                                                                  en th ra at re ga
    EXPECT_EQ(PackPayload(PresetTable::Compressor, image, Channel::input(4)), "01281E0A6400");
    image.outputs[2].limiter = {
        .enable = 1, .threshold = 40, .attack = 10, .release = 20, .gain = 0, .ratio = 30};
    EXPECT_EQ(PackPayload(PresetTable::Limit, image, Channel::output(2)), "01281E0A1400");

    in.peq[0] = {.freq = 200, .gain = 160, .q = 100, .type = 1};
    in.peq[1] = {.freq = 1000, .gain = 150, .q = 7, .type = 0};
    in.peq[2] = {.freq = 4000, .gain = 0, .q = 200, .type = 2};
    in.peq[3] = {.freq = 20000, .gain = 300, .q = 1, .type = 0};
    in.peq[4] = {.freq = 5000, .gain = 10, .q = 3, .type = 1}; // band 5 is not stored
    in.hpf = {.freq = 80, .type = 2, .slope = 4, .enable = 1};
    in.lpf = {.freq = 18000, .type = 2, .slope = 8, .enable = 0};
    const std::string peq = PackPayload(PresetTable::Peq, image, Channel::input(4));
    //   type q    gain freq
    EXPECT_EQ(peq, "01"
                   "0064"
                   "00A0"
                   "00C8" // band 1
                   "00"
                   "0007"
                   "0096"
                   "03E8" // band 2
                   "02"
                   "00C8"
                   "0000"
                   "0FA0" // band 3
                   "00"
                   "0001"
                   "012C"
                   "4E20" // band 4
                   ","    // position 56
                   "01"
                   "02"
                   "0004"
                   "0050" // high-pass: enable, type, slope, freq
                   ","    // position 69
                   "00"
                   "02"
                   "0008"
                   "4650"); // low-pass
    EXPECT_EQ(peq.size(), 82u);

    for (int b = 0; b < kGeqBands; ++b)
        image.outputs[7].geq[static_cast<std::size_t>(b)].gain = 10 * b;
    const std::string geq = PackPayload(PresetTable::Geq, image, Channel::output(7));
    ASSERT_EQ(geq.size(), 124u);
    EXPECT_EQ(geq.substr(0, 12), "0000000A0014"); // lowest band first
    EXPECT_EQ(geq.substr(120), "012C");

    // Reading back: each field from its position into a fresh image, held to its range.
    DeviceImage fresh = startImage();
    ASSERT_TRUE(UnpackPayload(PresetTable::Delay, "008500E8264E20", fresh, Channel::input(9)));
    EXPECT_EQ(fresh.inputs[16].fxPreDelay1, 133);
    EXPECT_EQ(fresh.inputs[16].fxPreDelay2, 232);
    EXPECT_EQ(fresh.inputs[16].fxFeedback, 38);
    EXPECT_EQ(fresh.inputs[16].fxDelayLpf, 20000);
    ASSERT_TRUE(UnpackPayload(PresetTable::Reverb, "3D302F32034E20", fresh, Channel::input(0)));
    EXPECT_EQ(fresh.inputs[17].fxTap, (std::array<std::int32_t, 4>{61, 48, 47, 50}));
    EXPECT_EQ(fresh.inputs[17].fxRevTime, 3);
    EXPECT_EQ(fresh.inputs[17].fxRevLpf, 20000);
    // 0000 pre-delay, FF feedback, FFFF low-pass: out of range, held to 10, 100, 20000.
    ASSERT_TRUE(UnpackPayload(PresetTable::Delay, "0000000AFFFFFF", fresh, Channel::input(0)));
    EXPECT_EQ(fresh.inputs[16].fxPreDelay1, 10);
    EXPECT_EQ(fresh.inputs[16].fxFeedback, 100);
    EXPECT_EQ(fresh.inputs[16].fxDelayLpf, 20000);
}

// Every parameter of every channel set to a random legal code (and the filters' type code,
// which has no range, to any byte).
DeviceImage randomImage(unsigned seed) {
    std::mt19937 random(seed);
    DeviceImage image = startImage();
    for (const Parameter& p : Parameters()) {
        const int count = p.side == Side::Input    ? kInputCount
                          : p.side == Side::Output ? kOutputCount
                                                   : 1;
        for (int i = 0; i < count; ++i) {
            const Channel ch{p.side, i};
            const CodeRange r = p.rangeFor(ch);
            p.set(image, ch, r.min + static_cast<int>(random() % static_cast<unsigned>(r.count())));
        }
    }
    for (InputChannel& in : image.inputs) {
        in.hpf.type = static_cast<int>(random() % 256);
        in.lpf.type = static_cast<int>(random() % 256);
    }
    return image;
}

struct Target {
    PresetTable table;
    Channel channel;
};
const Target kTargets[] = {
    {PresetTable::Delay, Channel::input(16)},      {PresetTable::Reverb, Channel::input(17)},
    {PresetTable::Noise, Channel::input(0)},       {PresetTable::Noise, Channel::input(19)},
    {PresetTable::Compressor, Channel::input(15)}, {PresetTable::Compressor, Channel::input(18)},
    {PresetTable::Peq, Channel::input(5)},         {PresetTable::Peq, Channel::input(17)},
    {PresetTable::Limit, Channel::output(0)},      {PresetTable::Limit, Channel::output(7)},
    {PresetTable::Geq, Channel::output(3)},
};

TEST(PayloadsTest, RandomImagesRoundTripThroughEveryTableAndTouchOnlyTheirOwnRecord) {
    const DeviceImage start = startImage();
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const DeviceImage source = randomImage(seed);
        for (const Target& t : kTargets) {
            SCOPED_TRACE(std::string(TableInfo(t.table).table) + " seed " + std::to_string(seed));
            const std::string payload = PackPayload(t.table, source, t.channel);
            ASSERT_EQ(payload.size(), static_cast<std::size_t>(TableInfo(t.table).payloadLength));
            for (std::size_t i = 0; i < payload.size(); ++i) {
                const bool comma = t.table == PresetTable::Peq && (i == 56 || i == 69);
                const char c = payload[i];
                EXPECT_TRUE(comma ? c == ',' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
                    << "position " << i << " of " << payload;
            }

            DeviceImage copy = start;
            ASSERT_TRUE(UnpackPayload(t.table, payload, copy, t.channel));
            EXPECT_EQ(PackPayload(t.table, copy, t.channel), payload);
            // Nothing outside the target's record changed...
            DeviceImage outside = copy;
            if (t.channel.isInput())
                outside.inputs[static_cast<std::size_t>(t.channel.index)] =
                    start.inputs[static_cast<std::size_t>(t.channel.index)];
            else
                outside.outputs[static_cast<std::size_t>(t.channel.index)] =
                    start.outputs[static_cast<std::size_t>(t.channel.index)];
            EXPECT_TRUE(sameBytes(outside, start));
            // ...and inside it, neither the gate's range nor PEQ band 5 nor the fader.
            if (t.channel.isInput()) {
                const InputChannel& in = copy.inputs[static_cast<std::size_t>(t.channel.index)];
                const InputChannel& was = start.inputs[static_cast<std::size_t>(t.channel.index)];
                EXPECT_EQ(in.gate.range, was.gate.range);
                EXPECT_EQ(in.peq[4].freq, was.peq[4].freq);
                EXPECT_EQ(in.peq[4].gain, was.peq[4].gain);
                EXPECT_EQ(in.gain, was.gain);
            }
        }
    }
}

TEST(PayloadsTest, ShortDamagedOrMisplacedPayloadsChangeNothing) {
    const DeviceImage source = randomImage(99);
    for (const Target& t : kTargets) {
        SCOPED_TRACE(TableInfo(t.table).table);
        const std::string payload = PackPayload(t.table, source, t.channel);
        DeviceImage image = startImage();
        const DeviceImage before = image;

        EXPECT_FALSE(
            UnpackPayload(t.table, payload.substr(0, payload.size() - 1), image, t.channel));
        EXPECT_FALSE(UnpackPayload(t.table, "", image, t.channel));
        for (std::size_t i = 0; i < payload.size(); ++i) {
            for (const char bad : {'G', ' ', '-', '\0'}) {
                std::string damaged = payload;
                damaged[i] = bad;
                EXPECT_FALSE(UnpackPayload(t.table, damaged, image, t.channel))
                    << "position " << i << " '" << bad << "'";
            }
        }
        if (t.table == PresetTable::Peq) {
            std::string noCommas = payload;
            noCommas[56] = '0';
            noCommas[69] = '0';
            EXPECT_FALSE(UnpackPayload(t.table, noCommas, image, t.channel));
        }
        EXPECT_TRUE(sameBytes(image, before));
    }
    // A channel of the wrong side is not a target: nothing packed, nothing written.
    DeviceImage image = startImage();
    const DeviceImage before = image;
    EXPECT_EQ(PackPayload(PresetTable::Peq, image, Channel::output(0)), "");
    EXPECT_FALSE(UnpackPayload(PresetTable::Limit, "01281E0A1400", image, Channel::input(0)));
    EXPECT_FALSE(UnpackPayload(PresetTable::DeviceData, "01281E0A1400", image, Channel::input(0)));
    EXPECT_TRUE(sameBytes(image, before));
}

} // namespace
} // namespace krm
