// Slider, Fader and ParameterBinding: value <-> pixel arithmetic, mouse drags, keys and
// what reaches the page.
#include "dsp/channel_scales.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/parameter_binding.h"
#include "kit/slider.h"
#include "kit/slider_math.h"
#include "kit/toggle_button.h"
#include "tests/kit/kit_events.h"
#include "tests/support/fake_clock.h"
#include "tests/support/frame_field.h"
#include "tests/support/recording_sink.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

using test::key;
using test::moveTo;
using test::press;
using test::release;

// The value of the last emission of a (id, value) signal.
int lastValue(const QSignalSpy& spy) {
    return spy.isEmpty() ? -999 : spy.last().at(1).toInt();
}

TEST(TrackGeometry, MapsValuesToThumbCentresAndPixelsBackByTruncation) {
    TrackGeometry g{200, 0, 0, 20, 0, 100}; // span 180
    EXPECT_EQ(g.span(), 180);
    EXPECT_EQ(g.centreOf(0), 10);
    EXPECT_EQ(g.centreOf(50), 100);
    EXPECT_EQ(g.centreOf(100), 190);
    EXPECT_EQ(g.centreOf(1), 11); // trunc(1.8) = 1
    EXPECT_EQ(g.valueAt(100), 50);
    EXPECT_EQ(g.valueAt(11), 0); // trunc(0.555...) = 0
    EXPECT_EQ(g.valueAt(12), 1);
    EXPECT_EQ(g.valueAt(-50), 0);    // beyond the low end: min
    EXPECT_EQ(g.valueAt(1000), 100); // beyond the high end: max

    // The channel fader: margins top 2, bottom 5, a 24-pixel cap on a 300-pixel track.
    TrackGeometry fader{300, 2, 5, 24, 0, 70};
    EXPECT_EQ(fader.span(), 269);
    EXPECT_EQ(fader.lowestCentre(), 14);
    EXPECT_EQ(fader.highestCentre(), 283);
    EXPECT_EQ(fader.valueAt(fader.lowestCentre()), 0);
    EXPECT_EQ(fader.valueAt(fader.highestCentre()), 70);
}

TEST(WheelAccumulator, StepsOncePerFullNotchAndStaysWithinOneNotch) {
    WheelAccumulator w;
    EXPECT_EQ(w.add(-60), 0);
    EXPECT_EQ(w.add(-60), +1); // two half notches down: next item
    EXPECT_EQ(w.pending(), 0);
    EXPECT_EQ(w.add(120), -1); // one notch up: previous item
    EXPECT_EQ(w.add(100), 0);
    EXPECT_EQ(w.add(100), -1); // capped at +120, which is a step
    EXPECT_EQ(w.add(100), 0);
    EXPECT_EQ(w.add(-120), 0); // +100 - 120 = -20: no step
    EXPECT_EQ(w.pending(), -20);
    EXPECT_EQ(w.add(-100), +1);
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider.setControlId(7);
        slider.setRange(0, 100);
        slider.setThumbSize(QSize(20, 16));
        slider.resize(200, 24); // span 180
        slider.show();
    }
    Slider slider{Qt::Horizontal};
    QSignalSpy changing{&slider, &Slider::valueChanging};
    QSignalSpy set{&slider, &Slider::valueSet};
    QSignalSpy reset{&slider, &Slider::valueResetRequested};
};

TEST_F(SliderTest, PressAwayFromThumbJumpsAndDragPastEndStopsAtMax) {
    press(&slider, QPoint(100, 12));
    ASSERT_EQ(changing.count(), 1);
    EXPECT_EQ(changing.last().at(0).toInt(), 7); // the control number travels along
    EXPECT_EQ(lastValue(changing), 50);
    EXPECT_TRUE(slider.isDragging());

    moveTo(&slider, QPoint(190, 12));
    EXPECT_EQ(lastValue(changing), 100);
    const int afterMax = changing.count();
    moveTo(&slider, QPoint(260, 12)); // beyond the track: still max, nothing new
    moveTo(&slider, QPoint(400, 12));
    EXPECT_EQ(changing.count(), afterMax);
    EXPECT_EQ(set.count(), 0); // value-set only on release

    release(&slider, QPoint(400, 12));
    ASSERT_EQ(set.count(), 1);
    EXPECT_EQ(lastValue(set), 100);
    EXPECT_FALSE(slider.isDragging());

    press(&slider, QPoint(-40, 12));
    moveTo(&slider, QPoint(-80, 12));
    release(&slider, QPoint(-80, 12));
    EXPECT_EQ(slider.position(), 0);
    EXPECT_EQ(lastValue(set), 0);
}

