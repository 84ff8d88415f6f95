#pragma once
// VirtualVenue: a room full of virtual devices in one process, as a conference centre has
// one processor per room. Device i answers on the first address plus i (127.0.1.1,
// 127.0.1.2, ...) and keeps its own image, reports and fault knobs; one DeviceLoop thread
// serves them all, so a venue of hundreds is cheap.
//
// Threads: start()/stop() belong to the owner; the devices' own methods are thread-safe
// as on a single VirtualDevice (whose start()/stop() must not be called for them).

#include "sim/virtual_device.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace krm::sim {

class VirtualVenue {
public:
    // Largest venue; beyond it the process would run out of descriptors.
    static constexpr int kMaxDevices = 1000;

    // count devices, each built with options (its meters seeded apart) and image.
    explicit VirtualVenue(int count, DeviceOptions options = {},
                          const DeviceImage& image = DemoDeviceImage());
    ~VirtualVenue();
    VirtualVenue(const VirtualVenue&) = delete;
    VirtualVenue& operator=(const VirtualVenue&) = delete;

    // The reason a venue of count devices from first on cannot be: a count outside
    // 1..kMaxDevices, or addresses that would run past 255.255.255.255 or out of
    // 127.0.0.0/8 when the first is a loopback address. nullopt when it can.
    static std::optional<std::string> rangeProblem(const Endpoint& first, int count);

    // Binds device i to first.address + i and first.port (port 0: an ephemeral port
    // each) and starts the loop. False, with the reason in *error, when the range is not
    // possible or a socket cannot be opened; nothing then runs.
    bool start(const Endpoint& first, std::string* error = nullptr);
    void stop();
    bool running() const { return m_loop != nullptr; }

    int size() const { return static_cast<int>(m_devices.size()); }
    VirtualDevice& device(int index) { return *m_devices.at(static_cast<std::size_t>(index)); }
    const VirtualDevice& device(int index) const {
        return *m_devices.at(static_cast<std::size_t>(index));
    }
    // Where device i answers (valid while running).
    Endpoint endpoint(int index) const { return device(index).endpoint(); }

private:
    std::vector<std::unique_ptr<VirtualDevice>> m_devices;
    std::unique_ptr<DeviceLoop> m_loop;
};

} // namespace krm::sim
