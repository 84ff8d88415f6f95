#pragma once
// The arithmetic shared by the slider controls and the wheel-driven lists: where the
// thumb of a value sits on the track, which value a pointer pixel means, and the wheel
// accumulator that turns wheel deltas into whole steps. Pure functions and one small value
// class; no widgets, any thread.

namespace krm::ui {

// One track, measured along the slider's axis in pixels.
struct TrackGeometry {
    int length = 0;     // track length in pixels (widget width or height)
    int lowMargin = 0;  // pixels kept free at the low end (left, or top for vertical)
    int highMargin = 0; // pixels kept free at the high end
    int thumbLength = 0;
    int min = 0;
    int max = 100;

    // Pixels the thumb centre can travel; never below 1 so a tiny widget cannot divide by 0.
    int span() const;
    // Thumb centre of value v: lowMargin + trunc((v - min) / (max - min) * span) + thumb/2.
    int centreOf(int value) const;
    // Value under pixel p (the pointer already corrected by any grab offset):
    // trunc((p - thumb/2 - lowMargin) / span * (max - min) + min), clamped to min..max.
    int valueAt(int pixel) const;
    // The pixel range the thumb centre may occupy: the track between the margins.
    int lowestCentre() const { return lowMargin + thumbLength / 2; }
    int highestCentre() const { return lowMargin + thumbLength / 2 + span(); }
};

// Wheel deltas add up to whole steps of 120 (one notch). The total is kept within
// +-120; reaching -120 means one step forward (down the list), +120 one step back.
class WheelAccumulator {
public:
    // Adds a wheel delta; returns +1 (next item), -1 (previous item) or 0 (no step yet).
    int add(int delta);
    int pending() const { return m_total; }
    void reset() { m_total = 0; }

private:
    int m_total = 0;
};

} // namespace krm::ui
