// Undo and redo through the one edit path: a step is everything one operator edit changed
// (a drag, a module with its linked members), undo puts back exactly those fields and
// sends what a forward edit of them sends; device reports are never steps.
#include "model/apply_frame.h"
#include "model/edit_service.h"
#include "model/frame_builders.h"

#include "tests/support/caller_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

using namespace std::chrono_literals;

class EditHistoryTest : public ::testing::Test, public EditListener {
protected:
    EditHistoryTest() {
        ResetToStartupValues(image);
        edits.deviceReplaced(); // as after the device's dump
        edits.addListener(this);
    }
    ~EditHistoryTest() override { edits.removeListener(this); }
    void edited(const Parameter*, const std::vector<Channel>& channels) override {
        told.push_back(channels);
    }
    std::vector<std::string> frames() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    void link(std::vector<int> members, ControlLink entry) {
        LinkedChannels g{1, members, {}};
        g.link[entry] = 1;
        for (int m : members)
            edits.links().of(Channel::input(m)) = g;
    }
    // A forward edit is committed, then the sink forgets what it sent.
    void settle() {
        frames();
        sink.clear();
    }

    DeviceImage image;
    test::CallerClock clock;
    test::TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    std::vector<std::vector<Channel>> told;
};

bool SameBand(const PeqBand& a, const PeqBand& b) {
    return a.freq == b.freq && a.gain == b.gain && a.q == b.q && a.type == b.type;
}

TEST_F(EditHistoryTest, MarkerDragIsOneStepAndItsUndoSendsOneBandFrame) {
    const Channel ch3 = Channel::input(2);
    const PeqBand before = image.inputs[2].peq[1];
    // Press, drag through three positions, let go: stores, then one commit.
    for (int step = 1; step <= 3; ++step) {
        edits.store(Param(ParamKind::PeqGain, 1), ch3, 150 + 20 * step);
        edits.store(Param(ParamKind::PeqFreq, 1), ch3, 1000 + 200 * step);
    }
    EXPECT_FALSE(edits.history().canUndo()); // stores alone close nothing
    edits.commit(Param(ParamKind::PeqGain, 1), ch3);
    ASSERT_EQ(edits.history().undoSteps().size(), 1u);
    EXPECT_EQ(edits.history().nextUndo()->fields.size(), 2u);
    settle();
    told.clear();

    const EditService::UndoResult undone = edits.undo();
    ASSERT_NE(undone.step, nullptr);
    EXPECT_TRUE(SameBand(image.inputs[2].peq[1], before));
    EXPECT_EQ(frames(), (std::vector<std::string>{BuildG(image, 3, 2)}));
    EXPECT_FALSE(told.empty());                        // the pages reload
    EXPECT_EQ(edits.history().undoSteps().size(), 0u); // undo is no step of its own
    EXPECT_TRUE(edits.history().canRedo());

    // Redo replays the drag's end state with the same single frame.
    sink.clear();
    ASSERT_NE(edits.redo().step, nullptr);
    EXPECT_EQ(image.inputs[2].peq[1].gain, 210);
    EXPECT_EQ(image.inputs[2].peq[1].freq, 1600);
    EXPECT_EQ(frames(), (std::vector<std::string>{BuildG(image, 3, 2)}));
    EXPECT_TRUE(edits.history().canUndo());
    EXPECT_FALSE(edits.history().canRedo());

    // A single field's step is named from the table.
    edits.set(Param(ParamKind::PeqGain, 1), ch3, 140);
    EXPECT_EQ(edits.history().nextUndo()->name.en, "CH 3 BAND2 GAIN 6.0dB → -1.0dB");
    EXPECT_EQ(edits.history().nextUndo()->name.zh, "CH 3 频段2增益 6.0dB → -1.0dB");
}

