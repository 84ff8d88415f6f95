#pragma once
// VenueLink: one local UDP port shared by the conversations with many devices. Devices
// answer to the port a request came from, so a venue of processors needs only one socket
// and one receive thread: the thread reads every datagram and hands it to the channel
// attached for its source address. Each VenueChannel keeps its own frame splitter,
// handler and counters, so one device's text never mixes with another's; a datagram from
// an address without a channel, or from the right address but another port, is dropped
// unread and counted (foreignDatagrams()). No thread and no socket per device: memory per
// device is the channel and its splitter's pending text (bounded by FrameSplitter).
//
// Threads:
// - start(), stop() and the local-port setter belong to the owner thread. A stop() from a
//   frame handler only asks the thread to end; the owner's next stop() joins it.
// - Channels are attached, re-addressed and detached from any thread, the receive thread
//   included (from inside a handler), while the receive thread runs. Once detach() has
//   returned, no datagram reaches that channel's handler any more.
// - Handlers run ON THE RECEIVE THREAD, one datagram at a time: they must hand what they
//   parsed to their owner (a Post) and may not destroy their own channel.
// - Sends go through the shared socket from any thread.

#include "link/frame.h"
#include "link/frame_sink.h"
#include "link/udp_socket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace krm {

class VenueChannel;

class VenueLink {
public:
    VenueLink() = default;
    ~VenueLink(); // stops and joins the receive thread; channels must be detached first
    VenueLink(const VenueLink&) = delete;
    VenueLink& operator=(const VenueLink&) = delete;

    // Local port the socket binds to on any address; 0 takes an ephemeral port. Takes
    // effect at the next start().
    void setLocalPort(std::uint16_t port) { m_localPort = port; }
    std::uint16_t localPort() const { return m_localPort; }
    // The port actually bound while running, else 0.
    std::uint16_t boundPort() const { return m_boundPort.load(std::memory_order_acquire); }

    // Opens the socket on the calling thread and starts the receive thread. A running
    // thread is stopped first. False, with the reason in *error when given, when the
    // socket cannot be opened. Attached channels stay attached across stop and start.
    bool start(std::string* error = nullptr);
    // Asks the receive thread to end, wakes it, joins it and closes the socket.
    void stop();
    // True from a successful start() until stop() has joined the thread.
    bool running() const { return m_running.load(std::memory_order_acquire); }

    // Datagrams dropped because no channel listens to their source address and port (and
    // the stray listener did not take them).
    std::uint64_t foreignDatagrams() const { return m_foreign.load(std::memory_order_relaxed); }

    // Takes the datagrams no channel listens to, ON THE RECEIVE THREAD, before they are
    // counted as foreign: true when it took one. For a light watch over many devices that
    // only asks short questions and keeps no text between datagrams. Null: none. Any thread.
    using StrayListener = std::function<bool(const Endpoint& from, std::string_view datagram)>;
    void setStrayListener(StrayListener listener);
    // One datagram to any address through the shared socket, for the stray listener's
    // questions. Refused (false) while not running or outside loopback under the guard.
    bool sendTo(const Endpoint& to, std::string_view frame);
    // Channels currently receiving (attached with a valid, unshared address).
    std::size_t channelCount() const;

private:
    friend class VenueChannel;

    // Channel bookkeeping: the lock is already held on the receive thread while a handler
    // runs, so these take it only elsewhere.
    std::unique_lock<std::mutex> lockChannels() const;
    bool onReceiveThread() const;
    // With the channel lock held: puts the channel under its address, or takes it away.
    bool route(VenueChannel& channel, std::optional<std::uint32_t> address);
    void unroute(VenueChannel& channel);
    void receiveLoop();

    std::uint16_t m_localPort = 0; // owner thread only

    // Guards the socket's open/closed state against senders on other threads; the
    // receive thread only reads the open socket.
    mutable std::mutex m_socketMutex;
    UdpSocket m_socket;

    // Source address -> the channel that takes its datagrams. The receive thread holds
    // this lock while it hands one datagram to one channel.
    mutable std::mutex m_channelsMutex;
    std::unordered_map<std::uint32_t, VenueChannel*> m_channels;
    StrayListener m_stray; // guarded by m_channelsMutex

    std::thread m_thread;
    std::atomic<std::thread::id> m_rxThreadId{};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::atomic<std::uint16_t> m_boundPort{0};
    std::atomic<std::uint64_t> m_foreign{0};
};

// One device's share of a VenueLink: the FrameSink its senders write to, and the place its
// received frames come out. Created detached; the venue must outlive it.
class VenueChannel final : public FrameSink {
public:
    using FrameHandler = std::function<void(std::string_view frame)>;

    explicit VenueChannel(VenueLink& venue) : m_venue(venue) {}
    ~VenueChannel() override; // detaches
    VenueChannel(const VenueChannel&) = delete;
    VenueChannel& operator=(const VenueChannel&) = delete;

    VenueLink& venue() const { return m_venue; }

    // The device this channel talks to; nullopt (an address the operator has not finished
    // typing) receives nothing and sends nothing. A change drops text left pending from
    // the previous device. While another attached channel holds the same address, this
    // one receives nothing (attach() says so).
    void setDevice(std::optional<Endpoint> device);
    std::optional<Endpoint> device() const;

    // Starts handing the device's good frames to handler (replacing an earlier one). False
    // when another channel of the venue already listens to the device's address; the
    // channel is attached all the same and takes the address once it is free and set again.
    bool attach(FrameHandler handler);
    // Stops handing frames over; waits for a handler call of this channel in progress
    // unless called from that handler.
    void detach();
    bool attached() const { return m_attached.load(std::memory_order_acquire); }
    // True while the venue's receive thread hands this channel its device's datagrams.
    bool receiving() const { return m_routed.load(std::memory_order_acquire); }

    // One datagram to the device through the venue's socket. Refused (false, nothing
    // sent) while the channel is detached, the venue is not running, the address is not
    // set, or outside loopback under the loopback guard.
    bool SendFrame(std::string_view frame) override;
    bool isOnline() const override { return m_online.load(std::memory_order_acquire); }
    void setOnline(bool online) { m_online.store(online, std::memory_order_release); }

    std::uint64_t datagramsReceived() const { return m_datagrams.load(); }
    std::uint64_t framesReceived() const { return m_frames.load(); }

private:
    friend class VenueLink;

    // Receive thread, with the venue's channel lock held.
    void take(std::string_view text);

    VenueLink& m_venue;
    // Guards the destination for senders; the routing fields below are guarded by the
    // venue's channel lock.
    mutable std::mutex m_deviceMutex;
    std::optional<Endpoint> m_device;

    FrameHandler m_handler;
    FrameSplitter m_splitter;
    std::optional<std::uint32_t> m_routedAddress;
    std::uint16_t m_port = 0;
    bool m_dropPending = false; // the pending text belongs to an earlier device

    std::atomic<bool> m_attached{false};
    std::atomic<bool> m_routed{false};
    std::atomic<bool> m_online{false};
    std::atomic<std::uint64_t> m_datagrams{0};
    std::atomic<std::uint64_t> m_frames{0};
};

} // namespace krm
