// The compressor and limiter editors: markers, knobs, RESET and meters against the image,
// the frames they send (byte-exact) and what stays silent offline.

#include "editors/dynamics/dynamics_editor.h"
#include "editors/dynamics/gate_section.h"
#include "editors/dynamics/limiter_editor.h"
#include "kit/level_meter.h"
#include "kit/response_graph_widget.h"
#include "kit/slider.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "tests/editors/strip_fixture.h"

#include <QSignalSpy>

#include <memory>

namespace krm::test {
namespace {

class DynamicsEditorTest : public StripFixture {
protected:
    DynamicsServices services() { return DynamicsServices{edits, clock, {}, {}}; }

    InputChannel& in(int ch) { return image.inputs[static_cast<std::size_t>(ch)]; }
    OutputChannel& out(int bus) { return image.outputs[static_cast<std::size_t>(bus)]; }

    void setComp(int ch, int enable, int threshold, int ratio, int gain, int attack, int release) {
        InputChannel& c = in(ch);
        c.comp.enable = enable;
        c.comp.threshold = threshold;
        c.comp.ratio = ratio;
        c.comp.gain = gain;
        c.comp.attack = attack;
        c.comp.release = release;
    }
};

TEST_F(DynamicsEditorTest, RatioMarkerGivesOneToOneAtZeroAndOneToTwoHalfway) {
    setComp(0, 1, 30, 40, 0, 10, 100); // -30 dB, 1:4.0
    DynamicsEditor editor(services());
    editor.openFor(0);
    QSignalSpy readout(&editor, &EditorPage::readoutRequested);

    // Dropped at input 0 dB, output 0 dB: the segment from (-30, -30) has slope 1.
    editor.moveMarker(DynamicsPage::RatioMarker, 0.0, 0.0, true);
    EXPECT_EQ(in(0).comp.ratio, 10);
    EXPECT_EQ(editor.valueText(DynamicsSet::Ratio), QStringLiteral("1:1.0 "));
    // Halfway between the threshold and 0 dB output: slope 1/2.
    editor.moveMarker(DynamicsPage::RatioMarker, 0.0, -15.0, true);
    EXPECT_EQ(in(0).comp.ratio, 20);
    EXPECT_EQ(editor.valueText(DynamicsSet::Ratio), QStringLiteral("1:2.0 "));
    EXPECT_EQ(editor.knob(DynamicsSet::Ratio)->position(), 20);
    // The ratio marker sits where a 1:2 line from the threshold meets 0 dB input.
    EXPECT_DOUBLE_EQ(editor.graph()->graph().slot(DynamicsPage::RatioMarker).gainDb, -15.0);

    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    // 01 address | 01 CH1 | 01 on | 14 ratio 1:2.0 | 1E threshold -30 dB | 0A attack 10 ms |
    // 64 release 100 ms | 00 make-up gain 0.0 dB | checksum
    EXPECT_EQ(frames[1], "%C,01,01,01,14,1E,0A,64,00,0976#");
    ASSERT_GE(readout.count(), 1);
    EXPECT_EQ(readout.last().at(0).toInt(), 0);
    EXPECT_EQ(readout.last().at(1).toInt(), 55); // compressor ratio

    // Threshold and gain markers: trunc(x + 60) and trunc((y + 60) * 10); a drag sends at
    // most once per 100 ms from its start, and a drag that stops is sent by the timer once
    // 200 ms have passed.
    sink.clear();
    editor.moveMarker(DynamicsPage::ThresholdMarker, -10.4, -3.0, false);
    clock.advance(Millis{40});
    editor.moveMarker(DynamicsPage::ThresholdMarker, -12.7, -3.0, false);
    EXPECT_EQ(in(0).comp.threshold, 47);
    EXPECT_EQ(editor.valueText(DynamicsSet::Threshold), QStringLiteral("-13 dB"));
    clock.advance(Millis{100});
    editor.tick();
    EXPECT_TRUE(sent().empty());
    clock.advance(Millis{110});
    editor.tick();
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(fieldOf(sent()[0], 5), 47); // the threshold field
    editor.moveMarker(DynamicsPage::GainMarker, -60.0, -44.95, true);
    EXPECT_EQ(in(0).comp.gain, 150);
    EXPECT_EQ(editor.valueText(DynamicsSet::Gain), QStringLiteral("15.0 dB"));
    EXPECT_EQ(sent().size(), 2u);
}

TEST_F(DynamicsEditorTest, ResetRestoresDefaultsOnLinkedChannelsAndTheCurveIsStraight) {
    setComp(0, 0, 50, 80, 150, 5, 200);
    setComp(2, 0, 10, 60, 30, 7, 30);
    LinkedChannels group;
    group.group = 1;
    group.members = {0, 2};
    group.link[LinkComp] = 1;
    edits.links().of(Channel::input(0)) = group;
    DynamicsEditor editor(services());
    editor.openFor(0);

    editor.reset();
    EXPECT_EQ(editor.valueText(DynamicsSet::Threshold), QStringLiteral("-30 dB"));
    EXPECT_EQ(editor.valueText(DynamicsSet::Ratio), QStringLiteral("1:1.0 "));
    EXPECT_EQ(editor.valueText(DynamicsSet::Gain), QStringLiteral("0.0 dB"));
    EXPECT_EQ(editor.valueText(DynamicsSet::Attack), QStringLiteral("100 ms"));
    EXPECT_EQ(editor.valueText(DynamicsSet::Release), QStringLiteral("100 ms"));
    EXPECT_TRUE(editor.enableButton()->state());
    for (const PlotPoint& p : editor.graph()->lineCurve())
        EXPECT_DOUBLE_EQ(p.y, p.x);
    // The linked CH3 took the whole compressor; each channel's frame went out.
    EXPECT_EQ(in(2).comp.threshold, 30);
    EXPECT_EQ(in(2).comp.release, 100);
    EXPECT_EQ(in(2).comp.enable, 1);
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].substr(0, 27), "%C,01,01,01,0A,1E,64,64,00,");
    EXPECT_EQ(frames[1].substr(0, 27), "%C,01,03,01,0A,1E,64,64,00,");

