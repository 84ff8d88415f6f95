#include "link/clock.h"

#include <thread>

namespace krm {

Millis SteadyClock::now() const {
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now().time_since_epoch());
}

void SteadyClock::sleepFor(Millis duration) {
    std::this_thread::sleep_for(duration);
}

Clock& systemClock() {
    static SteadyClock clock;
    return clock;
}

} // namespace krm
