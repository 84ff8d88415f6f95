// OutputStrip: wire channels 21..28 for level and mute, bus numbers for the rest, the
// LINE/MIC switch, the delay list, propagation and the offline rule.
#include "editors/strips/geq_thumbnail.h"
#include "editors/strips/output_strip.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/level_meter.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "tests/editors/strip_fixture.h"
#include "tests/kit/kit_events.h"

#include <QSignalSpy>

namespace krm {
namespace {

using test::fieldOf;

class OutputStripTest : public test::StripFixture {
protected:
    void TearDown() override { ui::setLanguage(ui::Language::English); }

    std::unique_ptr<OutputStrip> makeStrip(int bus) {
        auto strip = std::make_unique<OutputStrip>(image, commands, linked, bus);
        strip->setServices(services());
        strip->resize(150, 720);
        strip->show();
        return strip;
    }
};

TEST_F(OutputStripTest, LevelAndMuteUseWireChannelsTwentyOneToTwentyEight) {
    auto first = makeStrip(0);
    auto last = makeStrip(7);
    QSignalSpy readout(first.get(), &ChannelStrip::readoutRequested);

    test::key(first->fader(), Qt::Key_Home); // top: +10 dB
    EXPECT_EQ(image.outputs[0].gain, 70);
    EXPECT_EQ(readout.last().at(0).toInt(), 24); // outputs are readout channels 24..31
    EXPECT_EQ(readout.last().at(1).toInt(), 3);
    test::click(first->muteButton(), QPoint(20, 10));
    EXPECT_EQ(image.outputs[0].mute, 1);
    EXPECT_EQ(readout.last().at(1).toInt(), 1);
    test::click(last->muteButton(), QPoint(20, 10));
    EXPECT_EQ(image.outputs[7].mute, 1);

    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].rfind("%A,01,15,00,46,", 0), 0u); // 21, unmuted, code 70
    EXPECT_EQ(frames[1].rfind("%A,01,15,01,46,", 0), 0u);
    EXPECT_EQ(frames[2].rfind("%A,01,1C,01,1E,", 0), 0u); // 28, muted, start code 30
}

TEST_F(OutputStripTest, LevelSwitchTogglesItsTextAndSendsTwoFrames) {
    auto strip = makeStrip(2);
    ui::ToggleButton* line = strip->lineButton();
    EXPECT_EQ(line->text(), "MIC");
    test::click(line, QPoint(20, 10));
    EXPECT_EQ(line->text(), "LINE");
    EXPECT_TRUE(line->state());
    EXPECT_EQ(image.outputs[2].lineLevel, 1);
    test::click(line, QPoint(20, 10));
    EXPECT_EQ(line->text(), "MIC");
    EXPECT_EQ(image.outputs[2].lineLevel, 0);
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].rfind("%I,01,03,01,", 0), 0u); // bus 3, not wire 23
    EXPECT_EQ(frames[1].rfind("%I,01,03,00,", 0), 0u);

    ui::setLanguage(ui::Language::Chinese);
    strip->applyLanguage();
    EXPECT_EQ(line->text(), "MIC"); // the same in both languages
}

TEST_F(OutputStripTest, DelayListCoversEveryCodeAndSendsTheChoice) {
    image.outputs[1].delay = 200;
    auto strip = makeStrip(1);
    ui::DropList* delay = strip->delayList();
    ASSERT_EQ(delay->count(), 201);
    EXPECT_EQ(delay->itemText(7), "3.5 ms");
    EXPECT_EQ(delay->itemText(200), "100.0 ms");
    EXPECT_EQ(delay->text(), "100.0 ms"); // a stored 200 is shown as it is

    test::wheel(delay, -120); // at the last entry: stays, chosen again
    strip->chooseDelay(7);
    EXPECT_EQ(image.outputs[1].delay, 7);
    EXPECT_EQ(delay->text(), "3.5 ms");
    ui::setLanguage(ui::Language::Chinese);
    strip->applyLanguage();
    EXPECT_EQ(delay->count(), 201);
    EXPECT_EQ(delay->selection(), 7);

    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].rfind("%J,01,02,01,C8,", 0), 0u);
    EXPECT_EQ(frames[1].rfind("%J,01,02,01,07,", 0), 0u);
}

