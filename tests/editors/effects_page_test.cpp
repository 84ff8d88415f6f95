// The effects page: the level knobs' logarithmic rule and the meters, the knobs' texts and
// RESETs against the image, the frames it sends (byte-exact) and when, and silence offline.

#include "editors/pages/effects_levels.h"
#include "editors/pages/effects_page.h"
#include "kit/level_meter.h"
#include "kit/slider.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "presets/payloads.h"
#include "tests/editors/strip_fixture.h"

#include <QSignalSpy>
#include <QTest>

namespace krm::test {
namespace {

class EffectsPageTest : public StripFixture {
protected:
    using Page = EffectsPage;

    EffectsPageTest() {
        // Auto-mixer settings the effect frames carry, distinct enough to read in a frame.
        image.autoMixMode = 1;
        image.maxOpenCh = 4;
        image.lastHold = 1;
        image.holdTime = 10;
        image.closedAttn = 20;
        image.nomAttn = 3;
        image.zeroCrossRate = 5;
        image.energy = 12;
        image.compareCount = 3;
        image.thresholdComp = 40;
        // Bus 7 (wire 27) muted at -20 dB, bus 8 (wire 28) open at 0 dB.
        image.outputs[6].mute = 1;
        image.outputs[6].gain = 40;
        image.outputs[7].gain = 60;
    }

    InputChannel& delay() { return image.inputs[16]; }
    InputChannel& reverb() { return image.inputs[17]; }
};

TEST(EffectLevels, PositionRuleAndMeterFormulas) {
    // 71 - trunc(10^(p/100)), the power held to 1..71.
    EXPECT_EQ(effectLevelCode(0), 70);  // +10 dB
    EXPECT_EQ(effectLevelCode(30), 70); // 10^0.3 = 1.995 still truncates to 1
    EXPECT_EQ(effectLevelCode(31), 69);
    EXPECT_EQ(effectLevelCode(100), 61); // +1 dB
    EXPECT_EQ(effectLevelCode(185), 1);  // 10^1.85 = 70.8: -59 dB
    EXPECT_EQ(effectLevelCode(186), 0);  // 10^1.86 = 72.4 held to 71: -60 dB
    EXPECT_EQ(effectLevelCode(400), 0);
    // A stored code shows at the first position that gives it; codes the rule skips near
    // -60 dB show at the next position down.
    EXPECT_EQ(effectLevelPosition(70), 0);
    EXPECT_EQ(effectLevelPosition(69), 31);
    EXPECT_EQ(effectLevelPosition(61), 100);
    EXPECT_EQ(effectLevelPosition(1), 185);
    EXPECT_EQ(effectLevelPosition(0), 186);
    for (int code = 0; code <= 70; ++code) {
        const int p = effectLevelPosition(code);
        EXPECT_LE(effectLevelCode(p), code) << code;
        EXPECT_TRUE(p == 0 || effectLevelCode(p - 1) > code) << code;
    }

    // Level 20 log10(raw * 0.0215686...) + 60 limited to 0..70; bar 186 - 100 log10(71 - level).
    EXPECT_DOUBLE_EQ(effectMeterLevel(0), 0.0);
    EXPECT_NEAR(effectMeterLevel(46), 20.0 * std::log10(46 * 0.021568627450980392) + 60.0, 1e-9);
    EXPECT_NEAR(effectMeterLevel(46), 59.93, 0.01);
    EXPECT_DOUBLE_EQ(effectMeterLevel(255), 70.0); // 74.8 dB, limited
    EXPECT_NEAR(effectMeterBar(0.0), 186.0 - 100.0 * std::log10(71.0), 1e-9);
    EXPECT_DOUBLE_EQ(effectMeterBar(70.0), 186.0);
    EXPECT_NEAR(effectMeterBar(60.0), 186.0 - 100.0 * std::log10(11.0), 1e-9);
}

TEST_F(EffectsPageTest, KnobTextsResetsAndTheReverbPresetPayload) {
    reverb().fxRevTime = 3;
    delay().fxPreDelay1 = 500;
    delay().fxPreDelay2 = 10;
    delay().fxFeedback = 90;
    delay().fxDelayLpf = 800;
    reverb().fxTap = {30, 31, 32, 33};
    reverb().fxRevLpf = 4000;
    Page page(edits, {}, {});
    page.openFor(3);
    EXPECT_EQ(page.valueText(Page::RevTime), QStringLiteral("0.3s"));
    EXPECT_EQ(page.valueText(Page::PreDelay1), QStringLiteral("500ms"));
    EXPECT_EQ(page.valueText(Page::Feedback), QStringLiteral("90%"));
    EXPECT_EQ(page.valueText(Page::DelayLpf), QStringLiteral("800Hz"));
    EXPECT_EQ(page.captionText(Page::Tap3), QStringLiteral("Delay3"));
    EXPECT_EQ(page.captionText(Page::RevTime), QStringLiteral("Rev time"));
    EXPECT_EQ(page.knob(Page::PreDelay1)->position(), 500);
    reverb().fxRevTime = 100;
    page.reload();
    EXPECT_EQ(page.valueText(Page::RevTime), QStringLiteral("10.0s"));
    // A dump's code outside the range reads as the knob stands.
    delay().fxPreDelay2 = 0;
    page.reload();
    EXPECT_EQ(page.valueText(Page::PreDelay2), QStringLiteral("10ms"));
    EXPECT_EQ(page.knob(Page::PreDelay2)->position(), 10);
    EXPECT_EQ(page.levelCaption(Page::DelayOutput), QStringLiteral("OUPUT"));
    EXPECT_EQ(page.levelCaption(Page::ReverbOutput), QStringLiteral("OUTPUT"));

    // Delay RESET: 133 ms, 232 ms, 38 %, 20000 Hz in the record and on the knobs; the
    // reverb keeps its settings, and one "%N," goes out.
    page.resetDelay();
    EXPECT_EQ(delay().fxPreDelay1, 133);
    EXPECT_EQ(delay().fxPreDelay2, 232);
    EXPECT_EQ(delay().fxFeedback, 38);
    EXPECT_EQ(delay().fxDelayLpf, 20000);
    EXPECT_EQ(page.knob(Page::PreDelay1)->position(), 133);
    EXPECT_EQ(page.knob(Page::PreDelay2)->position(), 232);
    EXPECT_EQ(page.knob(Page::Feedback)->position(), 38);
    EXPECT_EQ(page.knob(Page::DelayLpf)->position(), 20000);
    EXPECT_EQ(page.valueText(Page::PreDelay2), QStringLiteral("232ms"));
    EXPECT_EQ(reverb().fxTap[0], 30);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].substr(0, 3), "%N,");

