#pragma once
// DeviceLoop: the one thread that serves a fixed set of virtual devices. It waits in one
// poll() on all their sockets (and a wake-up fd of its own) until a datagram arrives or the
// earliest report of any device is due, then lets each device take its datagrams and send
// what is due. A venue of hundreds of devices thus costs one thread, not one each.
//
// Threads: start() and stop() belong to the owner; the devices' sockets must stay open
// while the loop runs.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace krm::sim {

class VirtualDevice;

class DeviceLoop {
public:
    explicit DeviceLoop(std::vector<VirtualDevice*> devices);
    ~DeviceLoop(); // stops and joins
    DeviceLoop(const DeviceLoop&) = delete;
    DeviceLoop& operator=(const DeviceLoop&) = delete;

    // False, with the reason in *error when given, when the wake-up fd cannot be made.
    bool start(std::string* error = nullptr);
    // Wakes the thread and joins it at once.
    void stop();

private:
    void run();
    void wake();

    std::vector<VirtualDevice*> m_devices;
    int m_wakeFd = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace krm::sim
