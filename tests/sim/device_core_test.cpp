#include "sim/device_core.h"

#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "model/parsers.h"
#include "sim/demo_image.h"
#include "sim/device_frames.h"
#include "tests/sim/image_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <set>

namespace krm::sim {
namespace {

const Endpoint kProgram = Endpoint::fromOctets(127, 0, 0, 1, 39050);
const Endpoint kOther = Endpoint::fromOctets(127, 0, 0, 9, 40000);

DeviceCore makeCore(DeviceOptions options = {}) {
    return DeviceCore(options, DemoDeviceImage());
}

// The frames the datagrams carry, as the program's splitter hands them over.
std::vector<std::string> framesOf(const std::vector<Outgoing>& out) {
    std::vector<std::string> frames;
    FrameSplitter splitter;
    for (const Outgoing& o : out)
        splitter.split(o.data, [&](std::string_view f) { frames.emplace_back(f); });
    return frames;
}

std::string letters(const std::vector<std::string>& frames) {
    std::string s;
    for (const auto& f : frames)
        s += f[1];
    return s;
}

DeviceImage parsedFrom(const std::vector<std::string>& frames) {
    DeviceImage image;
    ResetToStartupValues(image);
    for (const auto& f : frames)
        if (auto report = DispatchFrame(f))
            ApplyReport(*report, image);
    return image;
}

TEST(DeviceCore, HelloIsAnsweredWithDumpIdentAndLevelsThatParseIntoItsImage) {
    DeviceCore core = makeCore();
    const auto out = core.receive(BuildZ(), kProgram, Millis(0));
    ASSERT_FALSE(out.empty());
    for (const Outgoing& o : out)
        EXPECT_EQ(o.to, kProgram) << "replies go where the request came from";
    const auto frames = framesOf(out);
    EXPECT_EQ(letters(frames), "ZYP");
    EXPECT_GE(out.size(), 4u) << "the dump is longer than one receive buffer: two pieces";
    for (const Outgoing& o : out)
        EXPECT_LE(o.data.size(), UdpSocket::kMaxDatagram);

    const DeviceImage parsed = parsedFrom(frames);
    test::ExpectDumpFieldsEqual(core.image(), parsed);
    test::ExpectIdentFieldsEqual(core.image(), parsed);
    EXPECT_EQ(parsed.inputs[0].name.toUtf16(), u"主席");
    EXPECT_EQ(parsed.outputs[2].name.toUtf16(), u"舞台");
    EXPECT_EQ(parsed.deviceText.view(), kDemoDeviceText);
    EXPECT_EQ(core.framesReceived('Z'), 1);
    EXPECT_EQ(core.framesBuilt('Z'), 1);
}

TEST(DeviceCore, StatusReportsRunBetweenStartAndStopAtTheirPeriod) {
    DeviceCore core = makeCore();
    EXPECT_TRUE(core.tick(Millis(0)).empty()) << "no reports before %Q, 1";
    EXPECT_FALSE(core.nextDue());

    EXPECT_TRUE(core.receive(BuildQ(1), kProgram, Millis(1000)).empty());
    EXPECT_TRUE(core.statusReportsOn());
    auto first = core.tick(Millis(1000));
    ASSERT_EQ(letters(framesOf(first)), "Q") << "the first report goes at once";
    EXPECT_EQ(first[0].to, kProgram);
    EXPECT_TRUE(ParseStatus(framesOf(first)[0]));
    EXPECT_EQ(core.nextDue(), Millis(1100));
    EXPECT_TRUE(core.tick(Millis(1050)).empty());
    EXPECT_EQ(letters(framesOf(core.tick(Millis(1100)))), "Q");
    // Falling behind gives one report, not a burst of stale ones.
    EXPECT_EQ(framesOf(core.tick(Millis(3000))).size(), 1u);
    EXPECT_EQ(core.nextDue(), Millis(3100));

    // Another sender's hello is answered to it; the reports keep going to the program.
    EXPECT_EQ(core.receive(BuildZ(), kOther, Millis(3050)).front().to, kOther);
    EXPECT_EQ(core.tick(Millis(3100)).front().to, kProgram);

    core.receive(BuildQ(0), kProgram, Millis(3150));
    EXPECT_FALSE(core.statusReportsOn());
    EXPECT_FALSE(core.nextDue());
    EXPECT_TRUE(core.tick(Millis(3200)).empty());
    EXPECT_TRUE(core.tick(Millis(60000)).empty());
    EXPECT_EQ(core.framesBuilt('Q'), 4);
}

TEST(DeviceCore, LevelReportsFollowTheHelloAndOptionallyRunPeriodically) {
    DeviceOptions options;
    options.levelsPeriod = Millis(1000);
    DeviceCore core = makeCore(options);
    core.receive(BuildQ(1), kProgram, Millis(0));
    EXPECT_EQ(letters(framesOf(core.tick(Millis(0)))), "Q");
    EXPECT_EQ(letters(framesOf(core.tick(Millis(1000)))), "QP");
    const auto levels = ParseLevels(framesOf(core.tick(Millis(2000)))[1]);
    ASSERT_TRUE(levels);
    EXPECT_EQ(levels->busGainItems, 8);
    EXPECT_EQ(levels->gainItems, 24);
    EXPECT_EQ(levels->busGain[7], core.image().outputs[7].gain);
    EXPECT_EQ(levels->gain[21], core.image().outputs[5].gain) << "item 22 is bus 6";
    EXPECT_EQ(levels->unitCount, 3);
}

TEST(DeviceCore, ParameterFramesChangeTheNextDump) {
    DeviceCore core = makeCore();
    DeviceImage edited = core.image();
    edited.inputs[2].gain = 12;
    edited.inputs[2].mute = 1;
    edited.inputs[2].peq[1].gain = 170;
    edited.inputs[2].peq[1].freq = 3150;
    edited.outputs[1].name = Name16::fromUtf16(u"Hall");
    edited.outputs[0].geq[7].gain = 200;
    edited.maxOpenCh = 4;
    for (const std::string& frame :
         {BuildA(edited, 3), BuildG(edited, 3, 2), BuildV(edited, 22, nullptr), BuildH(edited, 1),
          BuildM(edited)})
        EXPECT_TRUE(core.receive(frame, kProgram, Millis(0)).empty()) << "never acknowledged";
    EXPECT_EQ(core.parameterFramesRejected(), 0);

    const DeviceImage parsed = parsedFrom(framesOf(core.receive(BuildZ(), kProgram, Millis(1))));
    EXPECT_EQ(parsed.inputs[2].gain, 12);
    EXPECT_EQ(parsed.inputs[2].mute, 1);
    EXPECT_EQ(parsed.inputs[2].peq[1].gain, 170);
    EXPECT_EQ(parsed.inputs[2].peq[1].freq, 3150);
    EXPECT_EQ(parsed.outputs[1].name.view(), "Hall");
    EXPECT_EQ(parsed.outputs[0].geq[7].gain, 200);
    EXPECT_EQ(parsed.maxOpenCh, 4);
    test::ExpectDumpFieldsEqual(edited, parsed);

    // A damaged parameter frame (right checksum, wrong layout) changes nothing.
    const DeviceImage before = core.image();
    core.receive(CommandFrame('A').byte(1).byte(3).finish(), kProgram, Millis(2));
    EXPECT_EQ(core.parameterFramesRejected(), 1);
    EXPECT_EQ(core.image().inputs[2].gain, before.inputs[2].gain);
    EXPECT_EQ(core.framesReceived('A'), 2);
}

TEST(DeviceCore, RebootIsSilentThenAnswersWithItsStartImageAndReportsNothingUntilAsked) {
    DeviceCore core = makeCore();
    core.receive(BuildQ(1), kProgram, Millis(0));
    ASSERT_EQ(letters(framesOf(core.tick(Millis(0)))), "Q");
    DeviceImage start = DemoDeviceImage();
    start.inputs[4].gain = 3;
    start.outputs[2].limiter.threshold = 17;

    core.reboot(Millis(1000), Millis(300), start);
    EXPECT_FALSE(core.statusReportsOn());
    // Starting up: requests are lost, not answered later, and parameters are not taken.
    DeviceImage edit = start;
    edit.inputs[4].gain = 40;
    EXPECT_TRUE(core.receive(BuildZ(), kProgram, Millis(1000)).empty());
    EXPECT_TRUE(core.receive(BuildA(edit, 5), kProgram, Millis(1299)).empty());
    EXPECT_TRUE(core.tick(Millis(1299)).empty());
    EXPECT_EQ(core.image().inputs[4].gain, 3);
    EXPECT_TRUE(core.booting(Millis(1299)));
    EXPECT_FALSE(core.booting(Millis(1300)));

    // Up again: nothing unasked, then the hello brings the start image.
    EXPECT_TRUE(core.tick(Millis(1300)).empty());
    EXPECT_TRUE(core.tick(Millis(5000)).empty());
    const auto frames = framesOf(core.receive(BuildZ(), kProgram, Millis(5000)));
    EXPECT_EQ(letters(frames), "ZYP");
    test::ExpectDumpFieldsEqual(start, parsedFrom(frames));
    EXPECT_TRUE(core.tick(Millis(6000)).empty()) << "no reports before %Q, 1";
    core.receive(BuildQ(1), kProgram, Millis(6000));
    EXPECT_EQ(letters(framesOf(core.tick(Millis(6000)))), "Q");
}

TEST(DeviceCore, AnswersSearchAndVersionButNeverAnotherDevicesReplies) {
    DeviceOptions options;
    options.basicVersion = "305";
    DeviceCore core = makeCore(options);
    const auto search = framesOf(core.receive("%R,01,01,A0A1#", kProgram, Millis(0)));
    ASSERT_EQ(search.size(), 1u);
    const auto fields = CheckedFrameFields(search[0]);
    ASSERT_TRUE(fields);
    EXPECT_EQ((*fields)[0], "R");
    EXPECT_EQ((*fields)[2], "0001") << "four characters reading decimal 1";

    const auto version =
        framesOf(core.receive(CommandFrame('r').byte(1).byte(0).finish(), kProgram, Millis(0)));
    ASSERT_EQ(version.size(), 1u);
    EXPECT_EQ((*CheckedFrameFields(version[0]))[2], "305");

    // Replies of another device on the same port (and a dump or report) are no requests.
    for (const std::string& reply :
         {search[0], version[0], BuildDumpReply(core.image()), BuildIdentReply(core.image()),
          BuildLevelsReport(core.image()), BuildStatusReport(StatusReport{})})
        EXPECT_TRUE(core.receive(reply, kOther, Millis(0)).empty()) << reply.substr(0, 3);
    EXPECT_FALSE(core.statusReportsOn()) << "a status report does not start reports";
    EXPECT_EQ(core.framesReceived('R'), 2);
    EXPECT_EQ(core.framesReceived('Z'), 1);
    EXPECT_EQ(core.parameterFramesRejected(), 0);
}

TEST(DeviceCore, SilentDeviceAnswersNothingButStillTakesParameters) {
    DeviceCore core = makeCore();
    core.knobs().silent = true;
    EXPECT_TRUE(core.receive(BuildZ(), kProgram, Millis(0)).empty());
    EXPECT_TRUE(core.receive("%R,01,01,A0A1#", kProgram, Millis(0)).empty());
    core.receive(BuildQ(1), kProgram, Millis(0));
    EXPECT_TRUE(core.tick(Millis(500)).empty());
    DeviceImage edited = core.image();
    edited.outputs[3].delay = 77;
    core.receive(BuildJ(edited, 4), kProgram, Millis(0));
    EXPECT_EQ(core.image().outputs[3].delay, 77);
    core.knobs().silent = false;
    EXPECT_EQ(letters(framesOf(core.receive(BuildZ(), kProgram, Millis(0)))), "ZYP");
}

TEST(DeviceCore, HaltedReportsStopQAndPButRequestsAreStillAnswered) {
    DeviceOptions options;
    options.levelsPeriod = Millis(200);
    DeviceCore core = makeCore(options);
    core.receive(BuildQ(1), kProgram, Millis(0));
    core.knobs().haltReports = true;
    EXPECT_TRUE(core.tick(Millis(0)).empty());
    EXPECT_TRUE(core.tick(Millis(1000)).empty());
    EXPECT_TRUE(core.statusReportsOn()) << "the device still thinks it reports";
    EXPECT_EQ(letters(framesOf(core.receive(BuildZ(), kProgram, Millis(1000)))), "ZY");
    core.knobs().haltReports = false;
    EXPECT_EQ(letters(framesOf(core.tick(Millis(1100)))), "Q");
}

TEST(DeviceCore, DroppedShareIsSeededAndCorruptFramesFailTheSplitter) {
    DeviceOptions options;
    options.seed = 42;
    DeviceCore a = makeCore(options), b = makeCore(options);
    a.knobs().dropShare = b.knobs().dropShare = 0.5;
    a.receive(BuildQ(1), kProgram, Millis(0));
    b.receive(BuildQ(1), kProgram, Millis(0));
    int sentA = 0, sentB = 0;
    for (int t = 0; t < 100; ++t) {
        sentA += static_cast<int>(a.tick(Millis(100 * t)).size());
        sentB += static_cast<int>(b.tick(Millis(100 * t)).size());
    }
    EXPECT_EQ(sentA, sentB) << "same seed, same drops";
    EXPECT_GT(sentA, 25);
    EXPECT_LT(sentA, 75);
    EXPECT_EQ(a.datagramsDropped(), 100 - sentA);

    DeviceCore c = makeCore();
    c.knobs().corruptShare = 1.0;
    const auto out = c.receive(BuildZ(), kProgram, Millis(0));
    ASSERT_FALSE(out.empty()) << "corrupt frames still go out";
    EXPECT_TRUE(framesOf(out).empty()) << "and every one fails the checksum test";
    const std::string bad = WithWrongChecksum(BuildSearchReply());
    EXPECT_FALSE(FrameChecksumOk(bad));
    EXPECT_EQ(bad.substr(0, bad.size() - 5), BuildSearchReply().substr(0, bad.size() - 5));
    EXPECT_TRUE(std::all_of(bad.end() - 5, bad.end() - 1, [](char ch) {
        return std::isdigit(static_cast<unsigned char>(ch)) || (ch >= 'A' && ch <= 'F');
    })) << "still upper-case hex: only its value is wrong";
}

TEST(DeviceCore, SplitFramesTravelInPiecesOfAtLeastThreeCharacters) {
    DeviceCore core = makeCore();
    core.knobs().splitFrames = true;
    for (int round = 0; round < 20; ++round) {
        const auto out = core.receive(BuildZ(), kProgram, Millis(round));
        EXPECT_GE(out.size(), 6u) << "three frames, at least two pieces each";
        for (const Outgoing& o : out)
            EXPECT_GE(o.data.size(), FaultInjector::kMinPiece);
        EXPECT_EQ(letters(framesOf(out)), "ZYP") << "the splitter puts them together again";
    }
}

TEST(DeviceCore, AFirmwareHookStandsInForTheReceiverEvenInNulPaddedPieces) {
    DeviceCore core = makeCore();
    const std::string start = CommandFrame('S').byte(1).text("1").byte(3).text("00A00").finish();
    EXPECT_EQ(framesOf(core.receive(start, kProgram, Millis(0))),
              std::vector<std::string>{"%S,01,00,FC61#"})
        << "without a hook the device's receiver answers";
    EXPECT_EQ(core.framesReceived('S'), 1);

    std::vector<std::string> seen;
    core.setFirmwareHook([&](std::string_view frame) {
        seen.emplace_back(frame);
        return std::vector<std::string>{CommandFrame('S').byte(1).byte(7).finish()};
    });
    const auto ack = core.receive(start, kProgram, Millis(0));
    ASSERT_EQ(framesOf(ack), std::vector<std::string>{CommandFrame('S').byte(1).byte(7).finish()});
    EXPECT_EQ(ack[0].to, kProgram);

    // A block frame arrives in 256-byte datagrams, the last padded with NUL bytes.
    const std::string block =
        CommandFrame('T').byte(1).text("1").byte(0).text(std::string(2048, 'A')).finish();
    for (std::size_t at = 0; at < block.size(); at += 256) {
        std::string piece = block.substr(at, 256);
        piece.resize(256, '\0');
        core.receive(piece, kProgram, Millis(0));
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], block);
    EXPECT_EQ(core.firmware().startsTaken(), 1) << "the receiver saw nothing while hooked";
}

TEST(DeviceCore, PeerPortOptionRedirectsEveryAnswer) {
    DeviceOptions options;
    options.peerPort = 39051;
    DeviceCore core = makeCore(options);
    for (const Outgoing& o : core.receive(BuildZ(), kProgram, Millis(0)))
        EXPECT_EQ(o.to, Endpoint::fromOctets(127, 0, 0, 1, 39051));
    core.receive(BuildQ(1), kProgram, Millis(0));
    EXPECT_EQ(core.tick(Millis(0)).front().to.port, 39051);
}

TEST(SimActivity, MetersMoveAndTheAutoMixerOpensAtMostMaxOpenChannels) {
    DeviceImage image = DemoDeviceImage();
    image.maxOpenCh = 2;
    image.lastHold = 1;
    SimActivity activity(7);
    std::set<int> ch1Levels;
    int stepsWithOpen = 0, stepsHeld = 0;
    for (int step = 0; step < 600; ++step) {
        const StatusReport r = activity.next(image);
        ch1Levels.insert(r.inputMeters[0]);
        const int open = static_cast<int>(std::bitset<8>(r.openCh1to8).count() +
                                          std::bitset<8>(r.openCh9to16).count());
        EXPECT_LE(open, 2);
        stepsWithOpen += open > 0;
        if (r.heldChannel != 0) {
            ++stepsHeld;
            EXPECT_EQ(open, 0) << "a channel is held only while none is open";
            EXPECT_GE(r.heldChannel, 1);
            EXPECT_LE(r.heldChannel, 16);
        }
        EXPECT_EQ(r.outputMeters[7], 0) << "bus 8 is muted in the demo image";
        for (int m : r.inputMeters)
            EXPECT_LE(m, 255);
    }
    EXPECT_GT(ch1Levels.size(), 10u) << "the meter moves";
    EXPECT_GT(stepsWithOpen, 0);
    EXPECT_GT(stepsHeld, 0);

    image.lastHold = 0;
    SimActivity noHold(7);
    for (int step = 0; step < 600; ++step)
        EXPECT_EQ(noHold.next(image).heldChannel, 0);
}

} // namespace
} // namespace krm::sim
