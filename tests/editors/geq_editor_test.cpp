// GeqEditor: markers store truncated gain codes, a double-click, a throttled drag that the
// output strip follows, a freehand stroke copied to linked outputs at its end, RESET, and
// the offline rule; "%H," frames compared byte for byte.
#include "dsp/eq_scales.h"
#include "editors/geq/geq_editor.h"
#include "editors/strips/geq_thumbnail.h"
#include "editors/strips/output_strip.h"
#include "editors/strips/strip_bank.h"
#include "kit/response_graph_widget.h"
#include "kit/toggle_button.h"
#include "tests/editors/strip_fixture.h"
#include "tests/kit/kit_events.h"

#include <QSignalSpy>

#include <memory>

namespace krm {
namespace {

class GeqEditorTest : public test::StripFixture {
protected:
    std::unique_ptr<GeqEditor> makeEditor(int output) {
        auto editor = std::make_unique<GeqEditor>(edits, clock, nullptr, PresetListServices{});
        editor->resize(900, 420);
        editor->openFor(output);
        return editor;
    }
    QPoint markerOf(const GeqEditor& editor, int band) {
        return editor.graph()->markerCentre(band).toPoint();
    }
    std::array<std::int32_t, kGeqBands> codes(int output) const {
        std::array<std::int32_t, kGeqBands> c{};
        for (int b = 0; b < kGeqBands; ++b)
            c[static_cast<std::size_t>(b)] = image.outputs[static_cast<std::size_t>(output)]
                                                 .geq[static_cast<std::size_t>(b)]
                                                 .gain;
        return c;
    }
    // Outputs 0..2 in one control group that links the EQ.
    void linkOutputs() {
        for (int o = 0; o < 3; ++o) {
            LinkedChannels& l = edits.links().of(Channel::output(o));
            l.group = 1;
            l.members = {0, 1, 2};
            l.link[LinkEq] = 1;
        }
    }
};

TEST_F(GeqEditorTest, DroppedMarkersStoreTruncatedCodesAndSendTheWholeCurve) {
    auto editor = makeEditor(1);
    QSignalSpy readout(editor.get(), &EditorPage::readoutRequested);

    // Offline the bands change in the image and on screen, and nothing goes out.
    sink.online = false;
    emit editor->graph()->markerReleased(4, 5.0, 3.04);
    EXPECT_EQ(image.outputs[1].geq[4].gain, 180); // trunc(180.4)
    emit editor->graph()->markerReleased(5, 6.0, -0.05);
    EXPECT_EQ(image.outputs[1].geq[5].gain, 149); // trunc(149.5)
    EXPECT_TRUE(sent().empty());
    ASSERT_FALSE(readout.isEmpty());
    EXPECT_EQ(readout.last().at(0).toInt(), 25); // output 2
    EXPECT_EQ(readout.last().at(1).toInt(), 10); // BAND6

    sink.online = true;
    image.outputs[1].geq[30].gain = 300;
    emit editor->graph()->markerReleased(0, 1.0, -15.0);
    EXPECT_EQ(sent(), std::vector<std::string>{
                          // output 2 | GEQ off (start-up) | 31 halved gains, band 1 first:
                          // 0 -> 00; 150 x 3 -> 4B; 180 -> 5A; 149 -> 4A; 150 x 24; 300 -> 96
                          // | CRC-16/MODBUS of everything before it
                          "%H,01,02,00,"
                          "004B4B4B5A4A4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B4B96,"
                          "A6E8#"});
}

TEST_F(GeqEditorTest, DoubleClickSendsOneFrameAndZeroesThatBandAlone) {
    image.outputs[0].geq[7].gain = 250;
    image.outputs[0].geq[8].gain = 40;
    auto editor = makeEditor(0);
    const auto before = codes(0);

    test::doubleClick(editor->graph(), markerOf(*editor, 7));

    auto expected = before;
    expected[7] = 150;
    EXPECT_EQ(codes(0), expected);
    EXPECT_DOUBLE_EQ(editor->graph()->graph().slot(7).gainDb, 0.0);
    EXPECT_EQ(sentWith("%H,").size(), 1u);
    EXPECT_EQ(sent().size(), 1u);
}

TEST_F(GeqEditorTest, DragSendsAtMostEveryHundredMillisecondsAndTheStripFollows) {
    linkOutputs();
    OutputStrip strip(edits, 0);
    strip.resize(150, 720);
    StripBank bank(edits);
    bank.add(&strip);
    auto editor = makeEditor(0);
    QWidget* g = editor->graph();
    const QPoint start = markerOf(*editor, 10);

    test::press(g, start);
    test::moveTo(g, start - QPoint(0, 20)); // the drag begins: nothing yet
    EXPECT_TRUE(sentWith("%H,").empty());
    // The strip's small graph follows even a change that is not sent yet.
    EXPECT_TRUE(strip.reloadPending());
    strip.tick();
    EXPECT_GT(strip.geqGraph()->gains()[10], 0.5);
    EXPECT_DOUBLE_EQ(strip.geqGraph()->gains()[10], eqGainDb(image.outputs[0].geq[10].gain));

    clock.advance(Millis{60});
    test::moveTo(g, start - QPoint(0, 30));
    EXPECT_TRUE(sentWith("%H,").empty());
    clock.advance(Millis{50}); // 110 ms since the drag began
    test::moveTo(g, start - QPoint(0, 40));
    ASSERT_EQ(sentWith("%H,").size(), 1u);
    EXPECT_EQ(sentWith("%H,01,01,").size(), 1u); // no linked output during the drag
    test::moveTo(g, start - QPoint(0, 50));      // pending again

    // The pointer stops without a release: the timer sends it after 200 ms, with the
    // linked outputs.
    clock.advance(Millis{150});
    editor->tick();
    EXPECT_EQ(sentWith("%H,").size(), 1u);
    clock.advance(Millis{60});
    editor->tick();
    EXPECT_EQ(sentWith("%H,01,01,").size(), 2u);
    EXPECT_EQ(sentWith("%H,01,02,").size(), 1u);
    EXPECT_EQ(sentWith("%H,01,03,").size(), 1u);
    EXPECT_EQ(image.outputs[2].geq[10].gain, image.outputs[0].geq[10].gain);

    // The release sends the last value at once and the linked outputs take the band.
    test::moveTo(g, start - QPoint(0, 60));
    test::release(g, start - QPoint(0, 60));
    EXPECT_EQ(sentWith("%H,01,01,").size(), 3u);
    EXPECT_EQ(sentWith("%H,01,02,").size(), 2u);
    EXPECT_EQ(image.outputs[1].geq[10].gain, image.outputs[0].geq[10].gain);
    EXPECT_GT(image.outputs[0].geq[10].gain, 150);
}

TEST_F(GeqEditorTest, FreehandStrokeSendsEachUpdateThenOneRoundToEachLinkedOutput) {
    linkOutputs();
    auto editor = makeEditor(0);
    editor->setDrawMode(true);
    EXPECT_TRUE(editor->drawButton()->state());
    ui::ResponseGraphWidget* g = editor->graph();
    QSignalSpy drawn(g, &ui::ResponseGraphWidget::bandDrawn);
    const PlotRect r = g->plotRect();
    const int left = static_cast<int>(r.left) + 1;
    const int right = static_cast<int>(r.right) - 1;
    const int high = static_cast<int>(r.top) - 30; // above the plot: clamped to +15 dB

    test::press(g, QPoint(left, high));
    for (int x = left; x <= right; x += 7)
        test::moveTo(g, QPoint(x, high));
    test::moveTo(g, QPoint(right, high));
    EXPECT_EQ(sentWith("%H,01,01,").size(), static_cast<std::size_t>(drawn.count()));
    EXPECT_TRUE(sentWith("%H,01,02,").empty()); // the linked outputs wait for the end
    test::release(g, QPoint(right, high));

    std::array<std::int32_t, kGeqBands> top{};
    top.fill(300);
    EXPECT_EQ(codes(0), top);
    EXPECT_EQ(codes(1), top);
    EXPECT_EQ(codes(2), top);
    EXPECT_EQ(sentWith("%H,01,01,").size(), static_cast<std::size_t>(drawn.count()));
    ASSERT_EQ(sentWith("%H,01,02,").size(), 1u);
    ASSERT_EQ(sentWith("%H,01,03,").size(), 1u);
    std::string allTop; // 31 bands at code 300, halved on the wire
    for (int b = 0; b < kGeqBands; ++b)
        allTop += "96";
    EXPECT_NE(sentWith("%H,01,03,")[0].find("," + allTop + ","), std::string::npos);
    EXPECT_TRUE(sentWith("%H,01,04,").empty());
}

TEST_F(GeqEditorTest, ResetSetsEveryBandToZeroDecibelsWithOneFrame) {
    for (int b = 0; b < kGeqBands; ++b)
        image.outputs[3].geq[static_cast<std::size_t>(b)].gain = 10 * b;
    auto editor = makeEditor(3);
    test::click(editor->resetButton(), QPoint(10, 10));
    std::array<std::int32_t, kGeqBands> flat{};
    flat.fill(150);
    EXPECT_EQ(codes(3), flat);
    EXPECT_DOUBLE_EQ(editor->graph()->graph().slot(20).gainDb, 0.0);
    EXPECT_EQ(sent().size(), 1u);
    EXPECT_EQ(sentWith("%H,01,04,").size(), 1u);

    // The GEQ switch goes out in the same frame.
    const int was = image.outputs[3].geqEnable;
    test::click(editor->geqButton(), QPoint(10, 10));
    EXPECT_NE(image.outputs[3].geqEnable, was);
    EXPECT_EQ(sentWith("%H,01,04,").size(), 2u);
}

TEST_F(GeqEditorTest, SwitchedOffBarsTurnGreyAndColourReturnsWithTheSwitch) {
    image.outputs[3].geqEnable = 1;
    image.outputs[3].geq[4].gain = 300; // +15 dB: a tall bar
    OutputStrip strip(edits, 3);
    StripBank bank(edits);
    bank.add(&strip);
    auto editor = makeEditor(3);
    editor->resize(900, 400);
    auto barColour = [&] {
        const QRectF bar = editor->graph()->barRect(4);
        return editor->graph()->grab().toImage().pixelColor(bar.center().toPoint());
    };
    const QColor on = barColour();
    EXPECT_GT(on.hsvSaturation(), 120);

    test::click(editor->geqButton(), QPoint(10, 10)); // off
    ASSERT_EQ(image.outputs[3].geqEnable, 0);
    EXPECT_LT(barColour().hsvSaturation(), 40);
    strip.tick(); // the strip's small graph greys with it
    EXPECT_TRUE(strip.geqGraph()->switchedOff());

    // A reload shows the state of the image (another output, a recall, the readout).
    image.outputs[3].geqEnable = 1;
    editor->reload();
    EXPECT_EQ(barColour(), on);
}

} // namespace
} // namespace krm
