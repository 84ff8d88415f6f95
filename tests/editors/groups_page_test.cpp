// The group page: the control-group membership rules and the link toggles offered by
// member kind, the selectors that can all be off, a switched-on group released before its
// membership changes, the name written back, and a page that never sends a frame itself —
// only the mute group it built does, once switched on.

#include "editors/pages/groups_page.h"
#include "kit/toggle_button.h"
#include "model/paced_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <QLineEdit>

#include <gtest/gtest.h>

#include <cstring>

namespace krm::test {
namespace {

using namespace std::chrono_literals;

class GroupsPageTest : public ::testing::Test {
protected:
    GroupsPageTest() { ResetToStartupValues(image); }

    std::vector<std::string> sent() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    ControlGroup& control(int g) { return image.controlGroups[static_cast<std::size_t>(g - 1)]; }
    MuteGroup& mute(int g) { return image.muteGroups[static_cast<std::size_t>(g - 1)]; }
    // Which link toggles the page shows, by entry.
    std::vector<int> shownLinks(const GroupsPage& page) {
        std::vector<int> shown;
        for (const LinkToggle& t : kLinkToggles)
            if (!page.linkToggle(t.entry)->isHidden())
                shown.push_back(t.entry);
        return shown;
    }

    DeviceImage image;
    FakeClock clock;
    TimedSink sink{clock};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
};

TEST_F(GroupsPageTest, MembershipRefusalsKeepAGroupToOneKindAndEachChannelToOneGroup) {
    GroupsPage page(edits);
    const Channel ch3 = Channel::input(2), ch4 = Channel::input(3), ch17 = Channel::input(16);
    const Channel out2 = Channel::output(1);

    // Without a selected group a member toggle does nothing.
    page.pressControlMember(ch3);
    EXPECT_EQ(control(1).input(2), 0);

    page.pressControlSelector(1);
    page.pressControlMember(ch3);
    page.pressControlMember(ch4);
    EXPECT_EQ(control(1).input(2), 1);
    EXPECT_EQ(control(1).memberCount(), 2);
    EXPECT_TRUE(page.controlMember(ch3)->state());

    // A line input or an output into a group of microphone inputs: refused, silently.
    EXPECT_EQ(CheckControlMember(image, 1, ch17), MemberRefusal::MicLineMix);
    EXPECT_EQ(CheckControlMember(image, 1, out2), MemberRefusal::OtherSide);
    const ControlGroup before = control(1);
    page.pressControlMember(ch17);
    page.pressControlMember(out2);
    EXPECT_EQ(control(1).v, before.v);
    EXPECT_FALSE(page.controlMember(ch17)->state());

    // CH3 already belongs to group 1: group 2 may not take it, but may take CH5.
    page.pressControlSelector(2);
    EXPECT_FALSE(page.controlMember(ch3)->state()); // group 2's flags now
    EXPECT_EQ(CheckControlMember(image, 2, ch3), MemberRefusal::InOtherGroup);
    page.pressControlMember(ch3);
    EXPECT_EQ(control(2).input(2), 0);
    page.pressControlMember(Channel::input(4));
    EXPECT_EQ(control(2).input(4), 1);

    // The other direction of both kind rules: a line group refuses a microphone input and
    // an output; an output group refuses any input.
    page.pressControlSelector(3);
    page.pressControlMember(ch17);
    EXPECT_EQ(CheckControlMember(image, 3, Channel::input(0)), MemberRefusal::MicLineMix);
    EXPECT_EQ(CheckControlMember(image, 3, out2), MemberRefusal::OtherSide);
    EXPECT_EQ(CheckControlMember(image, 3, Channel::input(19)), MemberRefusal::None);
    page.pressControlSelector(4);
    page.pressControlMember(out2);
    EXPECT_EQ(CheckControlMember(image, 4, Channel::input(18)), MemberRefusal::OtherSide);
    EXPECT_EQ(control(4).output(1), 1);

    // Removing the last member brings the count back to zero.
    page.pressControlSelector(1);
    page.pressControlMember(ch3);
    page.pressControlMember(ch4);
    EXPECT_EQ(control(1).memberCount(), 0);
    // A member count loaded out of step with the flags is put right by the next change.
    control(1).v[ControlGroup::kMemberCount] = 7;
    page.pressControlMember(ch3);
    EXPECT_EQ(control(1).memberCount(), 1);
}

TEST_F(GroupsPageTest, SelectorsAreRadioButtonsThatCanAllBeOffAndLinksFollowTheMemberKind) {
    control(2).input(0) = 1;
    control(2).v[ControlGroup::kMemberCount] = 1;
    control(2).link(LinkComp) = 1;
    control(2).setName(Name16::fromUtf8("Podium"));
    control(3).output(5) = 1;
    control(3).v[ControlGroup::kMemberCount] = 1;
    control(4).input(18) = 1;
    control(4).v[ControlGroup::kMemberCount] = 1;
    GroupsPage page(edits);

    page.pressControlSelector(2);
    EXPECT_EQ(page.selectedControlGroup(), 2);
    EXPECT_TRUE(page.controlSelector(2)->state());
    EXPECT_TRUE(page.controlMember(Channel::input(0))->state());
    EXPECT_TRUE(page.linkToggle(LinkComp)->state());
    EXPECT_EQ(page.nameField()->text(), QStringLiteral("Podium"));
    // Microphone inputs: EQ, COMP, VOL, GAIN, PRIORITY, 48V; never SOURCE.
    EXPECT_EQ(shownLinks(page),
              (std::vector<int>{LinkEq, LinkComp, LinkVol, LinkGain, LinkPriority, LinkPhantom}));

    page.pressControlSelector(3); // another selector releases the first
    EXPECT_FALSE(page.controlSelector(2)->state());
    EXPECT_TRUE(page.controlSelector(3)->state());
    EXPECT_FALSE(page.linkToggle(LinkComp)->state());
    EXPECT_EQ(page.nameField()->text(), QString());
    EXPECT_EQ(shownLinks(page),
              (std::vector<int>{LinkEq, LinkLimit, LinkVol, LinkLine, LinkFbk, LinkDelay}));
    page.pressControlSelector(4);
    EXPECT_EQ(shownLinks(page), (std::vector<int>{LinkEq, LinkVol, LinkGain}));

    // A link toggle stores the toggle's new state in the selected group only.
    page.pressLink(LinkVol);
    EXPECT_EQ(control(4).link(LinkVol), 1);
    EXPECT_TRUE(page.linkToggle(LinkVol)->state());
    page.pressLink(LinkVol);
    EXPECT_EQ(control(4).link(LinkVol), 0);

    // Pressing the selected selector again: nothing selected, everything shown off, the
    // name blanked, and toggles without effect.
    page.pressControlSelector(2);
    page.pressControlSelector(2);
    EXPECT_EQ(page.selectedControlGroup(), 0);
    for (int g = 1; g <= kGroupCount; ++g)
        EXPECT_FALSE(page.controlSelector(g)->state());
    EXPECT_FALSE(page.controlMember(Channel::input(0))->state());
    EXPECT_FALSE(page.linkToggle(LinkComp)->state());
    EXPECT_EQ(page.nameField()->text(), QString());
    EXPECT_FALSE(page.nameField()->isEnabled());
    const DeviceImage before = image;
    page.pressLink(LinkComp);
    page.pressControlMember(Channel::input(1));
    page.writeName(QStringLiteral("Lost"));
    EXPECT_EQ(image.controlGroups[1].v, before.controlGroups[1].v);
    EXPECT_EQ(image.controlGroups[0].v, before.controlGroups[0].v);

    // The mute selectors behave the same way; their member toggles take no rule at all.
    page.pressMuteMember(Channel::input(0));
    EXPECT_EQ(mute(1).input(0), 0);
    page.pressMuteSelector(1);
    page.pressMuteMember(Channel::input(0));  // also in control group 2: no matter
    page.pressMuteMember(Channel::output(7)); // inputs and outputs together
    EXPECT_EQ(mute(1).input(0), 1);
    EXPECT_EQ(mute(1).output(7), 1);
    EXPECT_EQ(mute(1).v[31], 1); // output 8 is integer 31 of the record
    page.pressMuteSelector(2);
    EXPECT_FALSE(page.muteMember(Channel::input(0))->state());
    page.pressMuteSelector(2);
    EXPECT_EQ(page.selectedMuteGroup(), 0);
}

TEST_F(GroupsPageTest, ASwitchedOnGroupIsSwitchedOffBeforeItsMembershipChanges) {
    for (int ch : {0, 1})
        control(1).input(ch) = 1;
    control(1).v[ControlGroup::kMemberCount] = 2;
    control(1).link(LinkVol) = 1;
    edits.switchControlGroup(1, true);
    ASSERT_EQ(edits.links().of(Channel::input(0)).group, 1);

    // The window's switch is released through the services, while the record still holds
    // the old membership.
    std::vector<std::pair<int, int>> switchedOff; // group, its member count at that moment
    GroupsPage page(edits, GroupsPageServices{[&](int g) {
                        switchedOff.emplace_back(g, control(g).memberCount());
                        edits.switchControlGroup(g, false);
                    }});
    page.pressControlSelector(1);

    // A link toggle does not re-apply the group: the strips keep the old block.
    page.pressLink(LinkEq);
    EXPECT_EQ(control(1).link(LinkEq), 1);
    EXPECT_EQ(edits.links().of(Channel::input(0)).link[LinkEq], 0);
    EXPECT_TRUE(switchedOff.empty());

    // A refused toggle leaves the group switched on.
    page.pressControlMember(Channel::input(17));
    EXPECT_TRUE(switchedOff.empty());
    EXPECT_EQ(image.controlGroupActive[0], 1);

    page.pressControlMember(Channel::input(2));
    ASSERT_EQ(switchedOff.size(), 1u);
    EXPECT_EQ(switchedOff[0], std::make_pair(1, 2));
    EXPECT_EQ(image.controlGroupActive[0], 0);
    EXPECT_EQ(edits.links().of(Channel::input(0)).group, 0); // grey marker
    EXPECT_TRUE(edits.links().of(Channel::input(1)).members.empty());
    EXPECT_EQ(control(1).input(2), 1);

    // Switching off and the new member are one undo step: undone, the group is back on
    // with its old members; redone, off with the new one.
    EXPECT_EQ(edits.history().nextUndo()->name.en.rfind("CONTROL GROUP 1 MEMBER ", 0), 0u);
    ASSERT_NE(edits.undo().step, nullptr);
    EXPECT_EQ(control(1).input(2), 0);
    EXPECT_EQ(image.controlGroupActive[0], 1);
    EXPECT_EQ(edits.links().of(Channel::input(1)).members, (std::vector<int>{0, 1}));
    EXPECT_EQ(edits.history().nextUndo()->name.en, "CONTROL GROUP 1 LINK EQ");
    ASSERT_NE(edits.redo().step, nullptr);
    EXPECT_EQ(control(1).input(2), 1);
    EXPECT_EQ(image.controlGroupActive[0], 0);

    // Switched on again, the strips take the new members and the new link block.
    edits.switchControlGroup(1, true);
    EXPECT_EQ(edits.links().of(Channel::input(2)).members, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(edits.links().of(Channel::input(2)).link[LinkEq], 1);

    // Without window services the edit service alone switches the group off.
    GroupsPage bare(edits);
    bare.pressControlSelector(1);
    bare.pressControlMember(Channel::input(3));
    EXPECT_EQ(image.controlGroupActive[0], 0);
    EXPECT_EQ(edits.links().of(Channel::input(2)).group, 0);
    EXPECT_EQ(switchedOff.size(), 1u);
}

TEST_F(GroupsPageTest, TheNameFieldWritesAtMostFifteenBytesNeverHalfACharacter) {
    GroupsPage page(edits);
    page.pressControlSelector(3);
    // 14 letters and 中 would need 16 bytes: the character is dropped whole.
    page.writeName(QStringLiteral("ABCDEFGHIJKLMN中文"));
    EXPECT_EQ(control(3).name().toUtf8(), "ABCDEFGHIJKLMN");
    EXPECT_EQ(page.nameField()->text(), QStringLiteral("ABCDEFGHIJKLMN"));
    // 13 letters and 中 fill the 15 bytes exactly; the terminator stays.
    page.writeName(QStringLiteral("ABCDEFGHIJKLM中文"));
    char bytes[16];
    std::memcpy(bytes, &control(3).v[ControlGroup::kNameBase], sizeof bytes);
    EXPECT_EQ(std::string(bytes, 16), std::string("ABCDEFGHIJKLM\xD6\xD0", 15) + '\0');
    EXPECT_EQ(page.nameField()->text(), QStringLiteral("ABCDEFGHIJKLM中"));
    // Typed into the field and finished with Enter, only the selected group takes it.
    page.pressControlSelector(1);
    page.nameField()->setText(QStringLiteral("讲台"));
    emit page.nameField()->editingFinished();
    EXPECT_EQ(control(1).name().toUtf8(), "讲台");
    EXPECT_EQ(control(3).name().toUtf8(), "ABCDEFGHIJKLM中");
    page.pressControlSelector(3);
    EXPECT_EQ(page.nameField()->text(), QStringLiteral("ABCDEFGHIJKLM中"));
}

TEST_F(GroupsPageTest, ThePageSendsNothingOnlineOrOfflineOnlyTheSwitchedMuteGroupDoes) {
    image.inputs[0].gain = 0x2A;
    image.inputs[4].gain = 0x1E;
    image.outputs[2].gain = 0x3C;
    for (bool online : {false, true}) {
        sink.online = online;
        GroupsPage page(edits);
        page.pressControlSelector(1);
        page.pressControlMember(Channel::input(0));
        page.pressLink(LinkVol);
        page.writeName(QStringLiteral("Stage"));
        page.pressControlMember(Channel::input(0));
        page.pressMuteSelector(2);
        for (Channel c : {Channel::input(0), Channel::input(4), Channel::output(2)})
            page.pressMuteMember(c); // in on the first pass, out again on the second
        EXPECT_TRUE(sent().empty()) << (online ? "online" : "offline");
    }
    // Mute group 2 built on the page (CH1, CH5, output 3) and switched on: %A for wire
    // channels 1, 5 and 23, in that order, 20 ms apart; offline nothing at all.
    GroupsPage page(edits);
    page.pressMuteSelector(2);
    for (Channel c : {Channel::output(2), Channel::input(4), Channel::input(0)})
        page.pressMuteMember(c);
    sink.online = false;
    edits.switchMuteGroup(2, true);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(image.inputs[4].mute, 1);
    sink.online = true;
    edits.switchMuteGroup(2, true);
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 3u);
    // "%A," address 01, wire channel, mute 01, volume, checksum, end mark.
    EXPECT_EQ(frames[0], "%A,01,01,01,2A,5D6B#"); // CH1, gain 0x2A
    EXPECT_EQ(frames[1], "%A,01,05,01,1E,6E98#"); // CH5, gain 0x1E
    EXPECT_EQ(frames[2], "%A,01,17,01,3C,47B6#"); // output 3 as wire 23 = 0x17
    const std::vector<Millis> t = sink.times();
    EXPECT_EQ(t[1] - t[0], 20ms);
    EXPECT_EQ(t[2] - t[1], 20ms);
    EXPECT_EQ(image.activeMuteGroup, 2);
}

} // namespace
} // namespace krm::test
