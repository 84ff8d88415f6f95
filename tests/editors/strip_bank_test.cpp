// StripBank: group state per channel, reloads of member strips, refresh and language.
#include "editors/strips/input_strip.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "kit/fader.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "tests/editors/strip_fixture.h"
#include "tests/kit/kit_events.h"

namespace krm {
namespace {

class StripBankTest : public test::StripFixture {
protected:
    void TearDown() override { ui::setLanguage(ui::Language::English); }
};

TEST_F(StripBankTest, LinkedEditReloadsEveryStripShowingAMember) {
    InputStrip ch1(image, commands, linked, 0);
    InputStrip ch3(image, commands, linked, 2);
    InputStrip ch4(image, commands, linked, 3);
    InputStrip large(image, commands, linked, 2); // the large strip, opened for CH3
    OutputStrip out1(image, commands, linked, 0);
    StripBank bank;
    for (ChannelStrip* s : std::initializer_list<ChannelStrip*>{&ch1, &ch3, &ch4, &large, &out1})
        bank.add(s);

    StripGroup group;
    group.group = 1;
    group.members = {0, 2};
    group.link[LinkVol] = 1;
    bank.setControlGroup(false, 0, group);
    bank.setControlGroup(false, 2, group);
    EXPECT_EQ(ch3.controlGroup().group, 1);
    EXPECT_EQ(large.controlGroup().group, 1);
    EXPECT_EQ(ch4.controlGroup().group, 0);
    EXPECT_EQ(out1.controlGroup().group, 0); // the output side is separate

    test::key(ch1.fader(), Qt::Key_End); // CH1 to the bottom, spread to CH3
    EXPECT_TRUE(ch3.reloadPending());
    EXPECT_TRUE(large.reloadPending());
    EXPECT_FALSE(ch4.reloadPending());
    EXPECT_FALSE(out1.reloadPending());
    ch3.tick();
    large.tick();
    EXPECT_EQ(ch3.fader()->position(), 70);
    EXPECT_EQ(large.fader()->position(), 70);

    // The marker along the top of a strip takes the colour of its active group; grey when
    // the group is switched off.
    ch3.resize(150, 720);
    EXPECT_EQ(ch3.grab().toImage().pixelColor(75, 6), QColor(173, 67, 67));
    bank.setControlGroup(false, 2, StripGroup{});
    EXPECT_EQ(ch3.grab().toImage().pixelColor(75, 6), QColor(128, 128, 128));
    EXPECT_EQ(groupMarkerColour(2), QColor(40, 210, 112));
    EXPECT_EQ(groupMarkerColour(3), QColor(226, 209, 68));
    EXPECT_EQ(groupMarkerColour(4), QColor(85, 117, 218));
    EXPECT_EQ(groupMarkerColour(0), QColor(128, 128, 128));
    bank.setControlGroup(false, 2, group);

    // The large strip takes the group of whichever channel it is opened for.
    large.open(3);
    EXPECT_EQ(large.controlGroup().group, 0);
    large.open(0);
    EXPECT_EQ(large.controlGroup().members, (std::vector<int>{0, 2}));
}

TEST_F(StripBankTest, RefreshAllAndApplyLanguageReachEveryStrip) {
    InputStrip in(image, commands, linked, 1);
    OutputStrip out(image, commands, linked, 1);
    StripBank bank;
    bank.add(&in);
    bank.add(&out);
    image.inputs[1].mute = 1;
    image.outputs[1].outK = 1;
    bank.refreshAll();
    EXPECT_TRUE(in.muteButton()->state());
    EXPECT_TRUE(out.feedbackButton()->state());

    EXPECT_EQ(in.compButton()->text(), "COMP");
    EXPECT_EQ(in.openStateIndicator()->text(), "WAITING");
    EXPECT_EQ(in.lastHoldIndicator()->text(), "NO");
    EXPECT_EQ(out.limiterButton()->text(), "COMP");
    EXPECT_EQ(out.muteButton()->text(), "MUTE");

    ui::setLanguage(ui::Language::Chinese);
    bank.applyLanguage();
    EXPECT_EQ(in.compButton()->text(), QString::fromUtf8("压缩器"));
    EXPECT_EQ(in.openStateIndicator()->text(), QString::fromUtf8("通道关闭"));
    EXPECT_EQ(in.lastHoldIndicator()->text(), QString::fromUtf8("无"));
    image.inputs[1].autoMixLast = 1; // held open by last-hold: open and held
    in.tick();
    EXPECT_EQ(in.openStateIndicator()->text(), QString::fromUtf8("通道打开"));
    EXPECT_EQ(in.lastHoldIndicator()->text(), QString::fromUtf8("最后保持"));
    EXPECT_EQ(in.phantomButton()->text(), "48V");
    EXPECT_EQ(out.muteButton()->text(), QString::fromUtf8("静音"));
    EXPECT_EQ(in.priorityButton()->text(), QString::fromUtf8("优先"));
    EXPECT_EQ(out.limiterButton()->text(), QString::fromUtf8("限幅器"));
    EXPECT_EQ(out.feedbackButton()->text(), "FBK");
    {
        InputStrip gone(image, commands, linked, 4);
        bank.add(&gone);
        EXPECT_EQ(bank.strips().size(), 3u);
    }
    EXPECT_EQ(bank.strips().size(), 2u); // a destroyed strip leaves the bank
}

} // namespace
} // namespace krm
