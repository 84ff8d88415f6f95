#pragma once
// A small RAII wrapper over one POSIX UDP socket (IPv4, non-blocking) with a wake-up
// eventfd, so that a thread waiting in waitReadable() can be released at once.
//
// Threads: open()/close() on one thread while no other thread uses the socket.
// While open, one thread may receive()/waitReadable() and others may sendTo() at the same
// time (the kernel serialises datagrams); wake() may be called from any thread.
// Every send passes the loopback guard (link/loopback_guard.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

// An IPv4 address and UDP port, both in host byte order.
struct Endpoint {
    std::uint32_t address = 0; // host byte order; 0 = any
    std::uint16_t port = 0;

    // Strict dotted-quad ("127.0.0.2"); nullopt for anything else (names, short forms,
    // octets above 255, blanks).
    static std::optional<Endpoint> parse(std::string_view dottedIp, std::uint16_t port);
    static Endpoint fromOctets(int a, int b, int c, int d, std::uint16_t port);

    std::string addressText() const;                            // "127.0.0.2"
    std::string toString() const;                               // "127.0.0.2:39050"
    bool isLoopback() const { return (address >> 24) == 127u; } // 127.0.0.0/8

    friend bool operator==(const Endpoint&, const Endpoint&) = default;
};

struct Datagram {
    std::string data; // every byte received, NULs included
    Endpoint from;
};

// The text of a received datagram: everything up to its first NUL (a device pads short
// replies with NULs); a datagram without a NUL is taken whole.
std::string_view DatagramText(std::string_view datagram);

class UdpSocket {
public:
    // Largest datagram taken in one receive(); longer ones are cut to this size.
    static constexpr std::size_t kMaxDatagram = 2048;

    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept;
    UdpSocket& operator=(UdpSocket&& other) noexcept;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket with SO_REUSEADDR, binds it (address 0 = any, port 0 = an
    // ephemeral port) and makes it non-blocking. On failure leaves the socket closed and,
    // when given, puts the reason into *error. Closes a socket opened before.
    bool open(Endpoint bindTo, std::string* error = nullptr);
    bool isOpen() const { return m_fd >= 0; }
    void close();
    // The address and port actually bound (useful after binding port 0).
    Endpoint localEndpoint() const;

    // True only when the whole datagram went out. Refused (false, nothing sent) when the
    // socket is closed or the loopback guard forbids the destination.
    bool sendTo(const Endpoint& to, std::string_view datagram);
    // One waiting datagram, or nullopt when none is waiting (never blocks).
    std::optional<Datagram> receive();
    // Blocks until a datagram waits (true), the timeout passes or wake() is called
    // (false). A negative timeout waits without limit.
    bool waitReadable(int timeoutMs);
    // Makes a current or the next waitReadable() return promptly. Thread-safe.
    void wake();
    bool setBroadcast(bool on);
    // The descriptor, for a caller that waits on many sockets in one poll(); -1 when closed.
    int handle() const { return m_fd; }

private:
    int m_fd = -1;
    int m_wakeFd = -1;
};

} // namespace krm
