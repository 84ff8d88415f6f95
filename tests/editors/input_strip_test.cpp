// InputStrip: fader codes and %A streams, the Dante source check, channel-dependent
// controls, the switches and their frames, control-group propagation, the offline rule,
// indicators, meters and the name.
#include "editors/strips/input_strip.h"
#include "editors/strips/peq_thumbnail.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/level_meter.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "tests/editors/strip_fixture.h"
#include "tests/kit/kit_events.h"

#include <QSignalSpy>

namespace krm {
namespace {

using test::fieldOf;

class InputStripTest : public test::StripFixture {
protected:
    void TearDown() override { ui::setLanguage(ui::Language::English); }

    std::unique_ptr<InputStrip> makeStrip(int channel) {
        auto strip = std::make_unique<InputStrip>(image, commands, linked, channel);
        strip->setServices(services());
        strip->resize(150, 720);
        strip->show();
        return strip;
    }
};

TEST_F(InputStripTest, FaderTopStoresSeventyAndBottomZero) {
    auto strip = makeStrip(0);
    QSignalSpy readout(strip.get(), &ChannelStrip::readoutRequested);
    QSignalSpy overview(strip.get(), &ChannelStrip::overviewChanged);
    ui::Fader* fader = strip->fader();
    image.inputs[0].gain = 30;
    strip->refreshFromImage();
    EXPECT_EQ(fader->position(), 40); // position = 70 - code

    const QPoint cap = fader->thumbRect().center();
    test::press(fader, cap);
    test::moveTo(fader, cap + QPoint(0, 2000));
    EXPECT_EQ(image.inputs[0].gain, 0);
    EXPECT_EQ(strip->faderText()->text(), "-60dB");
    test::moveTo(fader, cap - QPoint(0, 2000));
    EXPECT_EQ(image.inputs[0].gain, 70);
    EXPECT_EQ(strip->faderText()->text(), "10dB");
    test::release(fader, cap - QPoint(0, 2000));

    ASSERT_FALSE(readout.isEmpty());
    EXPECT_EQ(readout.last().at(0).toInt(), 0); // channel CH1
    EXPECT_EQ(readout.last().at(1).toInt(), 3); // the fader item
    EXPECT_FALSE(overview.isEmpty());
    EXPECT_EQ(sent().back().rfind("%A,01,01,00,46,", 0), 0u); // 70 = 0x46
}

TEST_F(InputStripTest, DraggingTheFaderSendsOneLevelFramePerPositionChange) {
    auto strip = makeStrip(4);
    ui::Fader* fader = strip->fader();
    QSignalSpy changing(fader, &ui::Slider::valueChanging);
    const QPoint cap = fader->thumbRect().center();
    test::press(fader, cap);
    for (int dy = 2; dy <= 120; dy += 2)
        test::moveTo(fader, cap + QPoint(0, dy));
    const std::vector<std::string> during = sent();
    ASSERT_GT(changing.count(), 20);
    ASSERT_EQ(static_cast<int>(during.size()), changing.count());
    for (int i = 0; i < changing.count(); ++i) {
        EXPECT_EQ(during[static_cast<std::size_t>(i)].rfind("%A,01,05,00,", 0), 0u);
        EXPECT_EQ(fieldOf(during[static_cast<std::size_t>(i)], 4),
                  70 - changing.at(i).at(1).toInt());
    }
    test::release(fader, cap + QPoint(0, 120));
    const std::vector<std::string> after = sent();
    ASSERT_EQ(after.size(), during.size() + 1); // the release sends the final level once more
    EXPECT_EQ(fieldOf(after.back(), 4), image.inputs[4].gain);
    EXPECT_EQ(image.inputs[4].gain, 70 - fader->position());
}

TEST_F(InputStripTest, DanteSourceUsedByAnotherChannelIsRefusedAndNothingIsSent) {
    image.inputs[6].source = 2; // CH7 uses D2
    auto strip = makeStrip(2);  // CH3
    ui::DropList* list = strip->sourceList();

    EXPECT_TRUE(strip->chooseSource(1)); // D1 is free
    EXPECT_EQ(image.inputs[2].source, 1);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].rfind("%O,01,03,01,", 0), 0u);
    sink.clear();

