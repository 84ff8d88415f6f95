#include "model/senders.h"

#include "link/frame.h"
#include "model/frame_builders.h"
#include "tests/model/sender_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_sink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace krm {
namespace {

using test::FakeClock;
using test::RecordingSink;

struct Senders {
    DeviceImage image = test::SampleImage();
    RecordingSink sink;
    FakeClock clock;
    CommandSet commands{image, sink, clock};

    // The frame the last send put on the wire.
    std::string last() const {
        const auto frames = sink.frames();
        return frames.empty() ? std::string() : frames.back();
    }
};

TEST(Senders, LevelMatrixAndDynamicsFramesAreByteExact) {
    Senders s;
    ASSERT_TRUE(s.commands.SendA(3));
    // 01 address | 03 CH3 | 01 muted | 2A fader 42 | checksum
    EXPECT_EQ(s.last(), "%A,01,03,01,2A,84EA#");
    ASSERT_TRUE(s.commands.SendA(22));
    // 16 bus 2 as wire 22 | 00 not muted | 1E fader 30
    EXPECT_EQ(s.last(), "%A,01,16,00,1E,2BE8#");
    ASSERT_TRUE(s.commands.SendA(29));
    // 1D channel 29 exists nowhere: the channel field alone
    EXPECT_EQ(s.last(), "%A,01,1D,E997#");
    ASSERT_TRUE(s.commands.SendB(5));
    // 05 CH5 | matrix codes for bus 1..8, one digit each: 1 0 15 3 0 0 2 9
    EXPECT_EQ(s.last(), "%B,01,05,10F30029,DE62#");
    ASSERT_TRUE(s.commands.SendC(1));
    // 01 CH1 | 01 on | 28 ratio 1:4.0 | 2D threshold 45 | 0A attack 10 | 64 release 100 |
    // 3C make-up gain 60
    EXPECT_EQ(s.last(), "%C,01,01,01,28,2D,0A,64,3C,CCEC#");
    ASSERT_TRUE(s.commands.SendD(3));
    // 03 bus 3 | 01 on | 64 ratio 100 | 36 threshold 54 | 05 attack 5 | C8 release 200 |
    // 00 gain 0
    EXPECT_EQ(s.last(), "%D,01,03,01,64,36,05,C8,00,67E7#");
}

TEST(Senders, FilterAndEqFramesAreByteExact) {
    Senders s;
    ASSERT_TRUE(s.commands.SendE(2));
    // 02 CH2 | 01 on | 02 type | 2EE0 12000 Hz | 04 slope | 01 constant
    EXPECT_EQ(s.last(), "%E,01,02,01,02,2EE0,04,01,114F#");
    ASSERT_TRUE(s.commands.SendF(2));
    // 02 CH2 | 00 off | 02 type | 0050 80 Hz | 08 slope | 01 constant
    EXPECT_EQ(s.last(), "%F,01,02,00,02,0050,08,01,8A1D#");
    ASSERT_TRUE(s.commands.SendG(4, 2));
    // 04 CH4 | 01 EQ on | 02 band 2 | 03 type 2 + 1 | 03E8 1000 Hz | 4B gain 151 / 2 | 0E q 14
    EXPECT_EQ(s.last(), "%G,01,04,01,02,03,03E8,4B,0E,2AAB#");
    ASSERT_TRUE(s.commands.SendH(1));
    // 01 bus 1 | 01 GEQ on | 31 halved gains, band 0 first: 0, 1, 3 -> 00 00 01;
    // 150 -> 4B; band 15: 299 -> 95; band 30: 300 -> 96
    EXPECT_EQ(s.last(), "%H,01,01,01,"
                        "0000014B4B4B4B4B4B4B4B4B4B4B4B954B4B4B4B4B4B4B4B4B4B4B4B4B4B96,"
                        "4188#");
}

TEST(Senders, OutputAutoMixerAndSourceFramesAreByteExact) {
    Senders s;
    ASSERT_TRUE(s.commands.SendI(2));
    // 02 bus 2 | 01 LINE
    EXPECT_EQ(s.last(), "%I,01,02,01,4408#");
    ASSERT_TRUE(s.commands.SendJ(4));
    // 04 bus 4 | 01 constant | C8 delay 200 half-milliseconds
    EXPECT_EQ(s.last(), "%J,01,04,01,C8,22D2#");
    ASSERT_TRUE(s.commands.SendK(8));
    // 08 bus 8 | 01 FBK on
    EXPECT_EQ(s.last(), "%K,01,08,01,FD9B#");
    ASSERT_TRUE(s.commands.SendL(7));
    // 07 CH7 | 50 level 80 | 01 priority
    EXPECT_EQ(s.last(), "%L,01,07,50,01,2F5E#");
    ASSERT_TRUE(s.commands.SendM());
    // 01 mode | 04 max open | 01 last hold | 1E hold time 30 | 14 closed attn 20 |
    // 0F nom attn 15
    EXPECT_EQ(s.last(), "%M,01,01,04,01,1E,14,0F,5AE2#");
    ASSERT_TRUE(s.commands.SendN());
    // 0C zero-cross rate 12 | C8 energy 200 | 03 compare count | 06 threshold
    EXPECT_EQ(s.last(), "%N,01,0C,C8,03,06,0543#");
    ASSERT_TRUE(s.commands.SendO(5));
    // 05 CH5 | 02 source D2 | 8001 phantom on CH16 (bit 15) and CH1 (bit 0) | 03 gain step
    EXPECT_EQ(s.last(), "%O,01,05,02,8001,03,5521#");
}

TEST(Senders, LinkUnitAndNameFramesAreByteExact) {
    Senders s;
    ASSERT_TRUE(s.commands.SendQ(1));
    // 01 start reports
    EXPECT_EQ(s.last(), "%Q,01,01,B5E1#");
    ASSERT_TRUE(s.commands.SendQ(0));
    EXPECT_EQ(s.last(), "%Q,01,00,25E0#");
    ASSERT_TRUE(s.commands.SendW(0));
    // 00 no unit selected
    EXPECT_EQ(s.last(), "%W,01,00,0F60#");
    ASSERT_TRUE(s.commands.SendW(3));
    EXPECT_EQ(s.last(), "%W,01,03,FF60#");
    ASSERT_TRUE(s.commands.SendX(3));
    // 03 unit 3 | slots 0, 3, 0, 0, 1 with 0 written FF
    EXPECT_EQ(s.last(), "%X,01,03,FF03FFFF01,C283#");
    // Slots CH01, NULL, M02 (22 = 0x16), NULL, D04 (28 = 0x1C).
    s.image.micUnits[2] = {1, 0, 22, 0, 28};
    ASSERT_TRUE(s.commands.SendX(3));
    EXPECT_EQ(s.last(), "%X,01,03,01FF16FF1C,5474#");
    ASSERT_TRUE(s.commands.SendZ());
    // the hello: the address alone
    EXPECT_EQ(s.last(), "%Z,01,F143#");
    ASSERT_TRUE(s.commands.SendV(2));
    // 02 CH2 | 004D 0069 0063 "Mic", five units 0000 | 288 bitmap bytes (no renderer: zeros)
    EXPECT_EQ(s.last(),
              "%V,01,02,004D0069006300000000000000000000," + std::string(576, '0') + ",EE0E#");
}

// Draws the top-left pixel of every cell.
class CornerRenderer final : public GlyphRenderer {
public:
    GlyphCell render(char16_t, int cellWidth) const override {
        GlyphCell cell(cellWidth);
        cell.setDark(0, 0);
        return cell;
    }
};

TEST(Senders, NameFrameCarriesTheInjectedRenderersBitmap) {
    Senders s;
    CornerRenderer glyphs;
    s.commands.setGlyphRenderer(&glyphs);
    ASSERT_TRUE(s.commands.SendV(2));
    // "Mic": three narrow cells of 36 bytes, each starting with pixel (0, 0) = bit 7 of
    // its first byte, reversed to bit 0: 01 at bytes 0, 36 and 72.
    std::string bitmap(576, '0');
    for (int cell = 0; cell < 3; ++cell)
        bitmap[static_cast<std::size_t>(2 * 36 * cell + 1)] = '1';
    const std::string body = "%V,01,02,004D0069006300000000000000000000," + bitmap + ",";
    EXPECT_EQ(s.last(), body + HexField(FrameChecksum(body), 4) + "#");

    // Bus 1 (wire 21) keeps its start-up name "M 1": three narrow cells as well.
    ASSERT_TRUE(s.commands.SendV(21));
    EXPECT_EQ(s.last().substr(0, 9 + 33), "%V,01,15,004D0020003100000000000000000000,");
}

TEST(Senders, RefuseWhileOfflineExceptHandshakeFrames) {
    Senders s;
    s.sink.online = false;
    EXPECT_FALSE(s.commands.SendA(1));
    EXPECT_FALSE(s.commands.SendB(1));
    EXPECT_FALSE(s.commands.SendC(1));
    EXPECT_FALSE(s.commands.SendD(1));
    EXPECT_FALSE(s.commands.SendE(1));
    EXPECT_FALSE(s.commands.SendF(1));
    EXPECT_FALSE(s.commands.SendG(1, 1));
    EXPECT_FALSE(s.commands.SendH(1));
    EXPECT_FALSE(s.commands.SendI(1));
    EXPECT_FALSE(s.commands.SendJ(1));
    EXPECT_FALSE(s.commands.SendK(1));
    EXPECT_FALSE(s.commands.SendL(1));
    EXPECT_FALSE(s.commands.SendM());
    EXPECT_FALSE(s.commands.SendN());
    EXPECT_FALSE(s.commands.SendO(1));
    EXPECT_FALSE(s.commands.SendQ(0));
    EXPECT_FALSE(s.commands.SendV(1));
    EXPECT_FALSE(s.commands.SendW(1));
    EXPECT_FALSE(s.commands.SendX(1));
    EXPECT_FALSE(s.commands.SendZ());
    EXPECT_TRUE(s.sink.frames().empty());

    // The connect handshake: "%Q," 0 and the hello go out before the device answers.
    EXPECT_TRUE(s.commands.SendQ(0, SendGate::Always));
    EXPECT_TRUE(s.commands.SendZ(SendGate::Always));
    EXPECT_EQ(s.sink.frames(), (std::vector<std::string>{"%Q,01,00,25E0#", "%Z,01,F143#"}));
}

TEST(Senders, SelectorsOutsideTheirRangeSendNothing) {
    Senders s;
    EXPECT_FALSE(s.commands.SendB(21)) << "outputs have no matrix row";
    EXPECT_FALSE(s.commands.SendC(0));
    EXPECT_FALSE(s.commands.SendD(9)) << "output-only frames use buses 1..8";
    EXPECT_FALSE(s.commands.SendD(21));
    EXPECT_FALSE(s.commands.SendG(1, 0));
    EXPECT_FALSE(s.commands.SendG(1, 6));
    EXPECT_FALSE(s.commands.SendO(21));
    EXPECT_FALSE(s.commands.SendQ(2));
    EXPECT_FALSE(s.commands.SendV(29));
    EXPECT_FALSE(s.commands.SendX(0));
    EXPECT_FALSE(s.commands.SendX(11));
    EXPECT_FALSE(s.commands.SendA(-1));
    EXPECT_TRUE(s.sink.frames().empty());
}

TEST(Senders, NameUnitAndHelloFramesPauseTenMillisecondsOthersNone) {
    Senders s;
    const auto t0 = s.clock.now();
    ASSERT_TRUE(s.commands.SendA(1));
    ASSERT_TRUE(s.commands.SendG(1, 1));
    ASSERT_TRUE(s.commands.SendH(1));
    ASSERT_TRUE(s.commands.SendM());
    ASSERT_TRUE(s.commands.SendQ(1));
    // 01 start reports
    EXPECT_EQ(s.clock.now(), t0);

    ASSERT_TRUE(s.commands.SendV(1));
    EXPECT_EQ(s.clock.now(), t0 + Millis(10));
    ASSERT_TRUE(s.commands.SendW(1));
    ASSERT_TRUE(s.commands.SendX(1));
    ASSERT_TRUE(s.commands.SendZ());
    EXPECT_EQ(s.clock.now(), t0 + Millis(40));

    // A refused send takes no pause.
    s.sink.online = false;
    EXPECT_FALSE(s.commands.SendV(1));
    EXPECT_FALSE(s.commands.SendX(0));
    EXPECT_EQ(s.clock.now(), t0 + Millis(40));
}

// A link whose socket writes short: the sender reports the failure.
class ShortWriteSink final : public FrameSink {
public:
    bool SendFrame(std::string_view) override {
        ++attempts;
        return false;
    }
    bool isOnline() const override { return true; }
    int attempts = 0;
};

TEST(Senders, ReportAFailedSendAndStillPace) {
    DeviceImage image = test::SampleImage();
    ShortWriteSink sink;
    test::FakeClock clock;
    CommandSet commands(image, sink, clock);
    const auto t0 = clock.now();
    EXPECT_FALSE(commands.SendA(1));
    EXPECT_FALSE(commands.SendX(1));
    EXPECT_EQ(sink.attempts, 2);
    EXPECT_EQ(clock.now(), t0 + Millis(10)) << "the pause follows the attempt";
}

TEST(Senders, ReadTheImageAtTheMomentOfTheCall) {
    Senders s;
    ASSERT_TRUE(s.commands.SendA(3));
    const std::string before = s.last();
    s.image.inputs[2].gain = 70;
    ASSERT_TRUE(s.commands.SendA(3));
    EXPECT_NE(s.last(), before);
    EXPECT_EQ(s.last(), BuildA(s.image, 3));
    EXPECT_EQ(s.last().substr(0, 15), "%A,01,03,01,46,");
}

} // namespace
} // namespace krm
