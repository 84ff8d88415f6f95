#pragma once
// Holds a UDP port on every address with a socket that does not allow reuse, so that a
// later bind of that port fails (for testing socket-error paths).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace krm::test {

class PortBlocker {
public:
    PortBlocker() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        if (m_fd < 0)
            return;
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_ANY);
        socklen_t len = sizeof sa;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) == 0)
            m_port = ntohs(sa.sin_port);
    }
    ~PortBlocker() { release(); }
    PortBlocker(const PortBlocker&) = delete;
    PortBlocker& operator=(const PortBlocker&) = delete;

    // The blocked port, 0 when the blocker could not be set up.
    std::uint16_t port() const { return m_port; }
    void release() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

} // namespace krm::test