TEST_F(OutputStripTest, FeedbackSwitchSendsAndEditorsAreAskedFor) {
    auto strip = makeStrip(4);
    QSignalSpy open(strip.get(), &ChannelStrip::openEditorRequested);
    test::click(strip->feedbackButton(), QPoint(20, 10));
    EXPECT_EQ(image.outputs[4].outK, 1);
    EXPECT_EQ(sent().back().rfind("%K,01,05,01,", 0), 0u);

    test::click(strip->limiterButton(), QPoint(20, 10));
    test::click(strip->geqGraph(), QPoint(20, 10));
    ASSERT_EQ(open.count(), 2);
    EXPECT_EQ(open.at(0).at(0).toInt(), 4);
    EXPECT_EQ(open.at(0).at(1).toInt(), OutputStrip::kOpenLimiter);
    EXPECT_EQ(open.at(1).at(1).toInt(), OutputStrip::kOpenGeq);
    EXPECT_EQ(sent().size(), 1u);
}

TEST_F(OutputStripTest, LinkedOutputsFollowWithBusNumbersAndWireChannels) {
    auto strip = makeStrip(0);
    StripGroup group;
    group.group = 3;
    group.members = {0, 1, 6};
    group.link[LinkVol] = 1;
    group.link[LinkLine] = 1;
    group.link[LinkDelay] = 1; // FBK not linked
    strip->setControlGroup(group);

    test::key(strip->fader(), Qt::Key_Up); // code 30 -> 31
    linked.waitIdle();
    strip->toggleLineLevel();
    linked.waitIdle();
    strip->chooseDelay(9);
    strip->toggleFeedback();
    strip->toggleMute();
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames[0].rfind("%A,01,15,00,1F,", 0), 0u);
    EXPECT_EQ(frames[1].rfind("%A,01,16,00,1F,", 0), 0u);
    EXPECT_EQ(frames[2].rfind("%A,01,1B,00,1F,", 0), 0u);
    EXPECT_EQ(frames[3].rfind("%I,01,01,01,", 0), 0u);
    EXPECT_EQ(frames[4].rfind("%I,01,02,01,", 0), 0u);
    EXPECT_EQ(frames[5].rfind("%I,01,07,01,", 0), 0u);
    EXPECT_EQ(image.outputs[6].gain, 31);
    EXPECT_EQ(image.outputs[1].lineLevel, 1);
    EXPECT_EQ(image.outputs[6].delay, 9);
    EXPECT_EQ(image.outputs[1].outK, 0); // not linked
    EXPECT_EQ(image.outputs[1].mute, 0); // mute never spreads
    int delays = 0;
    for (const std::string& f : frames)
        delays += f.rfind("%J,", 0) == 0 ? 1 : 0;
    EXPECT_EQ(delays, 3);
}

TEST_F(OutputStripTest, NothingIsSentWhileOffline) {
    sink.online = false;
    auto strip = makeStrip(5);
    nextName = QStringLiteral("Stage");
    strip->toggleMute();
    strip->toggleFeedback();
    strip->toggleLineLevel();
    strip->chooseDelay(40);
    strip->editName();
    test::key(strip->fader(), Qt::Key_End);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(image.outputs[5].mute, 1);
    EXPECT_EQ(image.outputs[5].outK, 1);
    EXPECT_EQ(image.outputs[5].lineLevel, 1);
    EXPECT_EQ(image.outputs[5].delay, 40);
    EXPECT_EQ(image.outputs[5].gain, 0);
    EXPECT_EQ(image.outputs[5].name.toUtf8(), "Stage");
}

TEST_F(OutputStripTest, NameGoesOutOnItsWireChannelAndMetersAndGraphFollowTheImage) {
    auto strip = makeStrip(7);
    nextName = QStringLiteral("Rec");
    strip->editName();
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].rfind("%V,01,1C,", 0), 0u);

    image.outputs[7].meter = 44;
    strip->tick();
    EXPECT_EQ(strip->meter()->value(0), 44);
    EXPECT_EQ(strip->meter()->value(1), 44);
    image.outputs[7].meter = 3;
    strip->tick();
    EXPECT_EQ(strip->meter()->value(0), 0);

    image.outputs[7].geq[0].gain = 300;
    image.outputs[7].geq[30].gain = 0;
    strip->refreshGeqGraph();
    EXPECT_DOUBLE_EQ(strip->geqGraph()->gains()[0], 15.0);
    EXPECT_DOUBLE_EQ(strip->geqGraph()->gains()[30], -15.0);
    EXPECT_DOUBLE_EQ(strip->geqGraph()->gains()[15], 0.0);
}

} // namespace
} // namespace krm
