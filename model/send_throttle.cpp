#include "model/send_throttle.h"

namespace krm {

bool SendThrottle::moved(int item) {
    const Millis now = m_clock.now();
    if (!m_dragging) {
        m_dragging = true;
        m_lastSend = now;
    }
    m_lastChange = now;
    if (now - m_lastSend > kDragInterval) {
        m_lastSend = now;
        m_pending = kNone;
        return true;
    }
    m_pending = item;
    return false;
}

void SendThrottle::released() {
    m_dragging = false;
    m_pending = kNone;
}

int SendThrottle::due() {
    if (m_pending == kNone || m_clock.now() - m_lastChange <= kSettle)
        return kNone;
    const int item = m_pending;
    m_pending = kNone;
    // The drag has stopped: a later move starts a new interval.
    m_dragging = false;
    return item;
}

} // namespace krm