    test::wheel(list, -120); // one notch down: D2, which CH7 holds
    EXPECT_EQ(messages, QStringList{QString::fromUtf8("已经设了Dante输入源")});
    EXPECT_EQ(image.inputs[2].source, 1);
    EXPECT_EQ(list->selection(), 1);
    EXPECT_EQ(list->text(), "D1");

    list->openList();
    test::click(list->popup(), list->popup()->rowRect(2).center());
    EXPECT_EQ(messages.size(), 2);
    EXPECT_EQ(image.inputs[2].source, 1);
    EXPECT_EQ(list->selection(), 1);
    EXPECT_TRUE(sent().empty());

    EXPECT_TRUE(strip->chooseSource(3)); // D3 is free
    image.inputs[9].source = 0;
    EXPECT_TRUE(strip->chooseSource(0)); // ANALOG is always accepted
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(fieldOf(frames[0], 3), 3);
    EXPECT_EQ(fieldOf(frames[1], 3), 0);
    EXPECT_EQ(messages.size(), 2);
}

TEST_F(InputStripTest, LineInputsOfferTwoGainStepsAndHideTheMicrophoneControls) {
    auto line = makeStrip(17); // CH18
    ui::DropList* gain = line->gainList();
    ASSERT_EQ(gain->count(), 2);
    EXPECT_EQ(gain->itemText(0), "0 dB");
    EXPECT_EQ(gain->itemText(1), "10 dB");
    EXPECT_TRUE(line->compButton()->isHidden());
    EXPECT_TRUE(line->priorityButton()->isHidden());
    EXPECT_TRUE(line->phantomButton()->isHidden());
    EXPECT_TRUE(line->openStateIndicator()->isHidden());
    EXPECT_TRUE(line->lastHoldIndicator()->isHidden());
    EXPECT_FALSE(line->muteButton()->isHidden());
    EXPECT_EQ(line->peqGraph()->graph().slotCount(), 4);

    // The same strip opened for a microphone channel (the large strip beside the editors).
    image.inputs[0].inputGain = 2;
    line->open(0);
    ASSERT_EQ(gain->count(), 4);
    EXPECT_EQ(gain->itemText(0), "15 dB");
    EXPECT_EQ(gain->itemText(3), "45 dB");
    EXPECT_EQ(gain->text(), "35 dB");
    EXPECT_FALSE(line->phantomButton()->isHidden());
    EXPECT_FALSE(line->openStateIndicator()->isHidden());
    EXPECT_TRUE(line->lastHoldIndicator()->isHidden());
    EXPECT_EQ(line->peqGraph()->graph().slotCount(), 6);
}

TEST_F(InputStripTest, SwitchesStoreAndSendTheirFrames) {
    auto strip = makeStrip(2); // CH3, fader code 70 at start-up
    QSignalSpy readout(strip.get(), &ChannelStrip::readoutRequested);

    test::click(strip->muteButton(), QPoint(20, 10));
    EXPECT_EQ(image.inputs[2].mute, 1);
    EXPECT_TRUE(strip->muteButton()->state());
    EXPECT_EQ(readout.last().at(1).toInt(), 1); // the mute item
    test::click(strip->priorityButton(), QPoint(20, 10));
    EXPECT_EQ(image.inputs[2].autoMixPriority, 1);
    test::click(strip->phantomButton(), QPoint(20, 10));
    EXPECT_EQ(image.inputs[2].phantom, 1);
    strip->chooseInputGain(3);
    EXPECT_EQ(image.inputs[2].inputGain, 3);
    strip->chooseInputGain(9); // beyond the list: the last step
    EXPECT_EQ(image.inputs[2].inputGain, 3);

    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].rfind("%A,01,03,01,46,", 0), 0u);
    EXPECT_EQ(frames[1].rfind("%L,01,03,", 0), 0u);
    EXPECT_EQ(fieldOf(frames[1], 4), 1);                       // priority on
    EXPECT_EQ(frames[2].rfind("%O,01,03,00,0004,00,", 0), 0u); // CH3 is bit 2 of the mask
    EXPECT_EQ(frames[3].rfind("%O,01,03,00,0004,03,", 0), 0u);

    test::click(strip->muteButton(), QPoint(20, 10));
    EXPECT_EQ(image.inputs[2].mute, 0);
    EXPECT_EQ(sent().back().rfind("%A,01,03,00,46,", 0), 0u);
}