    // A line input keeps its compressor in the image only; the threshold -10 dB with
    // 15 dB gain runs at input + 15 and is 0 dB above the threshold.
    sink.clear();
    setComp(16, 1, 50, 20, 150, 10, 100);
    editor.openFor(16);
    editor.moveMarker(DynamicsPage::RatioMarker, 0.0, -5.0, true);
    EXPECT_EQ(in(16).comp.ratio, 20);
    EXPECT_TRUE(sent().empty());
    for (const PlotPoint& p : editor.graph()->lineCurve())
        EXPECT_DOUBLE_EQ(p.y, p.x <= -10.0 ? p.x + 15.0 : 0.0) << p.x;
}

TEST_F(DynamicsEditorTest, LimiterSendsEveryKnobStepAndOnceMoreOnRelease) {
    out(2).limiter = {};
    out(2).limiter.enable = 1;
    out(2).limiter.threshold = 54;
    out(2).limiter.ratio = 10;
    out(2).limiter.attack = 5;
    out(2).limiter.release = 200;
    out(2).limiter.gain = 0;
    LimiterEditor editor(services());
    editor.openFor(2);
    QSignalSpy readout(&editor, &EditorPage::readoutRequested);

    ui::Slider* ratio = editor.knob(DynamicsSet::Ratio);
    emit ratio->valueChanging(0, 11);
    emit ratio->valueChanging(0, 12);
    emit ratio->valueChanging(0, 13);
    emit ratio->valueSet(0, 13);
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(fieldOf(frames[0], 4), 11);
    EXPECT_EQ(fieldOf(frames[1], 4), 12);
    // 01 address | 03 output 3 | 01 on | 0D ratio 1:1.3 | 36 threshold -6 dB |
    // 05 attack 5 ms | C8 release 200 ms | 00 gain 0.0 dB | checksum
    EXPECT_EQ(frames[2], "%D,01,03,01,0D,36,05,C8,00,D510#");
    EXPECT_EQ(frames[3], frames[2]);
    EXPECT_EQ(editor.valueText(DynamicsSet::Ratio), QStringLiteral("1:1.3 "));
    EXPECT_EQ(readout.last().at(0).toInt(), 26); // outputs read from 24
    EXPECT_EQ(readout.last().at(1).toInt(), 42);

    // The limiter's release reaches 1 ms; the compressor's stops at 20 ms.
    EXPECT_EQ(editor.knob(DynamicsSet::Release)->minimum(), 1);
    DynamicsEditor comp(services());
    EXPECT_EQ(comp.knob(DynamicsSet::Release)->minimum(), 20);
    // Both pages label the switch "COMP".
    EXPECT_EQ(editor.enableButton()->text(), QStringLiteral("COMP"));
}

TEST_F(DynamicsEditorTest, OfflineEditsChangeImageAndScreenButSendNothingAndMetersStayStill) {
    setComp(4, 1, 30, 20, 0, 10, 100);
    in(4).meter = 60; // 0 dB in
    DynamicsEditor editor(services());
    editor.openFor(4);

    // Online: IN 60, OUT = -30 + (0 - -30) / 2 = -15 dB -> 45; GR hangs 15 dB from the top.
    editor.tick();
    EXPECT_EQ(editor.meter()->value(0), 60);
    EXPECT_EQ(editor.meter()->value(1), 15);
    EXPECT_EQ(editor.meter()->value(2), 45);
    sink.clear();

    sink.online = false;
    in(4).meter = 30;
    emit editor.knob(DynamicsSet::Attack)->valueChanging(0, 40);
    emit editor.knob(DynamicsSet::Attack)->valueSet(0, 40);
    editor.moveMarker(DynamicsPage::ThresholdMarker, -20.0, -20.0, true);
    editor.reset();
    emit editor.enableButton()->clicked(0);
    emit editor.gateSection()->knob(0)->valueSet(0, 12);

    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(in(4).comp.enable, 0); // RESET switched it on, the button off again
    EXPECT_EQ(in(4).comp.attack, 100);
    EXPECT_EQ(in(4).gate.threshold, 12);
    EXPECT_FALSE(editor.enableButton()->state());
    EXPECT_EQ(editor.valueText(DynamicsSet::Attack), QStringLiteral("100 ms"));
    editor.tick();
    EXPECT_EQ(editor.meter()->value(0), 60);
    EXPECT_EQ(editor.meter()->value(2), 45);

    // Back online the gate's change rides on the matrix row frame.
    sink.online = true;
    emit editor.gateSection()->knob(0)->valueSet(0, 13);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0].substr(0, 9), "%B,01,05,");
}

} // namespace
} // namespace krm::test
