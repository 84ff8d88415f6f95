#pragma once
// A stand-in for devices answering the search request: one socket on a loopback address
// and a thread that answers each "%R,01,01,A0A1#" with the configured replies and counts
// the requests it got. Stops and joins in its destructor.

#include "link/discovery.h"
#include "link/udp_socket.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm::test {

class FakeResponder {
public:
    // Binds address:port (port 0 = ephemeral); replies go back to each request's sender.
    FakeResponder(Endpoint at, std::vector<std::string> replies) : m_replies(std::move(replies)) {
        m_ok = m_socket.open(at);
        if (m_ok)
            m_thread = std::thread([this] { run(); });
    }
    ~FakeResponder() {
        m_stop = true;
        m_socket.wake();
        if (m_thread.joinable())
            m_thread.join();
    }
    FakeResponder(const FakeResponder&) = delete;
    FakeResponder& operator=(const FakeResponder&) = delete;

    bool ok() const { return m_ok; }
    Endpoint endpoint() const { return m_socket.localEndpoint(); }
    int requests() const { return m_requests.load(); }
    int otherDatagrams() const { return m_other.load(); }

private:
    void run() {
        while (!m_stop) {
            if (!m_socket.waitReadable(1000))
                continue;
            while (auto d = m_socket.receive()) {
                if (d->data != kSearchRequest) {
                    ++m_other;
                    continue;
                }
                ++m_requests;
                for (const auto& reply : m_replies)
                    m_socket.sendTo(d->from, reply);
            }
        }
    }

    UdpSocket m_socket;
    std::vector<std::string> m_replies;
    bool m_ok = false;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    std::atomic<int> m_other{0};
    std::thread m_thread;
};

} // namespace krm::test
