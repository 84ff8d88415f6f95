#pragma once
// DeviceLink: the program's one UDP conversation with one KRM-416X. It owns the socket,
// runs the receive thread that cuts incoming text into checked frames, and is the
// FrameSink every sender writes to. Frames are taken only from the device it talks to: a
// datagram from any other address or port is dropped before the frame splitter sees it
// and counted (foreignDatagrams()), so that another host's reports or forged frames never
// reach the image and two senders' text never mixes in one pending buffer.
//
// Threads:
// - start(), stop(), the address and port setters and the error handler belong to the
//   user-interface thread (the owner). A stop() from the frame handler only asks the
//   thread to end; the owner's next stop() joins it.
// - The frame handler runs ON THE RECEIVE THREAD; it must hand what it parsed to the
//   owner thread (a Post) instead of touching the device image or the windows.
// - SendFrame() and isOnline() may be called from any thread at the same time.
// Link supervision (connecting, the online state shown to the operator) is LinkSupervisor's
// business; it publishes the online flag here through setOnline().

#include "link/frame_sink.h"
#include "link/network_settings.h"
#include "link/udp_socket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace krm {

class DeviceLink final : public FrameSink {
public:
    using FrameHandler = std::function<void(std::string_view frame)>;
    using SocketErrorHandler = std::function<void(const std::string& reason)>;

    static constexpr std::uint16_t kDefaultPort = kDevicePort;
    static constexpr std::string_view kDefaultDeviceIp = "192.168.1.106";

    DeviceLink();
    ~DeviceLink() override; // stops and joins the receive thread
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // The device address as the operator typed it. Text that is not a dotted IPv4
    // address is kept (the address box shows it) but every send is refused until a
    // valid address is set.
    void setDeviceIp(std::string_view deviceIp);
    std::string deviceIp() const;
    bool deviceIpValid() const;
    // Destination port (39050 unless overridden for tests or a virtual device).
    void setDevicePort(std::uint16_t port);
    std::uint16_t devicePort() const;
    // Local port the socket binds to on any address; 0 takes an ephemeral port. Takes
    // effect at the next start().
    void setLocalPort(std::uint16_t port);
    std::uint16_t localPort() const;
    // The port actually bound while running (differs from localPort() when that is 0),
    // else 0.
    std::uint16_t boundPort() const;

    // Called on the thread that calls start() when the socket cannot be created or bound,
    // with the reason. Leave it unset where LinkSupervisor drives the link: it raises
    // LinkEvents::socketError() itself when start() fails.
    void setSocketErrorHandler(SocketErrorHandler handler);

    // Opens the socket on the calling thread (any address, localPort()) and starts the
    // receive thread, which hands every good frame to handler. A running receive thread
    // is stopped first. False (socket error handler called, nothing running) when the
    // socket cannot be opened.
    bool start(FrameHandler handler);
    // Asks the receive thread to end, wakes it, joins it and closes the socket. Prompt:
    // the thread waits on poll() with a wake-up fd, never in a sleep loop.
    void stop();
    // True from a successful start() until stop() has joined the thread.
    bool rxRunning() const { return m_rxRunning.load(std::memory_order_acquire); }

    // One datagram to deviceIp:devicePort. Refused (false, nothing sent) while the receive
    // thread is not running, when the address is invalid, or outside loopback under the
    // loopback guard. True only when the whole frame went out.
    bool SendFrame(std::string_view frame) override;
    bool isOnline() const override { return m_online.load(std::memory_order_acquire); }
    void setOnline(bool online) { m_online.store(online, std::memory_order_release); }

    // How many datagrams and good frames the receive thread has taken from the device, and
    // how many datagrams of other senders it dropped (for tests and the virtual-device
    // demo's status line).
    std::uint64_t datagramsReceived() const { return m_datagrams.load(); }
    std::uint64_t framesReceived() const { return m_frames.load(); }
    std::uint64_t foreignDatagrams() const { return m_foreign.load(); }

private:
    void receiveLoop(FrameHandler handler);
    // Publishes the destination to the receive thread; with m_sendMutex held.
    void publishDevice();

    // m_sendMutex guards the destination and the socket's open/closed state against
    // senders on other threads; the receive thread only reads the open socket.
    mutable std::mutex m_sendMutex;
    std::string m_deviceIp;
    std::optional<Endpoint> m_destination;
    std::uint16_t m_devicePort = kDefaultPort;
    UdpSocket m_socket;

    std::uint16_t m_localPort = kDefaultPort; // owner thread only
    SocketErrorHandler m_socketError;         // owner thread only
    std::thread m_thread;
    std::atomic<std::thread::id> m_rxThreadId{};
    std::atomic<bool> m_rxStop{false};
    std::atomic<bool> m_rxRunning{false};
    std::atomic<bool> m_online{false};
    std::atomic<std::uint16_t> m_boundPort{0};
    std::atomic<std::uint64_t> m_datagrams{0};
    std::atomic<std::uint64_t> m_frames{0};
    std::atomic<std::uint64_t> m_foreign{0};
    // The destination for the receive thread, which must not wait on senders for it:
    // address and port packed with a "valid" bit, 0 while the address is not valid.
    std::atomic<std::uint64_t> m_device{0};
};

} // namespace krm
