#include "link/udp_socket.h"

#include "link/loopback_guard.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace krm {

namespace {

sockaddr_in toSockaddr(const Endpoint& e) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(e.port);
    sa.sin_addr.s_addr = htonl(e.address);
    return sa;
}

Endpoint fromSockaddr(const sockaddr_in& sa) {
    return Endpoint{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
}

void setError(std::string* error, const char* what, int err) {
    if (error != nullptr)
        *error = std::string(what) + ": " + std::strerror(err);
}

} // namespace

std::optional<Endpoint> Endpoint::parse(std::string_view dottedIp, std::uint16_t port) {
    // inet_pton(AF_INET) takes exactly four decimal octets, unlike inet_addr, which also
    // takes "1", "0x7f.1" and octal forms.
    if (dottedIp.empty() || dottedIp.size() > 15)
        return std::nullopt;
    const std::string text(dottedIp);
    in_addr addr{};
    if (inet_pton(AF_INET, text.c_str(), &addr) != 1)
        return std::nullopt;
    return Endpoint{ntohl(addr.s_addr), port};
}

Endpoint Endpoint::fromOctets(int a, int b, int c, int d, std::uint16_t port) {
    const auto octet = [](int v) { return static_cast<std::uint32_t>(v) & 0xFFu; };
    return Endpoint{octet(a) << 24 | octet(b) << 16 | octet(c) << 8 | octet(d), port};
}

std::string Endpoint::addressText() const {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFFu) + '.' +
           std::to_string((address >> 8) & 0xFFu) + '.' + std::to_string(address & 0xFFu);
}

std::string Endpoint::toString() const {
    return addressText() + ':' + std::to_string(port);
}

std::string_view DatagramText(std::string_view datagram) {
    const auto nul = datagram.find('\0');
    return nul == std::string_view::npos ? datagram : datagram.substr(0, nul);
}

UdpSocket::~UdpSocket() {
    close();
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_wakeFd(std::exchange(other.m_wakeFd, -1)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
        m_wakeFd = std::exchange(other.m_wakeFd, -1);
    }
    return *this;
}

bool UdpSocket::open(Endpoint bindTo, std::string* error) {
    close();
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        setError(error, "socket", errno);
        return false;
    }
    const int one = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        setError(error, "SO_REUSEADDR", errno);
        ::close(fd);
        return false;
    }
    const sockaddr_in sa = toSockaddr(bindTo);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        setError(error, "bind", errno);
        ::close(fd);
        return false;
    }
    const int wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        setError(error, "eventfd", errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_wakeFd = wakeFd;
    return true;
}

void UdpSocket::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_fd = -1;
    m_wakeFd = -1;
}

Endpoint UdpSocket::localEndpoint() const {
    if (m_fd < 0)
        return {};
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return {};
    return fromSockaddr(sa);
}

bool UdpSocket::sendTo(const Endpoint& to, std::string_view datagram) {
    if (m_fd < 0 || !DestinationAllowed(to))
        return false;
    const sockaddr_in sa = toSockaddr(to);
    ssize_t sent;
    do {
        sent = ::sendto(m_fd, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (sent < 0 && errno == EINTR);
    return sent >= 0 && static_cast<std::size_t>(sent) == datagram.size();
}

std::optional<Datagram> UdpSocket::receive() {
    if (m_fd < 0)
        return std::nullopt;
    char buffer[kMaxDatagram];
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ssize_t got;
    do {
        got = ::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sa), &len);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return std::nullopt;
    return Datagram{std::string(buffer, static_cast<std::size_t>(got)), fromSockaddr(sa)};
}

bool UdpSocket::waitReadable(int timeoutMs) {
    if (m_fd < 0)
        return false;
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    int ready;
    do {
        ready = ::poll(fds, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    if (fds[1].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const auto n = ::read(m_wakeFd, &count, sizeof count);
    }
    return (fds[0].revents & POLLIN) != 0;
}

void UdpSocket::wake() {
    if (m_wakeFd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
}

bool UdpSocket::setBroadcast(bool on) {
    if (m_fd < 0)
        return false;
    const int value = on ? 1 : 0;
    return ::setsockopt(m_fd, SOL_SOCKET, SO_BROADCAST, &value, sizeof value) == 0;
}

} // namespace krm