TEST_F(EditHistoryTest, UndoOfALinkedResetRestoresEveryMemberAndPacesTheirFrames) {
    link({2, 5, 17}, LinkEq);
    // Each member holds a band of its own before the RESET.
    image.inputs[2].peq[0].gain = 170;
    image.inputs[5].peq[0].gain = 120;
    image.inputs[17].peq[2].q = 40;
    edits.record(); // what the test wrote is no part of the RESET
    const DeviceImage before = image;

    EditService::ModuleEdit reset;
    reset.link = LinkEq;
    reset.copy = [](DeviceImage& img, Channel from, Channel to) {
        img.inputs[static_cast<std::size_t>(to.index)].peq =
            img.inputs[static_cast<std::size_t>(from.index)].peq;
    };
    reset.frames = [](const DeviceImage& img, Channel c) {
        std::vector<std::string> f;
        for (int band = 1; band <= 4; ++band)
            f.push_back(BuildG(img, c.index + 1, band));
        return f;
    };
    reset.name = {"RESET PEQ CH3", "复位 PEQ CH3"};
    for (int band = 0; band < kPeqBands; ++band)
        image.inputs[2].peq[static_cast<std::size_t>(band)].gain = 150;
    Millis start = clock.now();
    edits.commitModuleEdit(Channel::input(2), reset);
    ASSERT_EQ(image.inputs[5].peq[0].gain, 150);
    EXPECT_EQ(edits.history().nextUndo()->name.en, "RESET PEQ CH3");
    const std::size_t forwardCount = frames().size();
    std::vector<Millis> forward = sink.times();
    for (Millis& t : forward)
        t -= start;
    sink.clear();

    start = clock.now();
    ASSERT_NE(edits.undo().step, nullptr);
    for (int ch : {2, 5, 17})
        for (int band = 0; band < kPeqBands; ++band)
            EXPECT_TRUE(SameBand(image.inputs[static_cast<std::size_t>(ch)].peq[band],
                                 before.inputs[static_cast<std::size_t>(ch)].peq[band]))
                << "CH" << ch + 1 << " band " << band + 1;
    // What the RESET sent, built from the restored bands, with the RESET's pauses: CH3's
    // four bands 20 ms apart, then each member's, 10 ms more before its first.
    std::vector<std::string> expected;
    for (int ch : {3, 6, 18})
        for (int band = 1; band <= 4; ++band)
            expected.push_back(BuildG(image, ch, band));
    EXPECT_EQ(frames(), expected);
    ASSERT_EQ(forwardCount, expected.size());
    std::vector<Millis> t = sink.times();
    for (Millis& at : t)
        at -= start;
    EXPECT_EQ(t, forward);
    ASSERT_EQ(t.size(), 12u);
    EXPECT_EQ(t[1] - t[0], 20ms);
    EXPECT_EQ(t[4] - t[3], 30ms);
    EXPECT_EQ(clock.callerSleeps, 0);
}

TEST_F(EditHistoryTest, NewEditsClearRedoAndOfflineUndoChangesTheImageOnly) {
    const Parameter& fader = Param(ParamKind::InGain);
    const Name16 firstName = image.inputs[0].name;
    const std::int32_t firstGain = image.inputs[0].gain;
    ASSERT_EQ(image.inputs[1].gain, firstGain);
    edits.set(fader, Channel::input(0), 50);
    edits.setName(Channel::input(0), Name16::fromUtf8("Podium"));
    edits.switchControlGroup(1, true);
    image.controlGroups[0].input(0) = 1; // a member, written by the groups page
    edits.record({"GROUP 1", "编组 1"});
    // The empty group's switch changed only the switch: a step all the same.
    EXPECT_EQ(edits.history().undoSteps().size(), 4u);
    edits.undo();
    edits.undo();
    EXPECT_EQ(edits.history().redoSteps().size(), 2u);
    EXPECT_EQ(image.controlGroupActive[0], 0);
    edits.set(fader, Channel::input(1), 30); // a new edit: the redo list goes
    EXPECT_FALSE(edits.history().canRedo());
    settle();

    // Offline: the image goes back and forth, nothing is sent or queued.
    sink.online = false;
    edits.undo(); // CH2's fader
    edits.undo(); // CH1's name
    EXPECT_EQ(image.inputs[0].name, firstName);
    EXPECT_EQ(image.inputs[1].gain, firstGain);
    edits.undo(); // CH1's fader
    EXPECT_EQ(image.inputs[0].gain, firstGain);
    EXPECT_FALSE(edits.history().canUndo());
    EXPECT_EQ(edits.undo().step, nullptr); // nothing left: nothing happens
    edits.redo();
    EXPECT_EQ(image.inputs[0].gain, 50);
    sink.online = true;
    EXPECT_TRUE(frames().empty());

    // Online again, a name's undo sends the name frame.
    edits.redo();
    EXPECT_EQ(image.inputs[0].name.toUtf8(), "Podium");
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].rfind("%V,", 0), 0u);
}

