#include "link/frame.h"
#include "model/frame_builders.h"
#include "model/group_switching.h"
#include "model/paced_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <atomic>

namespace krm {
namespace {

using namespace std::chrono_literals;

DeviceImage startup() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

// Field 1 (after the letter and the address) of a frame: its wire channel.
int wireChannel(const std::string& frame) {
    const auto first = frame.find(',', 3);
    return std::stoi(frame.substr(first + 1, 2), nullptr, 16);
}

TEST(MuteGroups, SwitchingOnMutesMembersAndListsThemInSendingOrder) {
    DeviceImage image = startup();
    MuteGroup& g2 = image.muteGroups[1];
    g2.output(2) = 1; // output 3
    g2.input(4) = 1;  // CH5
    g2.input(0) = 1;  // CH1
    const std::vector<int> wire = SwitchMuteGroup(image, 2, true);
    EXPECT_EQ(wire, (std::vector<int>{1, 5, 23}));
    EXPECT_EQ(image.inputs[0].mute, 1);
    EXPECT_EQ(image.inputs[4].mute, 1);
    EXPECT_EQ(image.outputs[2].mute, 1);
    EXPECT_EQ(image.inputs[1].mute, 0);
    EXPECT_EQ(image.outputs[0].mute, 0);
    EXPECT_EQ(image.activeMuteGroup, 2);

    // Off: the same walk unmutes, and the active group is cleared.
    EXPECT_EQ(SwitchMuteGroup(image, 2, false), wire);
    EXPECT_EQ(image.inputs[0].mute, 0);
    EXPECT_EQ(image.outputs[2].mute, 0);
    EXPECT_EQ(image.activeMuteGroup, 0);

    EXPECT_TRUE(SwitchMuteGroup(image, 5, true).empty());
    EXPECT_TRUE(SwitchMuteGroup(image, 0, true).empty());
    EXPECT_EQ(image.activeMuteGroup, 0);
}

TEST(MuteGroups, SharedMembersAreUnmutedByEitherGroup) {
    DeviceImage image = startup();
    image.muteGroups[0].input(2) = 1;
    image.muteGroups[1].input(2) = 1;
    image.muteGroups[1].input(3) = 1;
    SwitchMuteGroup(image, 1, true);
    SwitchMuteGroup(image, 2, true);
    EXPECT_EQ(image.activeMuteGroup, 2);
    SwitchMuteGroup(image, 1, false);
    EXPECT_EQ(image.inputs[2].mute, 0); // group 2 is still on, but each switch acts alone
    EXPECT_EQ(image.inputs[3].mute, 1);
    EXPECT_EQ(image.activeMuteGroup, 0);
}

TEST(MuteGroups, Group2FramesGoOutFor1And5And23In20msSteps) {
    DeviceImage image = startup();
    image.muteGroups[1].input(0) = 1;
    image.muteGroups[1].input(4) = 1;
    image.muteGroups[1].output(2) = 1;
    image.inputs[4].gain = 42;

    test::FakeClock clock;
    test::TimedSink sink(clock);
    std::atomic<int> touches{0};
    PacedSender pacer(sink, clock, [&] { ++touches; });

    std::vector<std::string> frames;
    for (int ch : SwitchMuteGroup(image, 2, true))
        frames.push_back(BuildA(image, ch));
    const Millis start = clock.now();
    pacer.enqueue(frames, PausePlacement::AfterEachFrame, 20ms);
    pacer.waitIdle();

    const std::vector<std::string> sent = sink.frames();
    const std::vector<Millis> times = sink.times();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(wireChannel(sent[0]), 1);
    EXPECT_EQ(wireChannel(sent[1]), 5);
    EXPECT_EQ(wireChannel(sent[2]), 23);
    // Mute and level of each member, as the image held them when the switch was pressed.
    EXPECT_EQ(sent[1].substr(0, 15), "%A,01,05,01,2A,");
    for (const std::string& f : sent)
        EXPECT_TRUE(FrameChecksumOk(f)) << f;
    EXPECT_EQ(times[0], start);
    EXPECT_EQ(times[1] - times[0], 20ms);
    EXPECT_EQ(times[2] - times[1], 20ms);
    EXPECT_EQ(clock.now() - start, 60ms); // a pause follows the last frame too
    EXPECT_EQ(touches.load(), 3);         // the watchdog is kept quiet after every frame
}

TEST(ControlGroups, SwitchingGivesMemberStripsTheirListsAndLinks) {
    DeviceImage image = startup();
    ControlGroup& g3 = image.controlGroups[2];
    g3.input(9) = 1;
    g3.input(1) = 1;
    g3.input(4) = 1;
    g3.link(LinkEq) = 1;
    g3.link(LinkVol) = 1;

    const auto on = SwitchControlGroup(image, 3, true);
    EXPECT_EQ(image.controlGroupActive[2], 1);
    EXPECT_EQ(image.controlGroupActive[0], 0);
    ASSERT_EQ(on.size(), 3u);
    for (const StripGroupAssignment& a : on) {
        EXPECT_FALSE(a.output);
        EXPECT_EQ(a.group, 3);
        EXPECT_EQ(a.members, (std::vector<int>{1, 4, 9}));
        EXPECT_EQ(a.links[LinkEq], 1);
        EXPECT_EQ(a.links[LinkVol], 1);
        EXPECT_EQ(a.links[LinkComp], 0);
    }
    EXPECT_EQ(on[0].index, 1);
    EXPECT_EQ(on[2].index, 9);

    const auto off = SwitchControlGroup(image, 3, false);
    EXPECT_EQ(image.controlGroupActive[2], 0);
    ASSERT_EQ(off.size(), 3u);
    for (const StripGroupAssignment& a : off) {
        EXPECT_EQ(a.group, 0);
        EXPECT_TRUE(a.members.empty());
    }
}

TEST(ControlGroups, OutputMembersGetTheOutputList) {
    DeviceImage image = startup();
    image.controlGroups[0].output(6) = 1;
    image.controlGroups[0].output(0) = 1;
    image.controlGroups[0].link(LinkLimit) = 1;
    const auto on = SwitchControlGroup(image, 1, true);
    ASSERT_EQ(on.size(), 2u);
    EXPECT_TRUE(on[0].output);
    EXPECT_EQ(on[0].index, 0);
    EXPECT_EQ(on[1].index, 6);
    EXPECT_EQ(on[1].members, (std::vector<int>{0, 6}));
    EXPECT_EQ(on[1].links[LinkLimit], 1);
    EXPECT_TRUE(SwitchControlGroup(image, 0, true).empty());
}

TEST(ClearOperations, ClearMuteLeavesCh19AndCh20AndListsWireChannels) {
    DeviceImage image = startup();
    for (auto& in : image.inputs) {
        in.mute = 1;
        in.solo = 1;
    }
    for (auto& out : image.outputs)
        out.mute = 1;
    const std::vector<int> wire = ClearAllMutes(image);
    ASSERT_EQ(wire.size(), 26u);
    EXPECT_EQ(wire.front(), 1);
    EXPECT_EQ(wire[17], 18);
    EXPECT_EQ(wire[18], 21);
    EXPECT_EQ(wire.back(), 28);
    EXPECT_EQ(image.inputs[17].mute, 0);
    EXPECT_EQ(image.inputs[18].mute, 1);
    EXPECT_EQ(image.inputs[19].mute, 1);
    EXPECT_EQ(image.outputs[7].mute, 0);

    ClearAllSolos(image);
    EXPECT_EQ(image.inputs[0].solo, 0);
    EXPECT_EQ(image.inputs[17].solo, 0);
    EXPECT_EQ(image.inputs[18].solo, 1);
    EXPECT_EQ(image.inputs[19].solo, 1);
}

} // namespace
} // namespace krm
