// PeqEditor: knobs send on release, marker drags are throttled and a stopped drag is sent
// by the page's timer, the line inputs have no filters, RESET and BYPASS rewrite and send
// the whole module (BYPASS per channel), linked "EQ" members follow, offline edits stay in
// the image.
#include "editors/peq/peq_editor.h"
#include "kit/response_graph_widget.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/toggle_button.h"
#include "model/parameter_frames.h"
#include "tests/editors/strip_fixture.h"
#include "tests/kit/kit_events.h"

#include <QSignalSpy>

namespace krm {
namespace {

class PeqEditorTest : public test::StripFixture {
protected:
    std::unique_ptr<PeqEditor> openEditor(int channel) {
        auto editor = std::make_unique<PeqEditor>(
            edits, clock, [] { return static_cast<ModulePresets*>(nullptr); },
            PresetListServices{});
        editor->resize(1200, 700);
        editor->openFor(channel);
        return editor;
    }
    // Frames of one letter ("%G," ...), in the order sent.
    std::vector<std::string> framesOf(char letter) {
        return sentWith(std::string("%") + letter + ",");
    }
    void linkEq(std::vector<int> members) {
        for (int m : members) {
            LinkedChannels& l = edits.links().inputs[static_cast<std::size_t>(m)];
            l.group = 1;
            l.members = members;
            l.link[static_cast<std::size_t>(LinkEq)] = 1;
        }
    }
};

TEST_F(PeqEditorTest, KnobDragRedrawsContinuouslyAndSendsOneBandFrameOnRelease) {
    auto editor = openEditor(0);
    QSignalSpy readout(editor.get(), &EditorPage::readoutRequested);
    ui::Slider* gain = editor->gainKnob(1);
    ResponseGraph& curve = editor->graph()->graph();
    curve.recompute();
    const double before = curve.summed()[112]; // the 500 Hz grid point
    const QPoint thumb = gain->thumbRect().center();
    test::press(gain, thumb);
    test::moveTo(gain, thumb + QPoint(40, 0));
    test::moveTo(gain, thumb + QPoint(80, 0));
    const int dragged = image.inputs[0].peq[1].gain;
    EXPECT_GT(dragged, 150);
    curve.recompute();
    EXPECT_GT(curve.summed()[112], before + 0.5);
    EXPECT_TRUE(sent().empty()) << "nothing goes out while the knob is held";

    image.inputs[0].peq[1].gain = 180; // the release lands on a known code
    gain->setPosition(180);
    test::release(gain, gain->thumbRect().center());
    // 01 CH1 | 00 EQ off | 02 band 2 | 01 peaking + 1 | 01F4 500 Hz | 5A gain 180 / 2 |
    // 64 Q 10.0
    EXPECT_EQ(sent(), std::vector<std::string>{"%G,01,01,00,02,01,01F4,5A,64,4430#"});
    ASSERT_FALSE(readout.isEmpty());
    EXPECT_EQ(readout.last().at(0).toInt(), 0);
    EXPECT_EQ(readout.last().at(1).toInt(), 8); // band 2 gain

    // The frequency knob of the high-pass is greyed while the high-pass is off.
    EXPECT_FALSE(editor->filterKnob(false)->isEnabled());
    test::click(editor->filterButton(false), QPoint(5, 5));
    EXPECT_EQ(image.inputs[0].hpf.enable, 1);
    EXPECT_TRUE(editor->filterKnob(false)->isEnabled());
    // 01 CH1 | 01 on | 02 type | 0014 20 Hz | 02 slope -12 dB/Oct | 01 constant
    EXPECT_EQ(framesOf('F'), std::vector<std::string>{"%F,01,01,01,02,0014,02,01,6C33#"});
}

TEST_F(PeqEditorTest, MarkerDragIsThrottledAndAStoppedDragIsSentByTheTimer) {
    auto editor = openEditor(0);
    const PeqBand before = image.inputs[0].peq[2];
    ui::ResponseGraphWidget* graph = editor->graph();
    QPoint at = graph->markerCentre(2).toPoint();
    test::press(graph, at);
    // One second of movement, a step every 10 ms, the page's timer every 50 ms.
    for (int ms = 10; ms <= 1000; ms += 10) {
        clock.advance(Millis{10});
        at += QPoint(ms % 20 == 0 ? 1 : 0, -1);
        test::moveTo(graph, at);
        if (ms % 50 == 0)
            editor->tick();
    }
    const std::size_t duringDrag = framesOf('G').size();
    EXPECT_GE(duringDrag, 8u);
    EXPECT_LE(duringDrag, 10u);
    EXPECT_GT(image.inputs[0].peq[2].gain, 150) << "the marker went up";
    for (const std::string& f : framesOf('G'))
        EXPECT_EQ(f.rfind("%G,01,01,00,03,", 0), 0u) << f;
    test::release(graph, at);
    const std::vector<std::string> all = framesOf('G');
    ASSERT_EQ(all.size(), duringDrag + 1) << "the release sends the last value";
    EXPECT_EQ(all.back(),
              BuildParameterFrame(image, Param(ParamKind::PeqGain, 2), Channel::input(0)));

    // The whole drag, ten frames, is one undo step: undone, the band is back where it was
    // and one "%G," tells the device so.
    const PeqBand dragged = image.inputs[0].peq[2];
    sink.clear();
    ASSERT_NE(edits.undo().step, nullptr);
    EXPECT_EQ(image.inputs[0].peq[2], before);
    EXPECT_EQ(framesOf('G'), std::vector<std::string>{BuildParameterFrame(
                                 image, Param(ParamKind::PeqGain, 2), Channel::input(0))});
    ASSERT_NE(edits.redo().step, nullptr);
    EXPECT_EQ(image.inputs[0].peq[2], dragged);

    // A drag that stops without a release: sent by the timer once it has rested 200 ms.
    sink.clear();
    at = graph->markerCentre(0).toPoint();
    test::press(graph, at);
    for (int i = 0; i < 3; ++i) {
        clock.advance(Millis{20});
        at += QPoint(2, -2);
        test::moveTo(graph, at);
    }
    EXPECT_TRUE(framesOf('G').empty());
    int waited = 0;
    while (framesOf('G').empty() && waited < 1000) {
        clock.advance(Millis{PeqEditor::kTimerMs});
        waited += PeqEditor::kTimerMs;
        editor->tick();
    }
    EXPECT_GT(waited, 200);
    EXPECT_LE(waited, 250);
    EXPECT_EQ(framesOf('G'), std::vector<std::string>{BuildParameterFrame(
                                 image, Param(ParamKind::PeqGain, 0), Channel::input(0))});
}

TEST_F(PeqEditorTest, LineInputShowsNoFiltersAndResetsWithFourBandFramesOnly) {
    auto editor = openEditor(17); // CH18
    EXPECT_EQ(editor->graph()->graph().slotCount(), 4);
    EXPECT_FALSE(editor->filterButton(false)->isVisible());
    EXPECT_FALSE(editor->filterKnob(true)->isVisible());
    EXPECT_FALSE(editor->gainKnob(4)->isVisible()) << "band 5 stays hidden";
    image.inputs[17].peq[0] = PeqBand{90, 40, 7, 0, 0, 1};
    image.inputs[17].hpf.enable = 1;

    const Millis before = clock.now();
    editor->pressReset();
    // 12 CH18 | 00 EQ off | band | 01 peaking + 1 | freq | 4B gain 150 / 2 | 14 Q 2.0
    EXPECT_EQ(sent(), (std::vector<std::string>{"%G,01,12,00,01,01,00C8,4B,14,EC54#",
                                                "%G,01,12,00,02,01,01F4,4B,14,DD7A#",
                                                "%G,01,12,00,03,01,03E8,4B,14,220E#",
                                                "%G,01,12,00,04,01,1388,4B,14,BE75#"}));
    EXPECT_GE(clock.now() - before, Millis{60}) << "20 ms between the frames";
    // One undo step, named as the operator sees the command.
    ASSERT_NE(edits.history().nextUndo(), nullptr);
    EXPECT_EQ(edits.history().nextUndo()->name.en, "RESET PEQ CH 18");
    EXPECT_EQ(edits.history().nextUndo()->name.zh, "复位 PEQ CH 18");
    EXPECT_EQ(image.inputs[17].peq[0].type, 0);
    EXPECT_EQ(image.inputs[17].hpf.enable, 0);
    EXPECT_EQ(editor->freqKnob(0)->position(), 130); // 200 Hz
}

TEST_F(PeqEditorTest, BypassTwiceRestoresEveryChannelFromItsOwnSaveArea) {
    auto editor = openEditor(0);
    image.inputs[0].peq[0] = PeqBand{120, 210, 15, 0, 0, 1};
    image.inputs[0].peq[3].gain = 60;
    image.inputs[0].hpf = PassFilter{80, 2, 4, 1};
    image.inputs[0].lpf = PassFilter{12000, 2, 8, 1};
    image.inputs[1].peq[2].gain = 280;
    image.inputs[1].hpf = PassFilter{150, 2, 3, 1};
    const DeviceImage original = image;

    editor->pressBypass();
    EXPECT_TRUE(editor->bypassButton()->state());
    const InputChannel& flat = image.inputs[0];
    EXPECT_EQ(flat.hpf.enable, 0);
    EXPECT_EQ(flat.lpf.enable, 0);
    EXPECT_EQ(flat.hpf.freq, 20);
    EXPECT_EQ(flat.lpf.freq, 20000);
    for (int b = 0; b < 4; ++b)
        EXPECT_EQ(flat.peq[static_cast<std::size_t>(b)].gain, 150);
    EXPECT_EQ(flat.peq[0].type, 1) << "the shape is kept";
    // Low-pass, high-pass, then bands 1..4.
    const std::vector<std::string> frames = sent();
    ASSERT_EQ(frames.size(), 6u);
    // 01 CH1 | 00 off | 02 type | 4E20 20000 Hz | 08 slope -48 dB/Oct | 01 constant
    EXPECT_EQ(frames[0], "%E,01,01,00,02,4E20,08,01,BE87#");
    EXPECT_EQ(frames[1].rfind("%F,01,01,00,02,0014,04,01,", 0), 0u);
    EXPECT_EQ(frames[2].rfind("%G,01,01,00,01,02,0078,4B,", 0), 0u);

    editor->openFor(1); // CH2 bypassed while CH1 still is
    EXPECT_FALSE(editor->bypassButton()->state());
    editor->pressBypass();
    EXPECT_EQ(image.inputs[1].peq[2].gain, 150);
    editor->pressBypass();
    editor->openFor(0);
    EXPECT_TRUE(editor->bypassButton()->state());
    editor->pressBypass();
    EXPECT_FALSE(editor->bypassButton()->state());

    for (int ch : {0, 1}) {
        const InputChannel& now = image.inputs[static_cast<std::size_t>(ch)];
        const InputChannel& was = original.inputs[static_cast<std::size_t>(ch)];
        for (int b = 0; b < 4; ++b) {
            const auto i = static_cast<std::size_t>(b);
            EXPECT_EQ(now.peq[i].gain, was.peq[i].gain) << ch << " band " << b;
            EXPECT_EQ(now.peq[i].freq, was.peq[i].freq);
            EXPECT_EQ(now.peq[i].type, was.peq[i].type);
        }
        EXPECT_EQ(now.hpf.freq, was.hpf.freq) << ch;
        EXPECT_EQ(now.hpf.enable, was.hpf.enable);
        EXPECT_EQ(now.lpf.freq, was.lpf.freq);
        EXPECT_EQ(now.lpf.enable, was.lpf.enable);
        EXPECT_EQ(now.lpf.slope, was.lpf.slope);
    }
}

TEST_F(PeqEditorTest, LinkedMembersTakeMarkerAndResetAndOfflineEditsSendNothing) {
    linkEq({0, 2});
    image.inputs[2].peq[1].q = 77; // the member's band differs beyond the marker's fields
    image.inputs[2].peq[1].type = 2;
    auto editor = openEditor(0);
    // Dragged, the member follows the marker in the image; the whole band then goes with
    // the frame, once per channel.
    editor->moveMarker(1, 650.0, 3.0, true);
    EXPECT_EQ(image.inputs[2].peq[1].freq, 650);
    sent();
    sink.clear();
    editor->doubleClickMarker(1, 700.0, 6.0);
    EXPECT_EQ(image.inputs[2].peq[1].freq, 700);
    EXPECT_EQ(image.inputs[2].peq[1].gain, 210);
    EXPECT_EQ(image.inputs[2].peq[1].q, image.inputs[0].peq[1].q);
    EXPECT_EQ(image.inputs[2].peq[1].type, image.inputs[0].peq[1].type);
    EXPECT_EQ(framesOf('G'),
              (std::vector<std::string>{
                  BuildParameterFrame(image, Param(ParamKind::PeqGain, 1), Channel::input(0)),
                  BuildParameterFrame(image, Param(ParamKind::PeqGain, 1), Channel::input(2))}));

    sink.clear();
    image.inputs[2].lpf = PassFilter{5000, 2, 5, 1};
    editor->pressReset();
    EXPECT_EQ(image.inputs[2].lpf.enable, 0);
    EXPECT_EQ(image.inputs[2].peq[3].freq, 5000);
    EXPECT_EQ(sent().size(), 12u) << "six frames for each of the two channels";

    sink.clear();
    sink.online = false;
    ui::Slider* q = editor->qKnob(0);
    test::press(q, q->thumbRect().center());
    test::moveTo(q, q->thumbRect().center() + QPoint(30, 0));
    test::release(q, q->thumbRect().center());
    EXPECT_NE(image.inputs[0].peq[0].q, 20);
    editor->moveMarker(3, 3000.0, -4.0, false);
    EXPECT_EQ(image.inputs[0].peq[3].freq, 3000);
    EXPECT_EQ(image.inputs[0].peq[3].gain, 110);
    EXPECT_EQ(editor->freqKnob(3)->position(), 247); // trunc(100 log10 3000 - 100)
    editor->pressBypass();
    EXPECT_EQ(image.inputs[0].peq[3].gain, 150);
    EXPECT_TRUE(sent().empty());
}

} // namespace
} // namespace krm
