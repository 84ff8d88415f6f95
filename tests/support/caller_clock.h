#pragma once
// A fake clock that also counts the pauses taken on the thread that made it: a test of a
// paced path checks that every pause was left to a sender's worker and the caller (the
// user-interface thread) never slept.

#include "tests/support/fake_clock.h"

#include <atomic>
#include <thread>

namespace krm::test {

class CallerClock final : public Clock {
public:
    Millis now() const override { return m_clock.now(); }
    void sleepFor(Millis d) override {
        if (std::this_thread::get_id() == m_owner)
            ++callerSleeps;
        m_clock.sleepFor(d);
    }
    std::atomic<int> callerSleeps{0};

private:
    FakeClock m_clock;
    std::thread::id m_owner = std::this_thread::get_id();
};

} // namespace krm::test
