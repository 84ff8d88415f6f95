#pragma once
// Test clock: time moves only when a test (or a sleep) moves it.

#include "link/clock.h"

#include <atomic>

namespace krm::test {

class FakeClock final : public Clock {
public:
    Millis now() const override { return Millis(m_now.load()); }
    void sleepFor(Millis d) override { m_now += d.count(); }
    void advance(Millis d) { m_now += d.count(); }

private:
    std::atomic<long long> m_now{1'000'000};
};

} // namespace krm::test
