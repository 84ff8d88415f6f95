#pragma once
// Test FrameSink: keeps every frame sent and the clock's time of each, so paced tests can
// check the pauses between frames. Online unless a test (or a worker) switches it off — or,
// as a tap in front of a real link, passes every frame on and is online when the link is.

#include "link/clock.h"
#include "link/frame_sink.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace krm::test {

class TimedSink final : public FrameSink {
public:
    explicit TimedSink(Clock& clock, FrameSink* passOnTo = nullptr)
        : m_clock(clock), m_next(passOnTo) {}
    bool SendFrame(std::string_view frame) override {
        {
            std::lock_guard lock(m_mutex);
            m_frames.emplace_back(frame);
            m_times.push_back(m_clock.now());
        }
        return m_next ? m_next->SendFrame(frame) : true;
    }
    bool isOnline() const override { return m_next ? m_next->isOnline() : online.load(); }

    std::vector<std::string> frames() const {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    std::vector<Millis> times() const {
        std::lock_guard lock(m_mutex);
        return m_times;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_frames.clear();
        m_times.clear();
    }

    std::atomic<bool> online{true};

private:
    Clock& m_clock;
    FrameSink* m_next;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_frames;
    std::vector<Millis> m_times;
};

} // namespace krm::test
