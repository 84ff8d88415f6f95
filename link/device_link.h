#pragma once
// DeviceLink: the program's one UDP conversation with one KRM-416X. It is a VenueLink with a
// single channel (or one channel of a VenueLink shared with other devices): the venue owns
// the socket and the receive thread, the channel cuts the device's text into checked
// frames and is the FrameSink every sender writes to. Frames are taken only from the device
// it talks to: a datagram from any other address or port is dropped before a frame
// splitter sees it and counted (foreignDatagrams()), so that another host's reports or
// forged frames never reach the image and two senders' text never mixes in one pending
// buffer.
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
#include "link/venue_link.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

class DeviceLink final : public FrameSink {
public:
    using FrameHandler = std::function<void(std::string_view frame)>;
    using SocketErrorHandler = std::function<void(const std::string& reason)>;

    static constexpr std::uint16_t kDefaultPort = kDevicePort;
    static constexpr std::string_view kDefaultDeviceIp = "192.168.1.106";

    // A link with its own socket and receive thread.
    DeviceLink();
    // A link that is one channel of a shared venue, which must outlive it and be running
    // before start(). start() and stop() then only attach and detach the channel; the
    // local port is the venue's.
    explicit DeviceLink(VenueLink& shared);
    ~DeviceLink() override; // stops and joins the receive thread (its own), or detaches
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
    // effect at the next start(). Ignored on a shared venue.
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
    // socket cannot be opened. On a shared venue: attaches the channel; false when the
    // venue is not running or another channel already talks to this address.
    bool start(FrameHandler handler);
    // Asks the receive thread to end, wakes it, joins it and closes the socket. Prompt:
    // the thread waits on poll() with a wake-up fd, never in a sleep loop.
    void stop();
    // True from a successful start() until stop() has joined the thread (on a shared
    // venue: while the channel is attached and the venue runs).
    bool rxRunning() const;
    // The port's venue (the link's own, or the shared one). Others may share the link's own
    // venue through its stray listener, and may open it while the link is stopped; the link
    // still counts as stopped then (rxRunning() is false).
    VenueLink& venue() { return m_venue; }

    // One datagram to deviceIp:devicePort. Refused (false, nothing sent) while the receive
    // thread is not running, when the address is invalid, or outside loopback under the
    // loopback guard. True only when the whole frame went out.
    bool SendFrame(std::string_view frame) override;
    bool isOnline() const override { return m_channel.isOnline(); }
    void setOnline(bool online) { m_channel.setOnline(online); }

    // How many datagrams and good frames the receive thread has taken from the device, and
    // how many datagrams of other senders it dropped (for tests and the virtual-device
    // demo's status line; on a shared venue, the venue's count).
    std::uint64_t datagramsReceived() const { return m_channel.datagramsReceived(); }
    std::uint64_t framesReceived() const { return m_channel.framesReceived(); }
    std::uint64_t foreignDatagrams() const { return m_venue.foreignDatagrams(); }

private:
    void socketError(const std::string& reason) const;

    std::unique_ptr<VenueLink> m_ownVenue; // null on a shared venue
    VenueLink& m_venue;
    VenueChannel m_channel;

    mutable std::mutex m_mutex; // guards the address text and port
    std::string m_deviceIp;
    std::uint16_t m_devicePort = kDefaultPort;
    SocketErrorHandler m_socketError; // owner thread only
};

} // namespace krm
