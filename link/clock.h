#pragma once
// The one source of time for link supervision and paced sends. Production code uses
// SteadyClock; tests inject a fake so that 5 s and 10 s timeouts run instantly.
// Time-outs are measured on a monotonic clock, never the time of day.

#include <chrono>

namespace krm {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    // Monotonic time since an arbitrary epoch.
    virtual Millis now() const = 0;
    // Blocks the calling thread (a fake clock advances instead).
    virtual void sleepFor(Millis duration) = 0;
};

class SteadyClock final : public Clock {
public:
    Millis now() const override;
    void sleepFor(Millis duration) override;
};

// A process-wide steady clock for code that is not handed one.
Clock& systemClock();

} // namespace krm
