#pragma once
// MarkerSend: when a dragged graph marker or bar sends its frame. The editor stores every
// position in the image itself and tells MarkerSend what the pointer did; MarkerSend calls
// `send` for the item whose frame is due: at most once per 100 ms while the drag moves, at
// once on release, and from the editor's 50 ms tick once a drag held still has settled
// (SendThrottle's rules). The editor decides what a send carries at each moment (the
// channel's own frame while dragging, the linked members too at the end).
//
// UI thread only.

#include "model/send_throttle.h"

#include <functional>

namespace krm::ui {

class MarkerSend {
public:
    enum class Moment {
        Drag,    // the drag is moving
        Release, // the button was let go
        Settled, // the drag stopped moving without a release
    };
    using Send = std::function<void(int item, Moment moment)>;

    MarkerSend(Clock& clock, Send send) : m_throttle(clock), m_send(std::move(send)) {}

    // The item was stored at a new position while the button is held. True when its frame
    // went out now; false leaves it pending.
    bool moved(int item) {
        if (!m_throttle.moved(item))
            return false;
        m_send(item, Moment::Drag);
        return true;
    }
    // The button was let go on the item (already stored).
    void released(int item) {
        m_throttle.released();
        m_send(item, Moment::Release);
    }
    // The editor shows another channel: what was pending of the old one is dropped.
    void cancel() { m_throttle.released(); }
    // Body of the editor's timer.
    void tick() {
        const int item = m_throttle.due();
        if (item != SendThrottle::kNone)
            m_send(item, Moment::Settled);
    }
    bool dragging() const { return m_throttle.dragging(); }

private:
    SendThrottle m_throttle;
    Send m_send;
};

} // namespace krm::ui
