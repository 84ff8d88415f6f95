#include "link/discovery.h"

#include <utility>

namespace krm {

bool IsSearchReply(std::string_view frame) {
    if (frame.size() < 3 || frame[0] != '%' || frame[1] != 'R' || frame[2] != ',' ||
        !FrameChecksumOk(frame))
        return false;
    // Fields between commas: 0 the letter, 1 the address, 2 the value, last the checksum.
    std::size_t start = 0;
    for (int field = 0; field < 2; ++field) {
        start = frame.find(',', start);
        if (start == std::string_view::npos)
            return false;
        ++start;
    }
    const auto end = frame.find(',', start);
    if (end == std::string_view::npos)
        return false;
    const std::string_view value = frame.substr(start, end - start);
    if (value.size() != 4)
        return false;
    int number = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (c - '0');
    }
    return number == 1;
}

DiscoveryWorker::DiscoveryWorker(Clock& clock, InterfaceLister interfaces, Post post,
                                 DiscoveryEvents& events)
    : m_clock(clock), m_interfaces(std::move(interfaces)), m_post(std::move(post)),
      m_events(events) {}

DiscoveryWorker::~DiscoveryWorker() {
    stop();
}

void DiscoveryWorker::post(std::function<void(DiscoveryEvents&)> event) {
    DiscoveryEvents& events = m_events;
    m_post([&events, event = std::move(event)] { event(events); });
}

bool DiscoveryWorker::start() {
    stop();
    std::string error;
    if (!m_socket.open(Endpoint{0, m_localPort}, &error)) {
        post([error](DiscoveryEvents& e) { e.socketError(error); });
        return false;
    }
    m_boundPort.store(m_socket.localEndpoint().port, std::memory_order_release);
    m_splitters.clear();
    m_found.clear();
    auto targets =
        SweepTargets(m_interfaces ? m_interfaces() : std::vector<Ipv4Interface>{}, m_devicePort);
    m_stop.store(false, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
    m_sweeping.store(true, std::memory_order_release);
    m_thread = std::thread(&DiscoveryWorker::run, this, std::move(targets));
    return true;
}

void DiscoveryWorker::stop() {
    if (m_thread.joinable()) {
        m_stop.store(true, std::memory_order_release);
        m_socket.wake();
        m_thread.join();
    }
    m_socket.close();
    m_boundPort.store(0, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
    m_sweeping.store(false, std::memory_order_release);
}

void DiscoveryWorker::run(std::vector<Endpoint> targets) {
    const int total = static_cast<int>(targets.size());
    post([total](DiscoveryEvents& e) { e.searchStarted(total); });
    int done = 0;
    for (const Endpoint& target : targets) {
        if (m_stop.load(std::memory_order_acquire))
            return;
        // Sent twice: a single lost datagram must not hide a device.
        for (int i = 0; i < kRequestsPerHost; ++i)
            m_socket.sendTo(target, kSearchRequest);
        ++done;
        post([done, total](DiscoveryEvents& e) { e.searchProgress(done, total); });
        drainReplies();
        m_clock.sleepFor(kHostPause);
    }
    m_sweeping.store(false, std::memory_order_release);
    post([](DiscoveryEvents& e) { e.sweepFinished(); });
    // Replies that come after the sweep are still listed until the next search or a
    // connect stops the worker.
    while (!m_stop.load(std::memory_order_acquire)) {
        if (m_socket.waitReadable(1000))
            drainReplies();
    }
}

void DiscoveryWorker::drainReplies() {
    while (!m_stop.load(std::memory_order_acquire)) {
        auto datagram = m_socket.receive();
        if (!datagram)
            return;
        const std::uint32_t sender = datagram->from.address;
        m_splitters[sender].split(DatagramText(datagram->data), [&](std::string_view frame) {
            if (!IsSearchReply(frame) || !m_found.insert(sender).second)
                return;
            const Endpoint device{sender, m_devicePort};
            post([device](DiscoveryEvents& e) { e.deviceFound(device); });
        });
    }
}

} // namespace krm
