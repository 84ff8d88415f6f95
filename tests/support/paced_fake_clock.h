#pragma once
// A fake clock that also lets a little real time pass per pause.

#include "tests/support/fake_clock.h"

#include <chrono>
#include <functional>
#include <thread>

namespace krm::test {

// Fake time for the sequence's pauses, plus a millisecond of real time per pause: the
// datagrams then reach the device at a pace its socket buffer takes even on a busy
// machine (a burst of 300 would overflow it, which the device's real pauses never do).
class PacedFakeClock final : public Clock {
public:
    // Runs on the thread that pauses, before the pause: lets a test act at an exact point
    // of a sequence instead of racing it from another thread.
    using PauseHook = std::function<void(Millis)>;

    explicit PacedFakeClock(FakeClock& inner) : m_inner(inner) {}
    Millis now() const override { return m_inner.now(); }
    void sleepFor(Millis d) override {
        if (m_onPause)
            m_onPause(d);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_inner.sleepFor(d);
    }
    // Set while no sequence runs.
    void setPauseHook(PauseHook hook) { m_onPause = std::move(hook); }

private:
    FakeClock& m_inner;
    PauseHook m_onPause;
};

} // namespace krm::test
