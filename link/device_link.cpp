#include "link/device_link.h"

#include <utility>

namespace krm {

DeviceLink::DeviceLink()
    : m_ownVenue(std::make_unique<VenueLink>()), m_venue(*m_ownVenue), m_channel(m_venue) {
    m_venue.setLocalPort(kDefaultPort);
    setDeviceIp(kDefaultDeviceIp);
}

DeviceLink::DeviceLink(VenueLink& shared) : m_venue(shared), m_channel(shared) {
    setDeviceIp(kDefaultDeviceIp);
}

DeviceLink::~DeviceLink() {
    stop();
}

// The channel is told outside m_mutex: a frame handler, which runs with the venue's channel
// lock held, may read the address.
void DeviceLink::setDeviceIp(std::string_view deviceIp) {
    std::optional<Endpoint> device;
    {
        std::lock_guard lock(m_mutex);
        m_deviceIp = std::string(deviceIp);
        device = Endpoint::parse(deviceIp, m_devicePort);
    }
    m_channel.setDevice(device);
}

std::string DeviceLink::deviceIp() const {
    std::lock_guard lock(m_mutex);
    return m_deviceIp;
}

bool DeviceLink::deviceIpValid() const {
    return m_channel.device().has_value();
}

void DeviceLink::setDevicePort(std::uint16_t port) {
    std::optional<Endpoint> device;
    {
        std::lock_guard lock(m_mutex);
        m_devicePort = port;
        device = Endpoint::parse(m_deviceIp, m_devicePort);
    }
    m_channel.setDevice(device);
}

std::uint16_t DeviceLink::devicePort() const {
    std::lock_guard lock(m_mutex);
    return m_devicePort;
}

void DeviceLink::setLocalPort(std::uint16_t port) {
    if (m_ownVenue)
        m_ownVenue->setLocalPort(port);
}

std::uint16_t DeviceLink::localPort() const {
    return m_venue.localPort();
}

std::uint16_t DeviceLink::boundPort() const {
    return rxRunning() ? m_venue.boundPort() : 0;
}

void DeviceLink::setSocketErrorHandler(SocketErrorHandler handler) {
    m_socketError = std::move(handler);
}

void DeviceLink::socketError(const std::string& reason) const {
    if (m_socketError)
        m_socketError(reason);
}

bool DeviceLink::start(FrameHandler handler) {
    stop();
    if (m_ownVenue) {
        // The channel listens before the first datagram can arrive.
        m_channel.attach(std::move(handler));
        std::string error;
        if (!m_venue.start(&error)) {
            m_channel.detach();
            socketError(error);
            return false;
        }
        return true;
    }
    if (!m_venue.running()) {
        socketError("the shared local port is not open");
        return false;
    }
    if (!m_channel.attach(std::move(handler))) {
        m_channel.detach();
        socketError("another conversation already talks to " + deviceIp());
        return false;
    }
    return true;
}

void DeviceLink::stop() {
    if (m_ownVenue) {
        m_ownVenue->stop();
        // Asked from the frame handler: the thread ends after it and the owner's next
        // stop() joins it; until then the link works as before.
        if (m_ownVenue->running())
            return;
    }
    m_channel.detach();
}

bool DeviceLink::rxRunning() const {
    return m_channel.attached() && m_venue.running();
}

bool DeviceLink::SendFrame(std::string_view frame) {
    return m_channel.SendFrame(frame);
}

} // namespace krm