TEST_F(SliderTest, PressOnThumbKeepsGrabOffsetSoThumbDoesNotJump) {
    slider.setPosition(50);          // centre pixel 100
    press(&slider, QPoint(106, 12)); // 6 pixels right of the centre, inside the thumb
    EXPECT_EQ(changing.count(), 0);  // no jump, no nudge
    EXPECT_EQ(slider.position(), 50);

    moveTo(&slider, QPoint(124, 12)); // 18 pixels further: the centre goes to 118
    EXPECT_EQ(slider.position(), 60); // trunc((118 - 10) / 180 * 100)
    moveTo(&slider, QPoint(106, 12)); // back where the press was
    EXPECT_EQ(slider.position(), 50);
    release(&slider, QPoint(106, 12));
    EXPECT_EQ(lastValue(set), 50);
    EXPECT_EQ(changing.count(), 2);
}

TEST_F(SliderTest, KeysStepClampAndAlwaysSendValueSet) {
    slider.setPosition(50);
    key(&slider, Qt::Key_PageUp);
    EXPECT_EQ(lastValue(set), 30); // page 20
    key(&slider, Qt::Key_PageDown);
    key(&slider, Qt::Key_PageDown);
    EXPECT_EQ(lastValue(set), 70);
    key(&slider, Qt::Key_Left);
    key(&slider, Qt::Key_Up);
    EXPECT_EQ(lastValue(set), 68);
    key(&slider, Qt::Key_Right);
    key(&slider, Qt::Key_Down);
    EXPECT_EQ(lastValue(set), 70);
    key(&slider, Qt::Key_Home);
    EXPECT_EQ(lastValue(set), 0);
    key(&slider, Qt::Key_Left); // already at min: clamped, still reported
    EXPECT_EQ(lastValue(set), 0);

    key(&slider, Qt::Key_End);
    const int before = set.count();
    key(&slider, Qt::Key_End); // already at max: one more value-set
    EXPECT_EQ(set.count(), before + 1);
    EXPECT_EQ(lastValue(set), 100);
    EXPECT_EQ(changing.count(), 0); // keys never report value-changing
}

TEST_F(SliderTest, DisabledSliderIgnoresKeysAndMouseAndDoubleClickAsksForReset) {
    slider.setPosition(40);
    test::doubleClick(&slider, slider.thumbRect().center());
    ASSERT_EQ(reset.count(), 1);
    EXPECT_EQ(reset.last().at(1).toInt(), 40); // carries the unchanged value
    EXPECT_EQ(slider.position(), 40);

    slider.setEnabled(false);
    set.clear();
    changing.clear();
    key(&slider, Qt::Key_End);
    press(&slider, QPoint(10, 12));
    release(&slider, QPoint(10, 12));
    EXPECT_EQ(set.count(), 0);
    EXPECT_EQ(changing.count(), 0);
    EXPECT_EQ(slider.position(), 40);
}

TEST_F(SliderTest, PositionAndRangeAreClampedAndCaptionFollowsTheMode) {
    slider.setPosition(250);
    EXPECT_EQ(slider.position(), 100);
    slider.setPosition(-3);
    EXPECT_EQ(slider.position(), 0);
    slider.setRange(60, 10); // reversed: swapped, position pulled into range
    EXPECT_EQ(slider.minimum(), 10);
    EXPECT_EQ(slider.maximum(), 60);
    EXPECT_EQ(slider.position(), 10);
    EXPECT_EQ(changing.count() + set.count(), 0); // loading values emits nothing

    EXPECT_EQ(slider.captionText(), QString());
    slider.setRange(0, 60);
    slider.setCaptionMode(Slider::CaptionMode::Mapped); // onto 10 .. -50
    slider.setPosition(0);
    EXPECT_EQ(slider.captionText(), "10");
    slider.setPosition(60);
    EXPECT_EQ(slider.captionText(), "-50");
    slider.setRange(0, 7);
    slider.setPosition(1); // 10 - 60/7
    EXPECT_EQ(slider.captionText(), "1.43");
    slider.setCaptionMode(Slider::CaptionMode::Fixed);
    slider.setCaptionNumber(12);
    EXPECT_EQ(slider.captionText(), "12");
}

