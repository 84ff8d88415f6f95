#include "sim/virtual_device.h"

#include <algorithm>

namespace krm::sim {

VirtualDevice::VirtualDevice(DeviceOptions options, DeviceImage image)
    : m_core(std::move(options), image), m_startImage(image) {}

VirtualDevice::~VirtualDevice() {
    stop();
}

bool VirtualDevice::start(const Endpoint& bindTo, std::string* error) {
    if (running()) {
        if (error)
            *error = "already running";
        return false;
    }
    if (!openSocket(bindTo, error))
        return false;
    m_loop = std::make_unique<DeviceLoop>(std::vector<VirtualDevice*>{this});
    if (!m_loop->start(error)) {
        m_loop.reset();
        closeSocket();
        return false;
    }
    setRunning(true);
    return true;
}

void VirtualDevice::stop() {
    if (!m_loop)
        return;
    m_loop.reset();
    closeSocket();
    setRunning(false);
}

bool VirtualDevice::openSocket(const Endpoint& bindTo, std::string* error) {
    if (!m_socket.open(bindTo, error))
        return false;
    m_bound = m_socket.localEndpoint();
    return true;
}

void VirtualDevice::closeSocket() {
    m_socket.close();
}

Endpoint VirtualDevice::endpoint() const {
    return m_bound;
}

std::optional<Millis> VirtualDevice::nextDue() const {
    return locked([](const DeviceCore& c) { return c.nextDue(); });
}

void VirtualDevice::drain() {
    Clock& clock = systemClock();
    while (auto datagram = m_socket.receive()) {
        ++m_datagramsIn;
        std::vector<Outgoing> out;
        {
            std::lock_guard lock(m_mutex);
            out = m_core.receive(datagram->data, datagram->from, clock.now());
        }
        send(out);
    }
}

void VirtualDevice::tick(Millis now) {
    std::vector<Outgoing> out;
    {
        std::lock_guard lock(m_mutex);
        out = m_core.tick(now);
    }
    send(out);
}

void VirtualDevice::send(const std::vector<Outgoing>& out) {
    for (const Outgoing& o : out) {
        if (m_socket.sendTo(o.to, o.data))
            ++m_datagramsOut;
        else
            ++m_sendFailures;
    }
}

DeviceImage VirtualDevice::image() const {
    return locked([](const DeviceCore& c) { return c.image(); });
}

void VirtualDevice::setImage(const DeviceImage& image) {
    std::lock_guard lock(m_mutex);
    m_core.image() = image;
}

void VirtualDevice::reboot(Millis silentFor, std::optional<DeviceImage> startImage) {
    std::lock_guard lock(m_mutex);
    m_core.reboot(systemClock().now(), silentFor, startImage ? *startImage : m_startImage);
}

bool VirtualDevice::booting() const {
    return locked([](const DeviceCore& c) { return c.booting(systemClock().now()); });
}

FaultKnobs VirtualDevice::knobs() const {
    return locked([](const DeviceCore& c) { return c.knobs(); });
}

void VirtualDevice::setKnobs(const FaultKnobs& knobs) {
    std::lock_guard lock(m_mutex);
    m_core.knobs() = knobs;
}

void VirtualDevice::setSilent(bool on) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().silent = on;
}

void VirtualDevice::setDropShare(double share) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().dropShare = std::clamp(share, 0.0, 1.0);
}

void VirtualDevice::setCorruptShare(double share) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().corruptShare = std::clamp(share, 0.0, 1.0);
}

void VirtualDevice::setSplitFrames(bool on) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().splitFrames = on;
}

void VirtualDevice::setHaltReports(bool on) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().haltReports = on;
}

void VirtualDevice::setNoStartAck(bool on) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().noStartAck = on;
}

void VirtualDevice::setBlockAckMissingAt(int index) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().blockAckMissingAt = std::max(index, -1);
}

void VirtualDevice::setCompletionStatus(int status) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().completionStatus = std::clamp(status, -1, 99);
}

void VirtualDevice::setChecksumMismatch(bool on) {
    std::lock_guard lock(m_mutex);
    m_core.knobs().checksumMismatch = on;
}

std::vector<FirmwareRecord> VirtualDevice::firmwareTransfers() const {
    return locked([](const DeviceCore& c) { return c.firmware().finished(); });
}

int VirtualDevice::firmwareTransfersInProgress() const {
    return locked([](const DeviceCore& c) { return c.firmware().inProgress(); });
}

void VirtualDevice::setCompletionDelay(Millis delay) {
    std::lock_guard lock(m_mutex);
    m_core.firmware().setCompletionDelay(delay);
}

void VirtualDevice::setBasicVersion(const std::string& version) {
    std::lock_guard lock(m_mutex);
    m_core.setBasicVersion(version);
}

std::string VirtualDevice::basicVersion() const {
    return locked([](const DeviceCore& c) { return c.basicVersion(); });
}

void VirtualDevice::setFirmwareHook(FirmwareHook hook) {
    std::lock_guard lock(m_mutex);
    m_core.setFirmwareHook(std::move(hook));
}

bool VirtualDevice::statusReportsOn() const {
    return locked([](const DeviceCore& c) { return c.statusReportsOn(); });
}

int VirtualDevice::framesReceived(char letter) const {
    return locked([letter](const DeviceCore& c) { return c.framesReceived(letter); });
}

std::string VirtualDevice::lastFrame(char letter) const {
    return locked([letter](const DeviceCore& c) { return c.lastFrame(letter); });
}

int VirtualDevice::framesBuilt(char letter) const {
    return locked([letter](const DeviceCore& c) { return c.framesBuilt(letter); });
}

int VirtualDevice::parameterFramesRejected() const {
    return locked([](const DeviceCore& c) { return c.parameterFramesRejected(); });
}

} // namespace krm::sim
