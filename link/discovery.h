#pragma once
// DiscoveryWorker: finds KRM-416X devices by sweeping this computer's /24 networks with
// the search request "%R,01,01,A0A1#" and listing every address that answers with a
// search reply.
//
// Threads: start()/stop() and the setters on the owner (user-interface) thread. The
// sweep and the reply listener run on one worker thread; every DiscoveryEvents call is
// handed to the owner through the given Post, so the events run wherever the Post runs
// its tasks (the UI thread in the program). The worker binds the link's local port:
// stop the DeviceLink before start(), and stop the worker before DeviceLink::start().

#include "link/clock.h"
#include "link/frame.h"
#include "link/network_settings.h"
#include "link/post.h"
#include "link/udp_socket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace krm {

// The stored search request: letter R, address 01, value 01, checksum A0A1.
inline constexpr std::string_view kSearchRequest = "%R,01,01,A0A1#";

// A search reply: a checked frame with letter R whose field 2 (after the letter and the
// address) is exactly four decimal digits reading 1 ("0001").
bool IsSearchReply(std::string_view frame);

class DiscoveryEvents {
public:
    virtual ~DiscoveryEvents() = default;
    // A sweep of total hosts begins: show the progress bar, empty the device list.
    virtual void searchStarted(int total) = 0;
    // done of total hosts have been sent the request.
    virtual void searchProgress(int done, int total) = 0;
    // A device answered (address of the reply's sender, port = the device port). Each
    // address is reported once per search.
    virtual void deviceFound(const Endpoint& device) = 0;
    // The sweep has been sent: hide the progress bar. Late replies are still reported
    // until stop().
    virtual void sweepFinished() = 0;
    // The search socket could not be opened: "Winsock error!", caption "Warming".
    virtual void socketError(const std::string& reason) = 0;
};

class DiscoveryWorker {
public:
    using InterfaceLister = std::function<std::vector<Ipv4Interface>()>;

    static constexpr Millis kHostPause{5}; // after the two requests to one host
    static constexpr int kRequestsPerHost = 2;

    // interfaces: the networks to sweep; the program passes LocalIpv4Interfaces, tests a
    // list of loopback addresses. clock paces the sweep. events are posted through post.
    DiscoveryWorker(Clock& clock, InterfaceLister interfaces, Post post, DiscoveryEvents& events);
    ~DiscoveryWorker(); // stops and joins
    DiscoveryWorker(const DiscoveryWorker&) = delete;
    DiscoveryWorker& operator=(const DiscoveryWorker&) = delete;

    // Local port of the search socket (39050; 0 = ephemeral) and the devices' port.
    void setLocalPort(std::uint16_t port) { m_localPort = port; }
    void setDevicePort(std::uint16_t port) { m_devicePort = port; }

    // Stops a running search, opens the search socket on the calling thread and starts
    // the worker. False (socketError posted) when the socket cannot be opened.
    bool start();
    // Ends the sweep and the listener promptly (poll with a wake-up fd) and joins.
    void stop();
    // True from a successful start() until stop() has joined the worker.
    bool running() const { return m_running.load(std::memory_order_acquire); }
    // True while the sweep's requests go out; after it the worker only lists late replies,
    // and may be stopped without losing a host of the sweep. Any thread.
    bool sweeping() const { return m_sweeping.load(std::memory_order_acquire); }
    // Port the search socket is bound to while running, else 0.
    std::uint16_t boundPort() const { return m_boundPort.load(std::memory_order_acquire); }

private:
    void run(std::vector<Endpoint> targets);
    void drainReplies();
    void post(std::function<void(DiscoveryEvents&)> event);

    Clock& m_clock;
    InterfaceLister m_interfaces;
    Post m_post;
    DiscoveryEvents& m_events;
    std::uint16_t m_localPort = kDevicePort;
    std::uint16_t m_devicePort = kDevicePort;

    UdpSocket m_socket; // opened before the worker starts, closed after it is joined
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_sweeping{false};
    std::atomic<std::uint16_t> m_boundPort{0};

    // Worker thread only: pending text per sender, so that two devices' partial replies
    // never join into one frame; and the addresses already reported.
    std::map<std::uint32_t, FrameSplitter> m_splitters;
    std::set<std::uint32_t> m_found;
};

} // namespace krm
