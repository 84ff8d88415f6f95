// The one edit path: image first, the channel's own frame at once while online, linked
// members' frames paced 10 ms apart, bulk sequences and names on the bulk sender — never a
// pause on the caller's thread.
#include "model/edit_service.h"
#include "model/frame_builders.h"
#include "model/parameter_frames.h"

#include "tests/support/caller_clock.h"
#include "tests/support/fake_clock.h"
#include "tests/support/frame_field.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace krm {
namespace {

using namespace std::chrono_literals;

class AllDark final : public GlyphRenderer {
public:
    GlyphCell render(char16_t, int cellWidth) const override {
        GlyphCell cell(cellWidth);
        std::fill(cell.dark.begin(), cell.dark.end(), 1);
        return cell;
    }
};

using test::CallerClock;

class EditServiceTest : public ::testing::Test, public EditListener {
protected:
    EditServiceTest() {
        ResetToStartupValues(image);
        edits.addListener(this);
    }
    ~EditServiceTest() override { edits.removeListener(this); }
    void edited(const Parameter*, const std::vector<Channel>& channels) override {
        told.push_back(channels);
    }
    std::vector<std::string> frames() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    void link(std::vector<int> members, ControlLink entry, bool output = false) {
        LinkedChannels g{1, members, {}};
        g.link[entry] = 1;
        for (int m : members)
            edits.links().of(output ? Channel::output(m) : Channel::input(m)) = g;
    }

    DeviceImage image;
    CallerClock clock;
    test::TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    std::vector<std::vector<Channel>> told;
};

TEST_F(EditServiceTest, LinkedEditSendsOwnFrameAtOnceAndMembersTenMillisecondsApart) {
    link({0, 3, 17}, LinkGain); // two microphone inputs and a line input
    const Millis start = clock.now();
    const EditResult r = edits.set(Param(ParamKind::InputGain), Channel::input(0), 3);
    EXPECT_EQ(clock.callerSleeps, 0); // the caller never waits
    EXPECT_EQ(r.linked, (std::vector<int>{3, 17}));
    EXPECT_EQ(image.inputs[3].inputGain, 3);
    EXPECT_EQ(image.inputs[17].inputGain, 1); // held to the line input's two gains
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(test::fieldOf(sent[0], 2), 1); // own channel first, then CH4 and CH18
    EXPECT_EQ(test::fieldOf(sent[1], 2), 4);
    EXPECT_EQ(test::fieldOf(sent[2], 2), 18);
    const std::vector<Millis> t = sink.times();
    EXPECT_EQ(t[0], start);
    EXPECT_EQ(t[1] - t[0], 10ms);
    EXPECT_EQ(t[2] - t[1], 10ms);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0],
              (std::vector<Channel>{Channel::input(0), Channel::input(3), Channel::input(17)}));

    // Unlinked kinds and the source stay with their own channel; phantom skips line inputs.
    link({0, 3, 17}, LinkPhantom);
    EXPECT_TRUE(edits.set(Param(ParamKind::InMute), Channel::input(0), 1).linked.empty());
    EXPECT_EQ(edits.toggle(Param(ParamKind::Phantom), Channel::input(3)).linked,
              (std::vector<int>{0}));
    EXPECT_EQ(image.inputs[0].phantom, 1);
    EXPECT_EQ(image.inputs[17].phantom, 0);
}

TEST_F(EditServiceTest, DirectEditDropsAStaleQueuedCopyOfTheSameFrame) {
    link({0, 1}, LinkVol);
    // CH2's copy usually still waits in the queue when CH2 is moved by hand; it must not
    // follow the newer frame.
    edits.set(Param(ParamKind::InGain), Channel::input(0), 10); // CH2's copy queued
    edits.set(Param(ParamKind::InGain), Channel::input(1), 40); // CH2 moved by hand
    const std::vector<std::string> sent = frames();
    // Whatever went out last for CH2 carries its newest level.
    int lastCh2 = -1;
    for (const std::string& f : sent)
        if (test::fieldOf(f, 2) == 2)
            lastCh2 = test::fieldOf(f, 4);
    EXPECT_EQ(lastCh2, 40);
    EXPECT_EQ(image.inputs[0].gain, 40); // and CH1 followed CH2
}

