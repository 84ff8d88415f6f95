#pragma once
// UpdateChannel: the update socket as the firmware transfer, the version queries and the
// remote update see it — datagrams to the device and non-blocking reads of what came
// back. The program's channel is a UDP socket bound to the device port (the link's receive
// thread is stopped first, since both bind the same local port); tests use a scripted fake.
//
// Threads: one worker at a time uses a channel.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

class UpdateChannel {
public:
    virtual ~UpdateChannel() = default;
    // One datagram to the device; true when the whole datagram went out.
    virtual bool send(std::string_view datagram) = 0;
    // The next waiting datagram, cut to at most maxBytes (the rest of a longer datagram is
    // lost, as with a short receive buffer), or nullopt when nothing waits. Never blocks.
    virtual std::optional<std::string> read(std::size_t maxBytes) = 0;
};

} // namespace krm

#include "link/udp_socket.h"

namespace krm {

// The program's update socket: UDP, bound to any local address on the given port with
// address reuse, non-blocking, every send to the device's address and port (the loopback
// guard applies as on the link). As on the link, only the device's datagrams are read:
// one from any other address or port is dropped and counted, so that another host's
// "%S", "%Y" or "%U" is never taken for the device's answer.
class UdpUpdateChannel final : public UpdateChannel {
public:
    // Most datagrams of other senders one read() drops before it says that nothing of the
    // device waits, so that a flood cannot hold a transfer inside read().
    static constexpr int kMaxForeignPerRead = 256;

    // False, with the reason in *error when given, when the socket cannot be opened.
    bool open(const Endpoint& device, std::uint16_t localPort, std::string* error = nullptr);
    void close() { m_socket.close(); }
    bool isOpen() const { return m_socket.isOpen(); }
    // The local port actually bound while open (differs from the one asked for when
    // that was 0), else 0.
    std::uint16_t boundPort() const { return m_socket.localEndpoint().port; }

    bool send(std::string_view datagram) override;
    std::optional<std::string> read(std::size_t maxBytes) override;

    // Datagrams of other senders dropped since open().
    std::uint64_t foreignDatagrams() const { return m_foreign; }

private:
    UdpSocket m_socket;
    Endpoint m_device;
    std::uint64_t m_foreign = 0;
};

} // namespace krm
