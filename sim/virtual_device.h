#pragma once
// VirtualDevice: a stand-in for the processor on a loopback address. It owns its image and
// a UDP socket bound to the given address and port; a DeviceLoop thread waits on the
// socket (no polling loop), feeds what arrives to the DeviceCore and sends the periodic
// reports when they are due. Replies go to the address and port each request came from.
// start() gives the device a loop of its own; in a VirtualVenue one loop serves them all.
//
// Used in-process (tests, `krm416x --demo`) and by the krm416x-sim program. Every public
// method is thread-safe; start()/stop() belong to the owner. stop() (and the destructor)
// wakes the thread and joins it at once.

#include "link/udp_socket.h"
#include "sim/demo_image.h"
#include "sim/device_core.h"
#include "sim/device_loop.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace krm::sim {

class VirtualDevice {
public:
    explicit VirtualDevice(DeviceOptions options = {}, DeviceImage image = DemoDeviceImage());
    ~VirtualDevice();
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    // Binds the socket (port 0 = an ephemeral port) and starts the thread. False, with
    // the reason in *error when given, if the socket cannot be opened or it already runs.
    bool start(const Endpoint& bindTo, std::string* error = nullptr);
    void stop();
    bool running() const { return m_running.load(std::memory_order_acquire); }
    // The address and port actually bound (valid while running).
    Endpoint endpoint() const;

    // A copy of the device's parameters, and a way to replace them.
    DeviceImage image() const;
    void setImage(const DeviceImage& image);

    // Restarts the device now (on the device's own clock, real time): for `silentFor` it
    // takes nothing in and sends nothing, then it answers with `startImage` (by default the
    // image it was built with) and sends no report until asked, as a device just switched
    // on. Fault knobs are kept.
    void reboot(Millis silentFor, std::optional<DeviceImage> startImage = std::nullopt);
    bool booting() const;

    // Fault knobs (see sim/faults.h).
    FaultKnobs knobs() const;
    void setKnobs(const FaultKnobs& knobs);
    void setSilent(bool on);
    void setDropShare(double share);
    void setCorruptShare(double share);
    void setSplitFrames(bool on);
    void setHaltReports(bool on);

    // Firmware-transfer fault knobs (see sim/faults.h).
    void setNoStartAck(bool on);
    void setBlockAckMissingAt(int index); // -1: every block acknowledged
    void setCompletionStatus(int status); // -1: the honest status
    void setChecksumMismatch(bool on);

    // Firmware transfers: the finished ones (copies, oldest first), whether one is under
    // way (0 or 1), and the pause from its last block to the completion report (a report
    // already scheduled keeps its time).
    std::vector<FirmwareRecord> firmwareTransfers() const;
    int firmwareTransfersInProgress() const;
    void setCompletionDelay(Millis delay);
    // Replaces the device's own firmware receiver (nullptr: back to it).
    void setFirmwareHook(FirmwareHook hook);

    // The digits the basic-version query "%r," is answered with ("300": 3.00).
    void setBasicVersion(const std::string& version);
    std::string basicVersion() const;

    bool statusReportsOn() const;
    int framesReceived(char letter) const;
    std::string lastFrame(char letter) const;
    int framesBuilt(char letter) const;
    int parameterFramesRejected() const;
    int datagramsReceived() const { return m_datagramsIn.load(); }
    int datagramsSent() const { return m_datagramsOut.load(); }
    int sendFailures() const { return m_sendFailures.load(); }

private:
    friend class DeviceLoop;
    friend class VirtualVenue;

    // The socket, apart from any loop (a venue opens all before its one loop starts).
    bool openSocket(const Endpoint& bindTo, std::string* error);
    void closeSocket();
    int socketHandle() const { return m_socket.handle(); }
    void setRunning(bool on) { m_running.store(on, std::memory_order_release); }
    // Loop thread: takes every waiting datagram and answers it; sends what is due.
    void drain();
    void tick(Millis now);
    std::optional<Millis> nextDue() const;
    void send(const std::vector<Outgoing>& out);
    template <class F> auto locked(F f) const {
        std::lock_guard lock(m_mutex);
        return f(m_core);
    }

    mutable std::mutex m_mutex;
    DeviceCore m_core; // guarded by m_mutex
    const DeviceImage m_startImage;
    UdpSocket m_socket;
    Endpoint m_bound;
    std::unique_ptr<DeviceLoop> m_loop; // a loop of its own, after start()
    std::atomic<bool> m_running{false};
    std::atomic<int> m_datagramsIn{0};
    std::atomic<int> m_datagramsOut{0};
    std::atomic<int> m_sendFailures{0};
};

} // namespace krm::sim