TEST_F(EditHistoryTest, UndoOfAMuteGroupSwitchSaysWhichSwitchStandsWhere) {
    sink.online = false;
    image.muteGroups[0].input(0) = 1;
    image.muteGroups[1].input(1) = 1;
    edits.record();
    edits.switchMuteGroup(1, true);
    edits.switchMuteGroup(2, true);
    // Group 1 off while group 2 was switched on last: the image's active group goes from 2
    // to 0 and back, naming switch 2; only the step can tell that switch 1 comes back on.
    edits.switchMuteGroup(1, false);
    EditService::UndoResult r = edits.undo();
    EXPECT_EQ(std::make_pair(r.muteGroup, r.muteGroupOn), std::make_pair(1, true));
    EXPECT_EQ(image.inputs[0].mute, 1);
    r = edits.redo();
    EXPECT_EQ(std::make_pair(r.muteGroup, r.muteGroupOn), std::make_pair(1, false));
    edits.undo();
    r = edits.undo();
    EXPECT_EQ(std::make_pair(r.muteGroup, r.muteGroupOn), std::make_pair(2, false));
    edits.set(Param(ParamKind::InPan), Channel::input(0), 80);
    EXPECT_EQ(edits.undo().muteGroup, 0);
}

TEST_F(EditHistoryTest, HistoryKeepsTheNewestThousandSteps) {
    sink.online = false;
    const Parameter& fader = Param(ParamKind::InGain);
    for (int i = 1; i <= 1005; ++i)
        edits.set(fader, Channel::input(0), i % 2 == 0 ? 10 : 20);
    ASSERT_EQ(edits.history().undoSteps().size(), EditHistory::kMaxSteps);
    // The oldest left is edit 6 (20 → 10): undoing everything leaves edit 5's value.
    EXPECT_EQ(edits.history().undoSteps().front().fields.front().before, 20);
    while (edits.undo().step) {
    }
    EXPECT_EQ(image.inputs[0].gain, 20);
    EXPECT_EQ(edits.history().redoSteps().size(), EditHistory::kMaxSteps);
    EXPECT_GT(edits.history().memoryBytes(), 0u);
}

TEST_F(EditHistoryTest, DeviceReportsAreNoStepsAndANewDumpStartsANewHistory) {
    edits.set(Param(ParamKind::InMute), Channel::input(3), 1);
    // The device reports CH5's fader moved on its own front panel.
    DeviceImage device = image;
    device.inputs[4].gain = 33;
    ASSERT_TRUE(ApplyParameterFrame(BuildA(device, 5), image));
    edits.deviceReported();
    edits.set(Param(ParamKind::InMute), Channel::input(3), 0);
    ASSERT_EQ(edits.history().undoSteps().size(), 2u);
    EXPECT_EQ(edits.history().nextUndo()->size(), 1u); // the mute only
    edits.undo();
    EXPECT_EQ(image.inputs[4].gain, 33); // the device's change stays

    // Meters and auto-mixer states are no settings: never part of a step.
    image.inputs[0].meter = 200;
    image.inputs[0].autoMixOpen = 1;
    image.unitCount = 3;
    edits.set(Param(ParamKind::InPan), Channel::input(0), 80);
    EXPECT_EQ(edits.history().nextUndo()->size(), 1u);

    // A dump replaces the image: undo and redo both go, and the caller hears of it once.
    image.inputs[7].hpf.freq = 300;
    EXPECT_TRUE(edits.deviceReplaced());
    EXPECT_FALSE(edits.history().canUndo());
    EXPECT_FALSE(edits.history().canRedo());
    EXPECT_FALSE(edits.deviceReplaced());
    edits.set(Param(ParamKind::InPan), Channel::input(0), 90);
    EXPECT_EQ(edits.history().nextUndo()->size(), 1u); // the dump's field is no part of it
}

} // namespace
} // namespace krm
