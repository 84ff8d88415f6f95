#include "sim/activity.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace krm::sim {

SimActivity::SimActivity(std::uint32_t seed) : m_rng(seed) {
    // Two talkers from the start, so that meters move as soon as reports begin.
    m_talking[0] = m_talking[1] = true;
}

StatusReport SimActivity::next(const DeviceImage& image) {
    StatusReport report;
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> jitter(-4, 4);
    ++m_step;

    for (int c = 0; c < kInputCount; ++c) {
        auto& level = m_level[static_cast<std::size_t>(c)];
        int target;
        if (IsMicInput(c)) {
            auto talking = m_talking[static_cast<std::size_t>(c)];
            // A talker stops now and then; a quiet microphone starts rarely.
            if (percent(m_rng) < (talking ? 4 : 1))
                talking = !talking;
            m_talking[static_cast<std::size_t>(c)] = talking;
            target = talking ? 45 + (c * 7) % 20 : 4;
        } else {
            const double phase = m_step * 0.05 + c;
            target = 40 + static_cast<int>(12 * std::sin(phase * std::numbers::pi / 2));
        }
        // Move a third of the way towards the target, with a little noise.
        level = std::clamp(level + (target - level) / 3 + jitter(m_rng), 0, 90);
        report.inputMeters[static_cast<std::size_t>(c)] = level;
    }

    for (int o = 0; o < kOutputCount; ++o) {
        const OutputChannel& out = image.outputs[static_cast<std::size_t>(o)];
        int loudest = 0;
        for (int c = 0; c < kInputCount; ++c) {
            const InputChannel& in = image.inputs[static_cast<std::size_t>(c)];
            if (in.mute == 0 && in.matrix[static_cast<std::size_t>(o)] != 0)
                loudest = std::max(loudest, m_level[static_cast<std::size_t>(c)]);
        }
        // The fader moves the bus level: code 60 is 0 dB. Beyond -200..300 the level is
        // already pinned at 0 or 90, so bounding the code first changes no result and
        // keeps a fader of any 32-bit value from overflowing.
        const int gain = std::clamp(out.gain, -200, 300);
        const int level = out.mute != 0 ? 0 : loudest + (gain - 60) / 2;
        report.outputMeters[static_cast<std::size_t>(o)] = std::clamp(level, 0, 90);
    }

    // Auto-mixer: loud, unmuted microphones; priority channels first, then the loudest.
    std::vector<int> candidates;
    for (int c = 0; c < kMicInputCount; ++c)
        if (image.inputs[static_cast<std::size_t>(c)].mute == 0 &&
            m_level[static_cast<std::size_t>(c)] >= kOpenLevel)
            candidates.push_back(c);
    std::sort(candidates.begin(), candidates.end(), [&](int a, int b) {
        const int pa = image.inputs[static_cast<std::size_t>(a)].autoMixPriority;
        const int pb = image.inputs[static_cast<std::size_t>(b)].autoMixPriority;
        if (pa != pb)
            return pa > pb;
        return m_level[static_cast<std::size_t>(a)] > m_level[static_cast<std::size_t>(b)];
    });
    const auto maxOpen = static_cast<std::size_t>(std::max(1, image.maxOpenCh));
    if (candidates.size() > maxOpen)
        candidates.resize(maxOpen);
    for (int c : candidates) {
        if (c < 8)
            report.openCh1to8 = static_cast<std::uint8_t>(report.openCh1to8 | 1u << c);
        else
            report.openCh9to16 = static_cast<std::uint8_t>(report.openCh9to16 | 1u << (c - 8));
    }
    if (!candidates.empty())
        m_lastOpen = candidates.front() + 1;
    report.heldChannel = candidates.empty() && image.lastHold == 1 ? m_lastOpen : 0;
    return report;
}

} // namespace krm::sim