TEST(Fader, ReactsOnlyOnTheCapAndReachesBothEnds) {
    Fader fader;
    fader.setRange(0, 70);
    fader.resize(80, 300);
    fader.show();
    EXPECT_EQ(fader.trackMargins(), QMargins(32, 2, 0, 5));
    QSignalSpy changing(&fader, &Slider::valueChanging);
    QSignalSpy set(&fader, &Slider::valueSet);

    fader.setPosition(35);
    const QRect cap = fader.thumbRect();
    press(&fader, QPoint(cap.center().x(), cap.bottom() + 40)); // off the cap
    release(&fader, QPoint(cap.center().x(), cap.bottom() + 40));
    EXPECT_EQ(changing.count(), 0);
    EXPECT_EQ(set.count(), 0);
    EXPECT_EQ(fader.position(), 35);

    press(&fader, cap.center());
    moveTo(&fader, QPoint(cap.center().x(), -100));
    EXPECT_EQ(fader.position(), 0); // top
    moveTo(&fader, QPoint(cap.center().x(), 1000));
    EXPECT_EQ(fader.position(), 70); // bottom
    release(&fader, QPoint(cap.center().x(), 1000));
    EXPECT_EQ(lastValue(set), 70);
    EXPECT_EQ(changing.count(), 2);

    // The page keys move a fader by the common page of 20 positions, Up toward the top.
    key(&fader, Qt::Key_PageUp);
    EXPECT_EQ(lastValue(set), 50);
    key(&fader, Qt::Key_Up);
    EXPECT_EQ(lastValue(set), 49);
    key(&fader, Qt::Key_PageDown);
    EXPECT_EQ(fader.position(), 69);
}

// The binding between a control and its parameter, through the real edit service: what
// reaches the image, and which frames reach the device, when.
class BindingTest : public ::testing::Test {
protected:
    BindingTest() {
        ResetToStartupValues(image);
        edits.deviceReported(); // the start-up values are nobody's edit
    }
    std::vector<std::string> frames() {
        linked.waitIdle();
        bulk.waitIdle();
        return sink.frames();
    }
    DeviceImage image;
    test::RecordingSink sink;
    test::FakeClock clock;
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
};

TEST_F(BindingTest, KnobStoresWhileDraggedAndSendsOnReleaseFaderSendsEveryChange) {
    // A compressor threshold knob: the image follows the drag, one frame on release.
    Slider knob(Qt::Horizontal);
    knob.setRange(0, 60);
    knob.setThumbSize(QSize(20, 16));
    knob.resize(200, 24);
    ParameterBinding::bindSlider(&knob, edits, Param(ParamKind::CompThreshold), Channel::input(2));
    press(&knob, QPoint(100, 12));
    moveTo(&knob, QPoint(140, 12));
    const int dragged = image.inputs[2].comp.threshold;
    EXPECT_EQ(dragged, knob.position());
    EXPECT_TRUE(frames().empty());
    release(&knob, QPoint(140, 12));
    ASSERT_EQ(frames().size(), 1u);
    EXPECT_EQ(frames()[0].substr(0, 9), "%C,01,03,");  // CH3's compressor
    EXPECT_EQ(test::fieldOf(frames()[0], 5), dragged); // its threshold

    // A fader sends on every change and on the release, each frame reading the image.
    sink.clear();
    Fader fader;
    fader.setRange(0, 70);
    fader.resize(80, 300);
    auto* b =
        ParameterBinding::bindSlider(&fader, edits, Param(ParamKind::OutGain), Channel::output(1));
    const QPoint cap = fader.thumbRect().center();
    press(&fader, cap);
    moveTo(&fader, cap + QPoint(0, 20));
    moveTo(&fader, cap + QPoint(0, 40));
    release(&fader, cap + QPoint(0, 40));
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 3u); // two changes and the release
    EXPECT_EQ(sent[0].substr(0, 6), "%A,01,");
    EXPECT_EQ(test::fieldOf(sent[0], 2), 22); // bus 2 travels as 22 in the level frame
    EXPECT_EQ(test::fieldOf(sent[2], 4), image.outputs[1].gain);
    EXPECT_EQ(sent[1], sent[2]);
    // The whole drag, three frames, is one undo step back to where it started, and so is
    // the knob's.
    ASSERT_EQ(edits.history().undoSteps().size(), 2u);
    const EditStep& drag = edits.history().undoSteps().back();
    ASSERT_EQ(drag.fields.size(), 1u);
    EXPECT_EQ(drag.fields[0].after, image.outputs[1].gain);
    EXPECT_NE(drag.fields[0].before, drag.fields[0].after);

    // Both ways: the control follows the image, and a binding moved to another channel
    // edits that channel.
    image.outputs[3].gain = 12;
    b->setChannel(Channel::output(3));
    EXPECT_EQ(fader.position(), 12);
}

