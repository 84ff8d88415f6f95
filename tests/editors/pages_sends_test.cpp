// The aux-send page and the phantom page: what each control stores in the image, the
// frames it sends (byte-exact) and the channels whose changes stay in the image.

#include "editors/pages/phantom_page.h"
#include "editors/pages/sends_page.h"
#include "kit/slider.h"
#include "kit/toggle_button.h"
#include "model/frame_builders.h"
#include "tests/editors/strip_fixture.h"

#include <QSignalSpy>

namespace krm::test {
namespace {

constexpr int kMain = 0;
constexpr int kAux1 = 1;
constexpr int kAux3 = 3;
constexpr int kDelay = 7;
constexpr int kReverb = 8;

class SendsPageTest : public StripFixture {
protected:
    InputChannel& in(int ch) { return image.inputs[static_cast<std::size_t>(ch)]; }
};

TEST_F(SendsPageTest, MuteStoresZeroKeepsTheKnobAndUnmuteStoresTheKnobsLevelAgain) {
    SendsPage page(edits);
    page.openFor(4); // CH5
    QSignalSpy readout(&page, &EditorPage::readoutRequested);

    // AUX3 dragged to -20 dB stores only; let go, it is sent.
    page.moveKnob(kAux3, 40, true);
    EXPECT_EQ(in(4).auxSend[2], 40);
    EXPECT_TRUE(sent().empty());
    page.moveKnob(kAux3, 40, false);
    EXPECT_EQ(page.valueText(kAux3), QStringLiteral("-20dB"));
    EXPECT_FALSE(page.muteButton(kAux3)->state());
    // 01 address | 05 CH5 | 00 00 AUX1, AUX2 | 28 AUX3 = 40 (-20 dB) | 00 00 00 AUX4..6 | crc
    ASSERT_EQ(sent(), std::vector<std::string>{"%I,01,05,00,00,28,00,00,00,3E89#"});
    ASSERT_GE(readout.count(), 1);
    EXPECT_EQ(readout.last().at(0).toInt(), 4);
    EXPECT_EQ(readout.last().at(1).toInt(), Param(ParamKind::AuxSend, 2).readoutKind);

    // MUTE: the image holds 0, the knob and its text keep -20 dB.
    sink.clear();
    page.pressMute(kAux3);
    EXPECT_EQ(in(4).auxSend[2], 0);
    EXPECT_TRUE(page.muteButton(kAux3)->state());
    EXPECT_EQ(page.knob(kAux3)->position(), 40);
    EXPECT_EQ(page.valueText(kAux3), QStringLiteral("-20dB"));
    EXPECT_EQ(sent(), std::vector<std::string>{"%I,01,05,00,00,00,00,00,00,995A#"});

    // Another channel shown and back: the muted send still shows its level.
    page.openFor(0);
    EXPECT_EQ(page.knob(kAux3)->position(), 0);
    page.openFor(4);
    EXPECT_EQ(page.knob(kAux3)->position(), 40);
    EXPECT_TRUE(page.muteButton(kAux3)->state());

    // Unmute: the knob's level goes back into the image and out again.
    sink.clear();
    page.pressMute(kAux3);
    EXPECT_EQ(in(4).auxSend[2], 40);
    EXPECT_FALSE(page.muteButton(kAux3)->state());
    EXPECT_EQ(sent(), std::vector<std::string>{"%I,01,05,00,00,28,00,00,00,3E89#"});
    // No other send of CH5 and no other channel moved.
    EXPECT_EQ(in(4).auxSend[0], 0);
    EXPECT_EQ(in(5).auxSend[2], 0);
}

TEST_F(SendsPageTest, FramesOnlyForTheChannelsTheDeviceTakesThemFrom) {
    SendsPage page(edits);

    // The main send never leaves the image, on any channel.
    page.openFor(0);
    page.moveKnob(kMain, 50, false);
    page.pressMute(kMain);
    EXPECT_EQ(in(0).mainSend, 0);
    page.pressMute(kMain);
    EXPECT_EQ(in(0).mainSend, 50);
    EXPECT_TRUE(sent().empty());

    // CH18: the delay send is stored and not sent; AUX1 goes out for 18 (12 hex).
    page.openFor(17);
    page.moveKnob(kDelay, 55, false);
    EXPECT_EQ(in(17).delaySend, 55);
    EXPECT_TRUE(sent().empty());
    page.moveKnob(kAux1, 10, false);
    EXPECT_EQ(sent(), std::vector<std::string>{"%I,01,12,0A,00,00,00,00,00,B48B#"});

    // CH19: nothing at all, though the image takes every send.
    sink.clear();
    page.openFor(18);
    page.moveKnob(kAux1, 30, false);
    page.pressMute(kAux1);
    page.moveKnob(kReverb, 30, false);
    EXPECT_EQ(in(18).auxSend[0], 0);
    EXPECT_EQ(in(18).revSend, 30);
    EXPECT_TRUE(sent().empty());

    // CH16, the last channel with effect sends: the reverb at +10 dB.
    page.openFor(15);
    page.moveKnob(kReverb, 70, false);
    // 01 address | 10 CH16 | 02 the input-send tag | 00 delay send | 46 reverb send 70 | crc
    EXPECT_EQ(sent(), std::vector<std::string>{"%J,01,10,02,00,46,0EAD#"});
    // The bus frames of the same letters are untouched by an input's sends.
    EXPECT_EQ(BuildJ(image, 1).substr(0, 12), "%J,01,01,01,");

    // Offline: the image changes, nothing goes out now or later.
    sink.clear();
    sink.online = false;
    page.openFor(2);
    page.moveKnob(kAux3, 33, false);
    page.pressMute(kAux3);
    page.pressMute(kAux3);
    page.moveKnob(kDelay, 20, false);
    EXPECT_EQ(in(2).auxSend[2], 33);
    EXPECT_EQ(in(2).delaySend, 20);
    EXPECT_TRUE(sent().empty());
}

TEST_F(SendsPageTest, ShowsTheImageOfTheChannelItOpensAndFollowsOtherEdits) {
    in(6).auxSend[5] = 25;
    in(6).revSend = 0;
    SendsPage page(edits);
    page.openFor(6);
    EXPECT_EQ(page.knob(6)->position(), 25);
    EXPECT_FALSE(page.muteButton(6)->state());
    EXPECT_TRUE(page.muteButton(kReverb)->state());
    // An edit of the shown channel made elsewhere (the readout's typed entry).
    edits.set(Param(ParamKind::AuxSend, 5), Channel::input(6), 60);
    EXPECT_EQ(page.knob(6)->position(), 60);
    EXPECT_EQ(page.valueText(6), QStringLiteral("0dB"));
}

using PhantomPageTest = SendsPageTest;

TEST_F(PhantomPageTest, EveryPhantomFrameCarriesAllSixteenSwitches) {
    in(0).phantom = 1; // CH1 on
    in(2).phantom = 1; // CH3 on
    image.inputs[15].name = Name16::fromUtf8("Podium");
    PhantomPage page(edits);
    EXPECT_EQ(page.button(0)->text(), QStringLiteral("CH 1"));
    EXPECT_EQ(page.button(15)->text(), QStringLiteral("Podium"));
    EXPECT_TRUE(page.button(0)->state());
    EXPECT_TRUE(page.button(2)->state());

    // CH3 off, CH16 on: CH1 and CH16 are left on.
    page.button(2)->clicked(2);
    page.button(15)->clicked(15);
    EXPECT_EQ(in(2).phantom, 0);
    EXPECT_EQ(in(15).phantom, 1);
    EXPECT_FALSE(page.button(2)->state());
    EXPECT_TRUE(page.button(15)->state());
    // 01 address | 03 CH3 | 00 source ANALOG | 0001 phantom: CH1 | 00 input gain | crc
    // 01 address | 10 CH16 | 00 source | 8001 phantom: CH1 and CH16 | 00 input gain | crc
    EXPECT_EQ(sent(),
              (std::vector<std::string>{"%O,01,03,00,0001,00,0F88#", "%O,01,10,00,8001,00,AB8C#"}));
    // Whichever channel a later "%O," is for, it carries 8001.
    EXPECT_EQ(BuildO(image, 5), "%O,01,05,00,8001,00,6F80#");
    for (int ch = 1; ch <= kInputCount; ++ch)
        EXPECT_EQ(BuildO(image, ch).substr(12, 4), "8001") << "CH" << ch;

    // A strip's 48V button elsewhere: the page follows.
    edits.toggle(Param(ParamKind::Phantom), Channel::input(7));
    EXPECT_TRUE(page.button(7)->state());

    // Offline: the switch flips in the image only.
    sink.clear();
    sink.online = false;
    page.button(4)->clicked(4);
    EXPECT_EQ(in(4).phantom, 1);
    EXPECT_TRUE(sent().empty());
}

} // namespace
} // namespace krm::test
