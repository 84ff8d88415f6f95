#include "sim/virtual_venue.h"

#include <cstdint>

namespace krm::sim {

VirtualVenue::VirtualVenue(int count, DeviceOptions options, const DeviceImage& image) {
    for (int i = 0; i < count; ++i) {
        DeviceOptions own = options;
        own.seed = options.seed + static_cast<std::uint32_t>(i);
        m_devices.push_back(std::make_unique<VirtualDevice>(std::move(own), image));
    }
}

VirtualVenue::~VirtualVenue() {
    stop();
}

std::optional<std::string> VirtualVenue::rangeProblem(const Endpoint& first, int count) {
    if (count < 1 || count > kMaxDevices)
        return "a venue has 1 to " + std::to_string(kMaxDevices) + " devices, not " +
               std::to_string(count);
    const std::uint64_t last = std::uint64_t{first.address} + static_cast<std::uint64_t>(count - 1);
    if (last > 0xFFFFFFFFu)
        return "the addresses run past 255.255.255.255";
    const Endpoint lastDevice{static_cast<std::uint32_t>(last), first.port};
    if (first.isLoopback() && !lastDevice.isLoopback())
        return "the last address, " + lastDevice.addressText() + ", is not in 127.0.0.0/8";
    return std::nullopt;
}

bool VirtualVenue::start(const Endpoint& first, std::string* error) {
    if (running()) {
        if (error)
            *error = "already running";
        return false;
    }
    if (const auto problem = rangeProblem(first, size())) {
        if (error)
            *error = *problem;
        return false;
    }
    std::vector<VirtualDevice*> devices;
    for (int i = 0; i < size(); ++i) {
        const Endpoint at{first.address + static_cast<std::uint32_t>(i), first.port};
        std::string reason;
        if (!device(i).openSocket(at, &reason)) {
            for (VirtualDevice* opened : devices)
                opened->closeSocket();
            if (error)
                *error = at.toString() + ": " + reason;
            return false;
        }
        devices.push_back(&device(i));
    }
    m_loop = std::make_unique<DeviceLoop>(devices);
    if (!m_loop->start(error)) {
        m_loop.reset();
        for (VirtualDevice* opened : devices)
            opened->closeSocket();
        return false;
    }
    for (VirtualDevice* d : devices)
        d->setRunning(true);
    return true;
}

void VirtualVenue::stop() {
    if (!m_loop)
        return;
    m_loop.reset();
    for (auto& d : m_devices) {
        d->closeSocket();
        d->setRunning(false);
    }
}

} // namespace krm::sim
