// The group page as the window registers it, against the virtual device on loopback: a
// control-group membership change releases the window's switch of a switched-on group and
// greys its strips, and a mute group built on the page, switched on from the top bar,
// mutes its members on the device.
#include "sim/virtual_device.h"

#include "editors/pages/groups_page.h"
#include "editors/strips/strip_bank.h"
#include "kit/toggle_button.h"
#include "model/parameters.h"
#include "tests/support/fake_clock.h"
#include "tests/support/qt_pump.h"
#include "tests/support/window_on_device.h"
#include "ui/host_settings.h"
#include "ui/main_window.h"
#include "ui/show_options.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

TEST(GroupsPageOnDevice, MembershipReleasesTheSwitchAndAPageMuteGroupMutesTheDevice) {
    test::WindowOnDevice rig;
    ASSERT_TRUE(rig.connected());
    MainWindow& w = rig.window();
    sim::VirtualDevice& device = rig.device;

    w.showPage(1, View::Groups);
    auto* page = qobject_cast<GroupsPage*>(w.pageWidget(View::Groups));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->isVisible());

    // Control group 1 with CH1 and CH2 made on the page, switched on from the top bar.
    page->controlSelector(1)->clicked(0);
    page->controlMember(Channel::input(0))->clicked(0);
    page->controlMember(Channel::input(1))->clicked(0);
    w.topBar()->controlGroupButton(1)->clicked(1);
    ASSERT_TRUE(w.topBar()->controlGroupLit(1));
    ASSERT_EQ(w.edits().links().of(Channel::input(1)).group, 1);
    // Adding CH3 releases the switch and greys the members first.
    page->controlMember(Channel::input(2))->clicked(0);
    EXPECT_FALSE(w.topBar()->controlGroupLit(1));
    EXPECT_EQ(w.image().controlGroupActive[0], 0);
    EXPECT_EQ(w.edits().links().of(Channel::input(1)).group, 0);
    EXPECT_EQ(w.image().controlGroups[0].memberCount(), 3);
    // The next press of the switch applies the new membership.
    w.topBar()->controlGroupButton(1)->clicked(1);
    EXPECT_EQ(w.edits().links().of(Channel::input(2)).members, (std::vector<int>{0, 1, 2}));

    // Mute group 2: CH1, CH5, output 3, made on the page; the device still has them open.
    for (int ch : {0, 4})
        w.image().inputs[static_cast<std::size_t>(ch)].mute = 0;
    w.image().outputs[2].mute = 0;
    {
        const DeviceImage d = device.image();
        ASSERT_TRUE(d.inputs[0].mute == 0 || d.inputs[4].mute == 0 || d.outputs[2].mute == 0)
            << "the device must start with a member open";
    }
    page->muteSelector(2)->clicked(0);
    for (Channel c : {Channel::input(0), Channel::input(4), Channel::output(2)})
        page->muteMember(c)->clicked(0);
    EXPECT_EQ(w.image().muteGroups[1].output(2), 1);
    w.topBar()->muteGroupButton(2)->clicked(2);
    ASSERT_TRUE(test::PumpEventsUntil([&] {
        const DeviceImage d = device.image();
        return d.inputs[0].mute == 1 && d.inputs[4].mute == 1 && d.outputs[2].mute == 1;
    })) << "the page's mute group did not mute its members on the device";
    EXPECT_EQ(w.image().activeMuteGroup, 2);
}

// KEEP OFFSETS on the SYSTEM page: a group of three faders at -7/-4/-1 dB moved by +3 dB
// ends at -4/-1/+2 dB on the device; the option is stored and a new window starts with it.
TEST(GroupsPageOnDevice, KeepOffsetsMovesTheMembersByTheSameAmountOnTheDevice) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("krm.ini"));
    {
        test::WindowOnDevice rig({1366, 768}, [&](MainWindowOptions& o) { o.settingsPath = ini; });
        ASSERT_TRUE(rig.connected());
        MainWindow& w = rig.window();
        EXPECT_FALSE(w.edits().keepOffsets()); // copying is the default
        const Parameter& vol = Param(ParamKind::InGain);
        for (int ch = 0; ch < 3; ++ch)
            w.edits().set(vol, Channel::input(ch), 53 + 3 * ch);
        w.image().controlGroups[0].input(0) = 1;
        w.image().controlGroups[0].input(1) = 1;
        w.image().controlGroups[0].input(2) = 1;
        w.image().controlGroups[0].v[ControlGroup::kMemberCount] = 3;
        w.image().controlGroups[0].link(LinkVol) = 1;
        w.topBar()->controlGroupButton(1)->clicked(1);
        ASSERT_EQ(w.edits().links().of(Channel::input(2)).members, (std::vector<int>{0, 1, 2}));

        w.showPage(1, View::System);
        w.systemPage()->showSection(2);
        ASSERT_TRUE(w.showOptions()->isVisible());
        w.showOptions()->keepOffsetsButton()->clicked(0);
        EXPECT_TRUE(w.showOptions()->keepOffsets());
        EXPECT_TRUE(HostSettings(ini).keepOffsets());

        w.edits().set(vol, Channel::input(0), 56);
        EXPECT_TRUE(test::PumpEventsUntil([&] {
            const DeviceImage d = rig.device.image();
            return d.inputs[0].gain == 56 && d.inputs[1].gain == 59 && d.inputs[2].gain == 62;
        })) << "the members did not keep their offsets on the device";
    }
    test::WindowOnDevice again({1366, 768}, [&](MainWindowOptions& o) { o.settingsPath = ini; });
    EXPECT_TRUE(again.window().edits().keepOffsets());
    EXPECT_TRUE(again.window().showOptions()->keepOffsets());
}

} // namespace
} // namespace krm::ui