    // Reverb RESET through its button: the preset saved afterwards holds 61, 48, 47, 50 ms,
    // 0.3 s and 20000 Hz.
    QTest::mouseClick(page.resetButton(Page::Reverb), Qt::LeftButton);
    EXPECT_EQ(PackPayload(PresetTable::Reverb, image, Channel::input(3)), "3D302F32034E20");
    EXPECT_EQ(page.valueText(Page::Tap1), QStringLiteral("61ms"));
    EXPECT_EQ(page.valueText(Page::RevTime), QStringLiteral("0.3s"));
    EXPECT_EQ(page.valueText(Page::RevLpf), QStringLiteral("20000Hz"));
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_EQ(sent()[1].substr(0, 3), "%M,");
    EXPECT_EQ(delay().fxDelayLpf, 20000);

    // Each RESET is one undo step; undone, the reverb's knobs come back and "%M," goes out
    // again, while the delay keeps its own RESET.
    ASSERT_NE(edits.history().nextUndo(), nullptr);
    EXPECT_EQ(edits.history().nextUndo()->name.en, "RESET REVERB");
    EXPECT_EQ(edits.history().nextUndo()->name.zh, "复位 混响");
    ASSERT_NE(edits.undo().step, nullptr);
    EXPECT_EQ(reverb().fxTap, (std::array<std::int32_t, 4>{30, 31, 32, 33}));
    EXPECT_EQ(page.valueText(Page::Tap1), QStringLiteral("30ms"));
    EXPECT_EQ(page.valueText(Page::RevLpf), QStringLiteral("4000Hz"));
    ASSERT_EQ(sent().size(), 3u);
    EXPECT_EQ(sent()[2], sent()[1]);
    EXPECT_EQ(delay().fxPreDelay1, 133);

    ui::setLanguage(ui::Language::Chinese);
    page.applyLanguage();
    EXPECT_EQ(page.captionText(Page::RevTime), QStringLiteral("混响时间"));
    EXPECT_EQ(page.levelCaption(Page::DelayOutput), QStringLiteral("输出"));
    ui::setLanguage(ui::Language::English);
}

