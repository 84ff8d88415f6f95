#pragma once
// Test FrameSink: keeps every frame sent and the clock's time of each, so paced tests can
// check the pauses between frames. Online unless a test (or a worker) switches it off.

#include "link/clock.h"
#include "link/frame_sink.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace krm::test {

class TimedSink final : public FrameSink {
public:
    explicit TimedSink(Clock& clock) : m_clock(clock) {}
    bool SendFrame(std::string_view frame) override {
        std::lock_guard lock(m_mutex);
        m_frames.emplace_back(frame);
        m_times.push_back(m_clock.now());
        return true;
    }
    bool isOnline() const override { return online.load(); }

    std::vector<std::string> frames() const {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    std::vector<Millis> times() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }

    std::atomic<bool> online{true};

private:
    Clock& m_clock;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_frames;
    std::vector<Millis> m_times;
};

} // namespace krm::test