TEST_F(BindingTest, ListsAndTogglesShowWhatTheImageTookAndNothingGoesOutOffline) {
    DropList list;
    list.setItems({"ANALOG", "D1", "D2", "D3", "D4"});
    ParameterBinding::bindList(&list, edits, Param(ParamKind::Source), Channel::input(0));
    EditResult last;
    auto* other = ParameterBinding::bindList(new DropList(&list), edits, Param(ParamKind::Source),
                                             Channel::input(5));
    other->setOnEdited([&](const EditResult& r) { last = r; });
    EXPECT_FALSE(other->choose(2).refused());
    // CH1 may not take D2 while CH6 holds it: refused, and the list snaps back.
    list.setSelection(2);
    emit list.listSelected(0, 2);
    EXPECT_EQ(image.inputs[0].source, 0);
    EXPECT_EQ(list.selection(), 0);
    EXPECT_TRUE(other->choose(3).changed());
    EXPECT_EQ(last.status, EditResult::Status::Changed);

    sink.online = false;
    sink.clear();
    ToggleButton fbk(QStringLiteral("FBK"));
    auto* t =
        ParameterBinding::bindToggle(&fbk, edits, Param(ParamKind::Feedback), Channel::output(0));
    emit fbk.clicked(0);
    EXPECT_EQ(image.outputs[0].outK, 1);
    EXPECT_TRUE(fbk.state());
    EXPECT_TRUE(frames().empty()); // a change made offline stays in the image
    image.outputs[0].outK = 0;
    t->load();
    EXPECT_FALSE(fbk.state());
}

TEST(Fader, WheelStepsOnlyAFocusedFaderOnePositionPerNotch) {
    QScrollArea area;
    auto* page = new QWidget;
    page->resize(120, 1200);
    auto* fader = new Fader(page);
    fader->setRange(0, 70);
    fader->setGeometry(10, 10, 80, 300);
    area.setWidget(page);
    area.resize(140, 400);
    area.show();
    fader->setPosition(30);
    QSignalSpy set(fader, &Slider::valueSet);

    // Without the focus the wheel scrolls the page, never the fader.
    EXPECT_EQ(test::wheelOver(fader, -120), area.viewport());
    EXPECT_EQ(fader->position(), 30);
    EXPECT_EQ(set.count(), 0);
    EXPECT_GT(area.verticalScrollBar()->value(), 0);

    ASSERT_TRUE(test::focus(fader));
    area.verticalScrollBar()->setValue(0);
    EXPECT_EQ(test::wheelOver(fader, 120), fader); // a notch up: the cap one position up
    EXPECT_EQ(fader->position(), 29);
    EXPECT_EQ(lastValue(set), 29);
    test::wheel(fader, -60); // half a notch: nothing yet
    EXPECT_EQ(set.count(), 1);
    test::wheel(fader, -60);
    EXPECT_EQ(fader->position(), 30);
    test::wheel(fader, -360); // three notches in one event: three steps
    EXPECT_EQ(fader->position(), 33);
    EXPECT_EQ(set.count(), 5);
    EXPECT_EQ(area.verticalScrollBar()->value(), 0); // the page stayed put

    Slider knob(Qt::Horizontal);
    knob.setRange(0, 100);
    knob.resize(200, 24);
    knob.show();
    knob.setPosition(50);
    ASSERT_TRUE(test::focus(&knob));
    test::wheel(&knob, 120); // a notch up raises a horizontal slider's value
    EXPECT_EQ(knob.position(), 51);
}

TEST(Fader, DoubleClickReturnsToZeroDecibelsAndIsSentLikeARelease) {
    Fader fader;
    fader.setRange(kFaderPositions.min, kFaderPositions.max);
    fader.resize(80, 300);
    fader.show();
    std::vector<int> sent;
    // What a binding sends on: the release's valueSet.
    QObject::connect(&fader, &Slider::valueSet, [&](int, int v) { sent.push_back(v); });
    QSignalSpy reset(&fader, &Slider::valueResetRequested);
    const int zeroDb = faderPositionFromCode(kFaderZeroCode);
    EXPECT_EQ(fader.homePosition(), zeroDb);

    fader.setPosition(55);
    test::doubleClick(&fader, QPoint(60, 20)); // on the track, away from the cap
    EXPECT_EQ(fader.position(), zeroDb);
    EXPECT_EQ(faderDb(faderCodeFromPosition(fader.position())), 0);
    EXPECT_EQ(sent, (std::vector<int>{zeroDb}));

    // On the cap: the first click of the pair is an ordinary press and release.
    fader.setPosition(3);
    sent.clear();
    test::doubleClick(&fader, fader.thumbRect().center());
    EXPECT_EQ(fader.position(), zeroDb);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), zeroDb);
    EXPECT_EQ(reset.count(), 0); // the fader resets itself

    fader.setEnabled(false);
    fader.setPosition(40);
    sent.clear();
    test::doubleClick(&fader, QPoint(60, 20));
    EXPECT_EQ(fader.position(), 40);
    EXPECT_TRUE(sent.empty());
}

} // namespace
} // namespace krm::ui
