#pragma once
// SendThrottle: how often a dragged graph marker or bar sends its frame. While the drag
// moves, at most one frame per 100 ms goes out (counted from the start of the drag or the
// last frame sent in it) and a change in between stays pending; the release sends the last
// value at once; a drag that stops without a release (the button held still, the pointer
// lost) has its pending value sent by the editor's 50 ms timer once 200 ms have passed
// since the last change. `item` names what is pending (a band, a filter, a bar), so the
// timer knows which frame to send.
//
// Time comes from the injected clock. UI thread only.

#include "link/clock.h"

namespace krm {

class SendThrottle {
public:
    static constexpr Millis kDragInterval{100};
    static constexpr Millis kSettle{200};
    static constexpr int kNone = -1;

    explicit SendThrottle(Clock& clock) : m_clock(clock) {}

    // A move while the button is held: true when the frame of `item` goes out now (the
    // caller sends it); false leaves it pending.
    bool moved(int item);
    // The button is let go: the caller sends the final frame; nothing stays pending.
    void released();
    // Body of the 50 ms timer: the item whose frame is due now (then no longer pending),
    // or kNone.
    int due();

    bool dragging() const { return m_dragging; }
    int pendingItem() const { return m_pending; }

private:
    Clock& m_clock;
    bool m_dragging = false;
    int m_pending = kNone;
    Millis m_lastSend{0}; // the start of the drag, then each frame sent in it
    Millis m_lastChange{0};
};

} // namespace krm
