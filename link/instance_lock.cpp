#include "link/instance_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <fstream>

namespace krm {

namespace {

std::string lockName(std::uint16_t localPort) {
    return "krm416x-port-" + std::to_string(localPort);
}

std::string holderPrefix(std::uint16_t localPort) {
    return lockName(localPort) + "-held-by-";
}

// A datagram socket bound to `name` in the abstract namespace; -1 when the name is taken
// (or no socket can be made).
int bindAbstract(const std::string& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays NUL: the name lives in the abstract namespace, not in a folder.
    if (name.size() + 1 > sizeof(address.sun_path))
        return -1;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

InstanceLock::~InstanceLock() {
    if (m_holderFd >= 0)
        ::close(m_holderFd);
    ::close(m_lockFd);
}

std::unique_ptr<InstanceLock> TakeInstanceLock(std::uint16_t localPort, std::string_view holderName,
                                               std::string* holder) {
    const int lockFd = bindAbstract(lockName(localPort));
    if (lockFd < 0) {
        if (holder)
            *holder = InstanceLockHolder(localPort);
        return nullptr;
    }
    // The name is only for the message of a refused start: the lock holds without it.
    const int holderFd = bindAbstract(holderPrefix(localPort) + std::string(holderName));
    return std::make_unique<InstanceLock>(lockFd, holderFd);
}

std::string InstanceLockHolder(std::uint16_t localPort) {
    // Every bound Unix-domain socket of the computer, one a line, its name last; a name in
    // the abstract namespace is shown with a leading '@'.
    std::ifstream sockets("/proc/net/unix");
    const std::string prefix = "@" + holderPrefix(localPort);
    std::string line;
    while (std::getline(sockets, line)) {
        const std::size_t at = line.rfind(' ');
        const std::string_view name =
            std::string_view(line).substr(at == std::string::npos ? 0 : at + 1);
        if (name.substr(0, prefix.size()) == prefix)
            return std::string(name.substr(prefix.size()));
    }
    return {};
}

} // namespace krm