TEST_F(EditServiceTest, OfflineEditsStayInTheImageAndRefusedSourcesChangeNothing) {
    sink.online = false;
    link({0, 1}, LinkVol);
    edits.set(Param(ParamKind::InGain), Channel::input(0), 33);
    EXPECT_EQ(image.inputs[1].gain, 33);
    edits.switchMuteGroup(1, true);
    edits.setName(Channel::output(0), Name16::fromUtf8("Hall"));
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image.outputs[0].name.toUtf8(), "Hall");

    sink.online = true;
    image.inputs[6].source = 2;
    const EditResult r = edits.set(Param(ParamKind::Source), Channel::input(0), 2);
    EXPECT_TRUE(r.refused());
    EXPECT_EQ(r.holder, 6);
    EXPECT_EQ(image.inputs[0].source, 0);
    EXPECT_FALSE(edits.store(Param(ParamKind::Source), Channel::input(0), 2));
    EXPECT_TRUE(edits.set(Param(ParamKind::Source), Channel::input(0), 3).changed());
    EXPECT_TRUE(edits.set(Param(ParamKind::Source), Channel::input(1), 0).changed()); // ANALOG
    EXPECT_EQ(frames().size(), 2u);
}

TEST_F(EditServiceTest, NamesAndMuteGroupsGoOutFromTheBulkSenderWithTheirPauses) {
    AllDark dark;
    edits.setGlyphRenderer(&dark);
    image.muteGroups[0].input(2) = 1;
    image.muteGroups[0].output(1) = 1;
    edits.setName(Channel::output(1), Name16::fromUtf8("AB"));
    edits.switchMuteGroup(1, true);
    EXPECT_EQ(clock.callerSleeps, 0); // no pause on the caller's thread
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].substr(0, 9), "%V,01,16,"); // bus 2 as 22
    // The bitmap comes from the renderer: two narrow cells of dark pixels, not zeros.
    EXPECT_NE(sent[0].find("FFFFFFFF"), std::string::npos);
    EXPECT_EQ(sent[1].substr(0, 9), "%A,01,03,");
    EXPECT_EQ(sent[2].substr(0, 9), "%A,01,16,");
    const std::vector<Millis> t = sink.times();
    EXPECT_EQ(t[1] - t[0], 10ms); // the name frame's pause
    EXPECT_EQ(t[2] - t[1], 20ms); // a mute group's pause
    EXPECT_EQ(image.inputs[2].mute, 1);
    EXPECT_EQ(image.outputs[1].mute, 1);
}

TEST_F(EditServiceTest, ModuleEditCopiesToLinkedMembersAndPlaysEveryFrameWithItsPauses) {
    link({2, 5, 17}, LinkEq);
    image.inputs[2].peq[0].gain = 200;
    image.inputs[2].hpf.enable = 1;
    EditService::ModuleEdit reset;
    reset.link = LinkEq;
    reset.copy = [](DeviceImage& img, Channel from, Channel to) {
        img.inputs[to.index].peq = img.inputs[from.index].peq;
        img.inputs[to.index].hpf = img.inputs[from.index].hpf;
    };
    reset.frames = [](const DeviceImage& img, Channel c) {
        std::vector<std::string> f{BuildG(img, c.index + 1, 1)};
        f.push_back(c.index < kMicInputCount ? BuildF(img, c.index + 1) : std::string());
        return f;
    };
    reset.pause = 20ms;
    reset.memberFramePause = 50ms;
    const Millis start = clock.now();
    EXPECT_EQ(edits.commitModuleEdit(Channel::input(2), reset), (std::vector<int>{5, 17}));
    EXPECT_EQ(clock.callerSleeps, 0);
    EXPECT_EQ(image.inputs[17].peq[0].gain, 200);
    EXPECT_EQ(image.inputs[5].hpf.enable, 1);
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 5u); // CH3 G F, CH6 G F, CH18 G (a line input has no filters)
    EXPECT_EQ(sent[0].substr(0, 6), "%G,01,");
    EXPECT_EQ(test::fieldOf(sent[2], 2), 6);
    EXPECT_EQ(test::fieldOf(sent[4], 2), 18);
    const std::vector<Millis> t = sink.times();
    EXPECT_EQ(t[0], start);
    EXPECT_EQ(t[1] - t[0], 20ms);
    EXPECT_EQ(t[2] - t[1], 30ms); // 20 after CH3's last frame, 10 before CH6's first
    EXPECT_EQ(t[3] - t[2], 50ms); // a member's frames 50 ms apart
    EXPECT_EQ(t[4] - t[3], 60ms);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back().size(), 3u);
}

