#pragma once
// The lock of one local port: the control program and the command-line tool both bind the
// device port with address reuse, so two of them on one port — started by any user of the
// computer — would take each other's replies. Whoever starts first holds the port's lock;
// the other refuses with a message that names the holder.
//
// The lock is a Unix-domain socket bound to a name in the abstract namespace
// ("krm416x-port-39050"): one name per port for the whole computer (every user, every home
// folder), released by the kernel when its holder ends, crashed or not. The holder also
// binds a second name that carries its program name, which a refused start reads from
// /proc/net/unix.
//
// Call from one thread at a time.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace krm {

// The executable name of the command-line tool, as its lock records it.
inline constexpr std::string_view kCtlProgramName = "krm416x-ctl";

class InstanceLock {
public:
    InstanceLock(int lockFd, int holderFd) : m_lockFd(lockFd), m_holderFd(holderFd) {}
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

private:
    int m_lockFd;
    int m_holderFd;
};

// Takes the lock of `localPort` for the program called `holderName` ("krm416x",
// "krm416x-ctl"). Null when another process holds it (or the lock cannot be made); `holder`
// then names that process, or is empty when its name cannot be read.
std::unique_ptr<InstanceLock> TakeInstanceLock(std::uint16_t localPort, std::string_view holderName,
                                               std::string* holder = nullptr);

// The program name of the process holding the lock of `localPort`; empty when nobody
// holds it or the name cannot be read.
std::string InstanceLockHolder(std::uint16_t localPort);

} // namespace krm
