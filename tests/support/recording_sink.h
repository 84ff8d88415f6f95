#pragma once
// Test FrameSink: keeps every frame sent, in order.

#include "link/frame_sink.h"

#include <mutex>
#include <string>
#include <vector>

namespace krm::test {

class RecordingSink final : public FrameSink {
public:
    bool SendFrame(std::string_view frame) override {
        std::lock_guard lock(m_mutex);
        m_frames.emplace_back(frame);
        return true;
    }
    bool isOnline() const override { return online; }

    std::vector<std::string> frames() const {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_frames.clear();
    }

    bool online = true;

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_frames;
};

} // namespace krm::test
