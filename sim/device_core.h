#pragma once
// DeviceCore: the device side of the protocol without socket or thread. It takes in
// datagrams (with their sender) and the passing of time, and returns the datagrams to
// send: the dump, identification and level report on the hello, the periodic status
// reports between "%Q," 1 and "%Q," 0, the search and version replies, and the firmware
// transfer's acknowledgements and its completion report (due from tick()). Parameter frames are
// stored in its own image, so the next dump shows them. The fault knobs shape every datagram that
// goes out.
//
// Not thread-safe: VirtualDevice guards it with a mutex; tests drive it directly with
// made-up times, so periodic behaviour is checked without waiting.

#include "link/clock.h"
#include "link/frame.h"
#include "link/udp_socket.h"
#include "model/device_image.h"
#include "sim/activity.h"
#include "sim/faults.h"
#include "sim/firmware_receiver.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krm::sim {

struct DeviceOptions {
    Millis statusPeriod{100}; // "Q" reports while started (10 Hz)
    // "P" reports while status reports run; 0 = only right after the answer to a hello.
    Millis levelsPeriod{0};
    // 0: answer to the port each request came from; else to this port of that address.
    std::uint16_t peerPort = 0;
    std::string basicVersion = "310"; // the "%r," reply: 3.10; empty: no reply
    std::uint32_t seed = 1;           // meters, drops, corruption and splits
    std::size_t maxDatagram = UdpSocket::kMaxDatagram;
    // From the last block of a firmware transfer to the completion report.
    Millis completionDelay = FirmwareReceiver::kDefaultCompletionDelay;
    FaultKnobs faults; // misbehaviour from the start (krm416x-sim --fault)
};

struct Outgoing {
    Endpoint to;
    std::string data;
};

// Takes one firmware-transfer frame ("%S,", "%T," or "%U,") and returns the frames to
// send back to its sender. While set, it stands in for the device's own receiver, so a
// test can script replies the receiver would never give.
using FirmwareHook = std::function<std::vector<std::string>(std::string_view frame)>;

class DeviceCore {
public:
    explicit DeviceCore(DeviceOptions options, DeviceImage image);

    // One datagram's text (taken up to its first NUL, as the program pads block pieces).
    std::vector<Outgoing> receive(std::string_view datagram, const Endpoint& from, Millis now);
    // Periodic reports and a firmware completion report that are due by now.
    std::vector<Outgoing> tick(Millis now);
    // When tick() next has something to do; nullopt while nothing is scheduled.
    std::optional<Millis> nextDue() const;

    DeviceImage& image() { return m_image; }
    const DeviceImage& image() const { return m_image; }
    FaultKnobs& knobs() { return m_faults.knobs; }
    const FaultKnobs& knobs() const { return m_faults.knobs; }
    void setFirmwareHook(FirmwareHook hook) { m_firmwareHook = std::move(hook); }
    FirmwareReceiver& firmware() { return m_firmware; }
    const FirmwareReceiver& firmware() const { return m_firmware; }
    // The "%r," reply's version digits ("300": 3.00).
    void setBasicVersion(std::string version) { m_options.basicVersion = std::move(version); }
    const std::string& basicVersion() const { return m_options.basicVersion; }

    // The device restarts at `now`: until now + silentFor it takes nothing in and sends
    // nothing (requests are lost, not queued); then it answers with `startImage` and, as a
    // device just switched on, sends no report until "%Q," 1 asks for them.
    void reboot(Millis now, Millis silentFor, DeviceImage startImage);
    // Still starting up at `now`.
    bool booting(Millis now) const { return now < m_bootedAt; }

    bool statusReportsOn() const { return m_reporting; }
    // Good frames received, by letter (parameter frames that failed to apply included).
    int framesReceived(char letter) const;
    // The newest good frame of a letter, as it arrived ("" before the first).
    const std::string& lastFrame(char letter) const;
    // Parameter frames that were well checked but could not be applied.
    int parameterFramesRejected() const { return m_rejected; }
    // Frames built for sending, by letter, before any fault knob acted on them.
    int framesBuilt(char letter) const;
    int datagramsDropped() const { return m_faults.dropped(); }

private:
    void handleFrame(std::string_view frame, const Endpoint& from, Millis now,
                     std::vector<Outgoing>& out);
    void queueFrame(const std::string& frame, const Endpoint& to, std::vector<Outgoing>& out);
    Endpoint replyTo(const Endpoint& from) const;

    DeviceOptions m_options;
    DeviceImage m_image;
    SimActivity m_activity;
    FaultInjector m_faults;
    FirmwareHook m_firmwareHook;
    FirmwareReceiver m_firmware;
    Endpoint m_firmwarePeer; // where the transfer's completion report goes
    std::map<std::uint64_t, FrameSplitter> m_splitters; // per sender
    bool m_reporting = false;
    Endpoint m_reportPeer;
    Millis m_nextStatus{0};
    Millis m_nextLevels{0};
    Millis m_bootedAt{0}; // silent until then after a reboot
    std::array<int, 128> m_received{};
    std::array<std::string, 128> m_lastFrame{};
    std::array<int, 128> m_built{};
    int m_rejected = 0;
};

} // namespace krm::sim