TEST_F(InputStripTest, NothingIsSentWhileOfflineButTheImageChanges) {
    sink.online = false;
    auto strip = makeStrip(1);
    nextName = QStringLiteral("Lectern");
    strip->toggleMute();
    strip->togglePriority();
    strip->togglePhantom();
    strip->chooseInputGain(1);
    strip->chooseSource(4);
    strip->editName();
    test::key(strip->fader(), Qt::Key_End);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(image.inputs[1].mute, 1);
    EXPECT_EQ(image.inputs[1].autoMixPriority, 1);
    EXPECT_EQ(image.inputs[1].phantom, 1);
    EXPECT_EQ(image.inputs[1].inputGain, 1);
    EXPECT_EQ(image.inputs[1].source, 4);
    EXPECT_EQ(image.inputs[1].gain, 0);
    EXPECT_EQ(image.inputs[1].name.toUtf8(), "Lectern");
}

TEST_F(InputStripTest, LinkedEditsReachTheOtherMembersTenMillisecondsApart) {
    auto strip = makeStrip(0); // CH1
    StripGroup group;
    group.group = 2;
    group.members = {0, 2, 5}; // CH1, CH3, CH6
    group.link[LinkVol] = 1;
    group.link[LinkGain] = 1;
    group.link[LinkPhantom] = 1;
    strip->setControlGroup(group);
    QSignalSpy linkedSpy(strip.get(), &ChannelStrip::linkedChannelsChanged);

    const Millis before = clock.now();
    test::key(strip->fader(), Qt::Key_Down); // code 70 -> 69
    std::vector<std::string> frames = sent();
    EXPECT_EQ(clock.now() - before, Millis(20)); // one pause before each member frame
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].rfind("%A,01,01,00,45,", 0), 0u); // own channel first, at once
    EXPECT_EQ(frames[1].rfind("%A,01,03,00,45,", 0), 0u);
    EXPECT_EQ(frames[2].rfind("%A,01,06,00,45,", 0), 0u);
    EXPECT_EQ(image.inputs[2].gain, 69);
    EXPECT_EQ(image.inputs[5].gain, 69);
    EXPECT_EQ(image.inputs[1].gain, 70); // not a member
    ASSERT_EQ(linkedSpy.count(), 1);
    EXPECT_FALSE(linkedSpy.last().at(0).toBool());
    EXPECT_EQ(linkedSpy.last().at(1).value<QList<int>>(), (QList<int>{2, 5}));

    sink.clear();
    strip->togglePhantom();
    linked.waitIdle(); // else the gain frames below would replace the queued phantom frames
    strip->chooseInputGain(2);
    frames = sent();
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[1].rfind("%O,01,03,00,0025,00,", 0), 0u); // CH1, CH3, CH6 phantom on
    EXPECT_EQ(frames[2].rfind("%O,01,06,00,0025,00,", 0), 0u);
    EXPECT_EQ(image.inputs[2].inputGain, 2);
    EXPECT_EQ(image.inputs[5].inputGain, 2);

    // Unlinked kinds, mute and source stay with the strip's own channel.
    sink.clear();
    strip->togglePriority();
    strip->toggleMute();
    strip->chooseSource(1);
    frames = sent();
    ASSERT_EQ(frames.size(), 3u);
    for (const std::string& f : frames)
        EXPECT_EQ(fieldOf(f, 2), 1) << f;
    EXPECT_EQ(image.inputs[2].autoMixPriority, 0);
    EXPECT_EQ(image.inputs[2].mute, 0);
    EXPECT_EQ(image.inputs[2].source, 0);

    // Switched off: the member list is empty and nothing spreads.
    strip->setControlGroup(StripGroup{});
    sink.clear();
    test::key(strip->fader(), Qt::Key_Down);
    EXPECT_EQ(sent().size(), 1u);
    EXPECT_EQ(image.inputs[2].gain, 69);
}

TEST_F(InputStripTest, LinkedEditsOfflineChangeMembersInTheImageOnly) {
    sink.online = false;
    auto strip = makeStrip(0);
    StripGroup group;
    group.group = 1;
    group.members = {0, 3};
    group.link[LinkVol] = 1;
    strip->setControlGroup(group);
    test::key(strip->fader(), Qt::Key_End);
    EXPECT_EQ(image.inputs[3].gain, 0);
    EXPECT_EQ(linked.pending(), 0);
    EXPECT_TRUE(sent().empty());
}