// A balanced group of microphones moved by one of them: with keep offsets the levels keep
// their differences, each held to its range; otherwise, and for the kinds that are no
// levels, the members take the moved channel's value.
TEST_F(EditServiceTest, ControlGroupsKeepOffsetsOnLevelsOnlyWhenAsked) {
    struct Case {
        const char* name;
        bool keepOffsets;
        ParamKind kind;
        ControlLink entry;
        bool output;
        std::array<int, 3> before; // members 0, 3, 5; member 0 is moved
        std::vector<int> moves;    // stored while dragging; the last one is committed
        std::array<int, 3> after;
        bool typed = false; // written to the image by the readout, then committed
    };
    // clang-format off
    const Case cases[] = {
        // -7/-4/-1 dB moved by +3 dB: -4/-1/+2 dB.
        {"faders",                       true,  ParamKind::InGain,        LinkVol,   false, {53, 56, 59},    {56},         {56, 59, 62}},
        {"held at +10 dB",               true,  ParamKind::InGain,        LinkVol,   false, {53, 66, 69},    {56},         {56, 69, 70}},
        {"held at the bottom",           true,  ParamKind::OutGain,       LinkVol,   true,  {10, 2, 40},     {5},          {5, 0, 35}},
        {"a drag counts from its start", true,  ParamKind::CompThreshold, LinkComp,  false, {30, 40, 50},    {33, 20, 25}, {25, 35, 45}},
        {"make-up gain",                 true,  ParamKind::LimGain,       LinkLimit, true,  {0, 50, 190},    {20},         {20, 70, 200}},
        {"typed into the readout",       true,  ParamKind::InGain,        LinkVol,   false, {53, 56, 59},    {50},         {50, 53, 56}, true},
        {"copied by default",            false, ParamKind::InGain,        LinkVol,   false, {53, 56, 59},    {56},         {56, 56, 56}},
        {"ratios are copied",            true,  ParamKind::CompRatio,     LinkComp,  false, {20, 30, 40},    {25},         {25, 25, 25}},
        {"an EQ curve is copied",        true,  ParamKind::GeqGain,       LinkEq,    true,  {100, 150, 200}, {160},        {160, 160, 160}},
    };
    // clang-format on
    const std::array<int, 3> members{0, 3, 5};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Parameter& p = Param(c.kind);
        auto at = [&](int i) {
            return c.output ? Channel::output(members[i]) : Channel::input(members[i]);
        };
        edits.setKeepOffsets(false);
        for (int i = 0; i < 3; ++i)
            edits.set(p, at(i), c.before[static_cast<std::size_t>(i)]);
        link({0, 3, 5}, c.entry, c.output);
        edits.setKeepOffsets(c.keepOffsets);
        frames();
        sink.clear();

        for (int code : c.moves) {
            if (c.typed)
                p.set(image, at(0), code);
            else
                edits.store(p, at(0), code);
        }
        const EditResult r = edits.commit(p, at(0));
        EXPECT_EQ(r.linked, (std::vector<int>{3, 5}));
        const std::vector<std::string> sent = frames();
        ASSERT_EQ(sent.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            EXPECT_EQ(p.get(image, at(i)), c.after[k]) << "member " << i;
            // Each frame goes to its member and carries the member's new code.
            EXPECT_EQ(sent[k], BuildParameterFrame(image, p, at(i)));
            if (c.kind == ParamKind::InGain) { // "%A,": the channel, then the level code
                EXPECT_EQ(test::fieldOf(sent[k], 2), members[k] + 1);
                EXPECT_EQ(test::fieldOf(sent[k], 4), c.after[k]);
            }
        }

        // Undo puts every member back exactly, also one that was held.
        sink.clear();
        edits.undo();
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(p.get(image, at(i)), c.before[static_cast<std::size_t>(i)]) << "member " << i;
        // One frame for each member whose value the step changed.
        std::size_t moved = 0;
        for (std::size_t k = 0; k < 3; ++k)
            moved += c.before[k] != c.after[k] ? 1 : 0;
        EXPECT_EQ(frames().size(), moved);
        for (int m : members)
            edits.links().of(c.output ? Channel::output(m) : Channel::input(m)) = {};
    }
}

} // namespace
} // namespace krm
