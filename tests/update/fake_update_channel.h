#pragma once
// Test UpdateChannel: records every datagram sent (with the fake clock's time) and hands
// out replies that a script queued, each from the moment it is due.

#include "tests/support/fake_clock.h"
#include "update/update_channel.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace krm::test {

class FakeUpdateChannel final : public UpdateChannel {
public:
    struct Sent {
        Millis at;
        std::string data;
    };

    explicit FakeUpdateChannel(FakeClock& clock) : m_clock(clock) {}

    // Called after each datagram is recorded; the script answers through reply().
    std::function<void(std::string_view datagram)> onSend;
    // Called at every read, before it looks for a reply (a test may stop a run here).
    std::function<void(int readNumber)> onRead;

    // A reply that read() returns from delay after now on, after the replies due earlier.
    void reply(std::string text, Millis delay = Millis{0}) {
        const Millis due = m_clock.now() + delay;
        auto at = m_waiting.begin();
        while (at != m_waiting.end() && at->due <= due)
            ++at;
        m_waiting.insert(at, Waiting{due, std::move(text)});
    }

    bool send(std::string_view datagram) override {
        sent.push_back({m_clock.now(), std::string(datagram)});
        if (onSend)
            onSend(datagram);
        return true;
    }

    std::optional<std::string> read(std::size_t maxBytes) override {
        ++reads;
        if (onRead)
            onRead(reads);
        if (m_waiting.empty() || m_waiting.front().due > m_clock.now())
            return std::nullopt;
        std::string d = std::move(m_waiting.front().text);
        m_waiting.pop_front();
        if (d.size() > maxBytes)
            d.resize(maxBytes);
        return d;
    }

    std::size_t waiting() const { return m_waiting.size(); }

    std::vector<Sent> sent;
    int reads = 0;

private:
    struct Waiting {
        Millis due;
        std::string text;
    };
    FakeClock& m_clock;
    std::deque<Waiting> m_waiting;
};

} // namespace krm::test