TEST_F(InputStripTest, TimerShowsOpenStateMetersAndReloadsFromTheImage) {
    auto strip = makeStrip(0);
    ui::ToggleButton* state = strip->openStateIndicator();
    EXPECT_EQ(state->text(), "WAITING");
    image.inputs[0].autoMixOpen = 1;
    strip->tick();
    EXPECT_EQ(state->text(), "ACTIVE");
    EXPECT_TRUE(state->state());
    image.inputs[0].autoMixOpen = 0;
    image.inputs[0].autoMixLast = 1; // held open by last-hold
    strip->tick();
    EXPECT_EQ(state->text(), "ACTIVE");
    image.inputs[0].autoMixLast = 0;
    strip->tick();
    EXPECT_EQ(state->text(), "WAITING");
    ui::setLanguage(ui::Language::Chinese);
    strip->applyLanguage();
    EXPECT_EQ(state->text(), QString::fromUtf8("通道关闭"));
    EXPECT_EQ(strip->muteButton()->text(), QString::fromUtf8("静音"));
    EXPECT_EQ(strip->sourceCaption()->text(), QString::fromUtf8("信号源"));

    image.inputs[0].meter = 7;
    strip->tick();
    EXPECT_EQ(strip->meter()->value(0), 0); // below 8 reads 0
    image.inputs[0].meter = 8;
    strip->tick();
    EXPECT_EQ(strip->meter()->value(0), 8);
    image.inputs[0].meter = 200;
    strip->tick();
    EXPECT_EQ(strip->meter()->value(0), 70); // above 70 reads 70

    image.inputs[0].gain = 10;
    image.inputs[0].source = 3;
    strip->tick();
    EXPECT_EQ(strip->fader()->position(), 0); // code 70 still shown: no reload asked
    strip->requestReload();
    strip->tick();
    EXPECT_FALSE(strip->reloadPending());
    EXPECT_EQ(strip->fader()->position(), 60);
    EXPECT_EQ(strip->sourceList()->text(), "D3");
}

TEST_F(InputStripTest, NameIsEditedStoredAndSent) {
    auto strip = makeStrip(3);
    QSignalSpy renamed(strip.get(), &ChannelStrip::nameChanged);
    const QString before = strip->nameButton()->text();
    strip->editName(); // cancelled
    EXPECT_EQ(namesAsked, QStringList{before});
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(renamed.count(), 0);

    nextName = QString::fromUtf8("主席");
    strip->editName();
    EXPECT_EQ(image.inputs[3].name.toUtf8(), "主席");
    EXPECT_EQ(strip->nameButton()->text(), QString::fromUtf8("主席"));
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].rfind("%V,01,04,", 0), 0u);
    EXPECT_EQ(renamed.count(), 1);
}

TEST_F(InputStripTest, CompButtonAndCurveAskForTheirEditors) {
    auto strip = makeStrip(5);
    QSignalSpy open(strip.get(), &ChannelStrip::openEditorRequested);
    QSignalSpy readout(strip.get(), &ChannelStrip::readoutRequested);
    test::click(strip->compButton(), QPoint(10, 10));
    test::click(strip->peqGraph(), QPoint(10, 10));
    ASSERT_EQ(open.count(), 2);
    EXPECT_EQ(open.at(0).at(0).toInt(), 5);
    EXPECT_EQ(open.at(0).at(1).toInt(), InputStrip::kOpenDynamics);
    EXPECT_EQ(open.at(1).at(1).toInt(), InputStrip::kOpenPeq);
    EXPECT_EQ(readout.last().at(0).toInt(), 5);
    EXPECT_EQ(readout.last().at(1).toInt(), 0);
    EXPECT_TRUE(sent().empty()); // opening an editor changes nothing
}

TEST(MeterDisplayValue, ClampsBelowEightAndAboveSeventy) {
    EXPECT_EQ(meterDisplayValue(0), 0);
    EXPECT_EQ(meterDisplayValue(7), 0);
    EXPECT_EQ(meterDisplayValue(8), 8);
    EXPECT_EQ(meterDisplayValue(70), 70);
    EXPECT_EQ(meterDisplayValue(71), 70);
    EXPECT_EQ(meterDisplayValue(255), 70);
}

} // namespace
} // namespace krm