TEST_F(EffectsPageTest, EffectKnobsSendOnReleaseLevelsOnEveryStepByteExact) {
    Page page(edits, {}, {});
    page.resize(1040, 560);
    page.show();
    page.openFor(16);
    QSignalSpy readout(&page, &EditorPage::readoutRequested);

    // A drag of the first delay time: the image and the text follow, nothing goes out
    // until the knob is let go.
    ui::Slider* knob = page.knob(Page::PreDelay1);
    const int y = knob->height() / 2;
    QTest::mousePress(knob, Qt::LeftButton, {}, QPoint(knob->width() / 4, y));
    QTest::mouseMove(knob, QPoint(knob->width() / 2, y));
    const int dragged = delay().fxPreDelay1;
    EXPECT_GT(dragged, 10);
    EXPECT_EQ(page.valueText(Page::PreDelay1), QString::number(dragged) + QStringLiteral("ms"));
    EXPECT_TRUE(sent().empty());
    QTest::mouseRelease(knob, Qt::LeftButton, {}, QPoint(knob->width() / 2, y));
    std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 1u);
    // 01 address | 05 zero-cross rate | 0C energy | 03 compare count | 28 threshold | checksum
    EXPECT_EQ(frames[0], "%N,01,05,0C,03,28,4965#");
    ASSERT_GE(readout.count(), 1);
    EXPECT_EQ(readout.last().at(0).toInt(), 16);
    EXPECT_EQ(readout.last().at(1).toInt(), 68); // "Pre delay1"

    // A reverb knob let go sends the auto-mixer settings frame.
    sink.clear();
    page.releaseKnob(Page::Tap2, 77);
    EXPECT_EQ(reverb().fxTap[1], 77);
    frames = sent();
    ASSERT_EQ(frames.size(), 1u);
    // 01 address | 01 mode | 04 max open | 01 last hold | 0A hold time | 14 closed attn |
    // 03 open attn | checksum
    EXPECT_EQ(frames[0], "%M,01,01,04,01,0A,14,03,A9C8#");

    // The delay's OUTPUT (the return's own level) at position 100: code 61, +1 dB, and the
    // level frame of wire channel 27 on the step itself. That number is bus 7 in the level
    // frame, so the frame carries bus 7's mute and level.
    sink.clear();
    page.moveLevel(Page::DelayOutput, 100);
    EXPECT_EQ(delay().gain, 61);
    EXPECT_EQ(page.levelText(Page::DelayOutput), QStringLiteral("1dB"));
    frames = sent();
    ASSERT_EQ(frames.size(), 1u);
    // 01 address | 1B wire 27 | 01 bus 7 muted | 28 bus 7 at -20 dB | checksum
    EXPECT_EQ(frames[0], "%A,01,1B,01,28,6C02#");
    EXPECT_EQ(readout.last().at(0).toInt(), 16);
    EXPECT_EQ(readout.last().at(1).toInt(), 3); // "VOL"
    // The reverb's INPUT is its second level; wire 30 has no fields after the channel.
    page.moveLevel(Page::ReverbInput, 185);
    EXPECT_EQ(reverb().gain2, 1);
    EXPECT_EQ(page.levelText(Page::ReverbInput), QStringLiteral("-59dB"));
    // The delay's INPUT MUTE: the second mute of CH17, the level frame of wire 28.
    QTest::mouseClick(page.muteButton(Page::DelayInput), Qt::LeftButton);
    EXPECT_EQ(delay().mute2, 1);
    EXPECT_TRUE(page.muteButton(Page::DelayInput)->state());
    EXPECT_EQ(delay().mute, 0);
    frames = sent();
    ASSERT_EQ(frames.size(), 3u);
    // 01 address | 1E wire 30 | checksum
    EXPECT_EQ(frames[1], "%A,01,1E,7996#");
    // 01 address | 1C wire 28 | 00 bus 8 open | 3C bus 8 at 0 dB | checksum
    EXPECT_EQ(frames[2].substr(0, 15), "%A,01,1C,00,3C,");

    // The meters follow the image on the timer: a silent effect stands at the bottom, a
    // loud one at the top.
    delay().meter = 255;
    delay().meter2 = 0;
    page.meterTimer().stop();
    page.tick();
    EXPECT_EQ(page.meter(Page::DelayOutput)->value(0), 186);
    EXPECT_EQ(page.meter(Page::DelayInput)->value(0), 0);
    EXPECT_TRUE(page.isVisible());
    page.hide();
    EXPECT_FALSE(page.meterTimer().isActive());
}

TEST_F(EffectsPageTest, OfflineEditsChangeTheImageAndSendNothing) {
    sink.online = false;
    Page page(edits, {}, {});
    page.openFor(0);
    page.dragKnob(Page::Feedback, 70);
    page.releaseKnob(Page::Feedback, 71);
    page.releaseKnob(Page::RevLpf, 5000);
    page.moveLevel(Page::ReverbOutput, 0);
    page.clickMute(Page::ReverbOutput);
    page.resetDelay();
    page.resetReverb();
    EXPECT_EQ(delay().fxFeedback, 38); // reset after the edit
    EXPECT_EQ(reverb().gain, 70);
    EXPECT_EQ(reverb().mute, 1);
    EXPECT_TRUE(page.muteButton(Page::ReverbOutput)->state());
    EXPECT_TRUE(sent().empty());
}

} // namespace
} // namespace krm::test
