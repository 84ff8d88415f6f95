// Slider, Fader and SliderBinding: value <-> pixel arithmetic, mouse drags, keys and
// what reaches the page.
#include "kit/fader.h"
#include "kit/slider.h"
#include "kit/slider_binding.h"
#include "kit/slider_math.h"
#include "tests/kit/kit_events.h"

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

TEST(SliderBinding, SendsOnReleaseOnlyOrOnEveryChangeAsBound) {
    Slider knob(Qt::Horizontal);
    knob.setRange(0, 100);
    knob.setThumbSize(QSize(20, 16));
    knob.resize(200, 24);
    std::vector<int> stored, sentKnob;
    new SliderBinding(
        &knob, SendOn::Release, [&](int v) { stored.push_back(v); },
        [&](int v) { sentKnob.push_back(v); });
    press(&knob, QPoint(100, 12));
    moveTo(&knob, QPoint(120, 12));
    release(&knob, QPoint(120, 12));
    EXPECT_EQ(stored, (std::vector<int>{50, 61, 61}));
    EXPECT_EQ(sentKnob, (std::vector<int>{61}));

    Fader fader;
    fader.setRange(0, 70);
    fader.resize(80, 300);
    std::vector<int> sentFader;
    new SliderBinding(&fader, SendOn::Change, nullptr, [&](int v) { sentFader.push_back(v); });
    const QPoint cap = fader.thumbRect().center();
    press(&fader, cap);
    moveTo(&fader, cap + QPoint(0, 20));
    moveTo(&fader, cap + QPoint(0, 40));
    release(&fader, cap + QPoint(0, 40));
    ASSERT_EQ(sentFader.size(), 3u); // two changes and the release
    EXPECT_EQ(sentFader[1], sentFader[2]);
    EXPECT_EQ(sentFader[2], fader.position());
    EXPECT_GT(sentFader[1], sentFader[0]);
}

} // namespace
} // namespace krm::ui
