#include "sim/device_loop.h"

#include "sim/virtual_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace krm::sim {

DeviceLoop::DeviceLoop(std::vector<VirtualDevice*> devices) : m_devices(std::move(devices)) {}

DeviceLoop::~DeviceLoop() {
    stop();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool DeviceLoop::start(std::string* error) {
    stop();
    if (m_wakeFd < 0)
        m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wakeFd < 0) {
        if (error)
            *error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void DeviceLoop::stop() {
    if (!m_thread.joinable())
        return;
    m_stop = true;
    wake();
    m_thread.join();
}

void DeviceLoop::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(m_wakeFd, &one, sizeof one);
}

void DeviceLoop::run() {
    Clock& clock = systemClock();
    std::vector<pollfd> fds;
    for (VirtualDevice* device : m_devices)
        fds.push_back({device->socketHandle(), POLLIN, 0});
    fds.push_back({m_wakeFd, POLLIN, 0});
    const std::size_t count = m_devices.size();
    std::vector<std::optional<Millis>> due(count);
    while (!m_stop) {
        int timeoutMs = -1;
        const Millis before = clock.now();
        for (std::size_t i = 0; i < count; ++i) {
            due[i] = m_devices[i]->nextDue();
            if (!due[i])
                continue;
            const auto wait = static_cast<int>(std::max<long long>(0, (*due[i] - before).count()));
            timeoutMs = timeoutMs < 0 ? wait : std::min(timeoutMs, wait);
        }
        const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
        if (m_stop)
            break;
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[count].revents & POLLIN) {
            std::uint64_t woken = 0;
            [[maybe_unused]] const auto n = ::read(m_wakeFd, &woken, sizeof woken);
        }
        const Millis now = clock.now();
        for (std::size_t i = 0; i < count; ++i) {
            // Only devices with something to read or due are touched: a wake-up of one
            // device in a venue of hundreds stays cheap.
            const bool readable = ready > 0 && (fds[i].revents & POLLIN);
            if (readable)
                m_devices[i]->drain();
            if (readable || (due[i] && *due[i] <= now))
                m_devices[i]->tick(clock.now());
        }
    }
}

} // namespace krm::sim
