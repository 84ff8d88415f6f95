#pragma once
// MarkerSend: when a dragged graph marker or bar sends its frame. The editor stores every
// position in the image itself and tells MarkerSend what the pointer did; MarkerSend calls
// `send` for the item whose frame is due: at most once per 100 ms while the drag moves, at
// once on release, and from the editor's 50 ms tick once a drag held still has settled
// (SendThrottle's rules). The editor decides what a send carries at each moment (the
// channel's own frame while dragging, the linked members too at the end).
//
// A drag is one undo step: from its first move to its release (or to its settling, when
// the release may never come) the edit service's steps are held together.
//
// UI thread only.

#include "model/edit_service.h"
#include "model/send_throttle.h"

#include <functional>
#include <memory>

namespace krm::ui {

class MarkerSend {
public:
    enum class Moment {
        Drag,    // the drag is moving
        Release, // the button was let go
        Settled, // the drag stopped moving without a release
    };
    using Send = std::function<void(int item, Moment moment)>;

    MarkerSend(EditService& edits, Clock& clock, Send send)
        : m_edits(edits), m_throttle(clock), m_send(std::move(send)) {}

    // The item was stored at a new position while the button is held. True when its frame
    // went out now; false leaves it pending.
    bool moved(int item) {
        if (!m_drag)
            m_drag = std::make_unique<EditService::StepScope>(m_edits);
        if (!m_throttle.moved(item))
            return false;
        m_send(item, Moment::Drag);
        return true;
    }
    // The button was let go on the item (already stored).
    void released(int item) {
        m_throttle.released();
        m_send(item, Moment::Release);
        m_drag.reset();
    }
    // The editor shows another channel: what was pending of the old one is dropped.
    void cancel() {
        m_throttle.released();
        m_drag.reset();
    }
    // Body of the editor's timer.
    void tick() {
        const int item = m_throttle.due();
        if (item == SendThrottle::kNone)
            return;
        m_send(item, Moment::Settled);
        m_drag.reset();
    }
    bool dragging() const { return m_throttle.dragging(); }

private:
    EditService& m_edits;
    SendThrottle m_throttle;
    Send m_send;
    std::unique_ptr<EditService::StepScope> m_drag;
};

} // namespace krm::ui
