#pragma once
// A fake clock whose pauses wait until the test lets them go: a paced sequence stays
// "playing" at its first pause while the test acts, then runs through in no time.

#include "tests/support/fake_clock.h"

#include <condition_variable>
#include <mutex>

namespace krm::test {

class HeldClock final : public Clock {
public:
    Millis now() const override { return m_inner.now(); }
    void sleepFor(Millis d) override {
        {
            std::unique_lock lock(m_mutex);
            ++m_waiting;
            m_cv.notify_all();
            m_cv.wait(lock, [this] { return m_released; });
        }
        m_inner.sleepFor(d);
    }
    // Blocks until `n` pauses have begun (a worker is held in each).
    void waitHeld(int n) {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [&] { return m_waiting >= n; });
    }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }

private:
    FakeClock m_inner;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_waiting = 0;
    bool m_released = false;
};

} // namespace krm::test
