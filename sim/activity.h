#pragma once
// SimActivity: what the virtual device's status reports say. Each step is one report:
// microphones CH1..CH16 take turns talking (levels rise and fall), the line inputs carry
// a slow programme level, the buses follow the inputs routed to them, and the
// auto-mixer opens the loudest talkers (priority channels first, at most `maxOpenCh`)
// and, with last-hold on, names the last open channel while none is open.
//
// Deterministic for a seed. Not thread-safe: one owner (the device core).

#include "model/device_image.h"
#include "model/reports.h"

#include <array>
#include <cstdint>
#include <random>

namespace krm::sim {

class SimActivity {
public:
    explicit SimActivity(std::uint32_t seed = 1);

    // The next report for the image's current settings.
    StatusReport next(const DeviceImage& image);

    // A talker must be at least this loud for the auto-mixer to open its channel.
    static constexpr int kOpenLevel = 30;

private:
    std::mt19937 m_rng;
    std::array<bool, kMicInputCount> m_talking{};
    std::array<int, kInputCount> m_level{};
    int m_step = 0;
    int m_lastOpen = 0; // 1..16, 0 before any channel opened
};

} // namespace krm::sim
