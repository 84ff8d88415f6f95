#include "link/device_link.h"

#include "link/frame.h"

#include <utility>

namespace krm {

namespace {

constexpr std::uint64_t kValidDevice = std::uint64_t{1} << 48;

std::uint64_t Packed(const Endpoint& e) {
    return kValidDevice | std::uint64_t{e.address} << 16 | e.port;
}

} // namespace

DeviceLink::DeviceLink() {
    setDeviceIp(kDefaultDeviceIp);
}

DeviceLink::~DeviceLink() {
    stop();
}

void DeviceLink::setDeviceIp(std::string_view deviceIp) {
    std::lock_guard lock(m_sendMutex);
    m_deviceIp = std::string(deviceIp);
    m_destination = Endpoint::parse(deviceIp, m_devicePort);
    publishDevice();
}

std::string DeviceLink::deviceIp() const {
    std::lock_guard lock(m_sendMutex);
    return m_deviceIp;
}

bool DeviceLink::deviceIpValid() const {
    std::lock_guard lock(m_sendMutex);
    return m_destination.has_value();
}

void DeviceLink::setDevicePort(std::uint16_t port) {
    std::lock_guard lock(m_sendMutex);
    m_devicePort = port;
    if (m_destination)
        m_destination->port = port;
    publishDevice();
}

void DeviceLink::publishDevice() {
    m_device.store(m_destination ? Packed(*m_destination) : 0, std::memory_order_release);
}

std::uint16_t DeviceLink::devicePort() const {
    std::lock_guard lock(m_sendMutex);
    return m_devicePort;
}

void DeviceLink::setLocalPort(std::uint16_t port) {
    m_localPort = port;
}

std::uint16_t DeviceLink::localPort() const {
    return m_localPort;
}

std::uint16_t DeviceLink::boundPort() const {
    return m_boundPort.load(std::memory_order_acquire);
}

void DeviceLink::setSocketErrorHandler(SocketErrorHandler handler) {
    m_socketError = std::move(handler);
}

bool DeviceLink::start(FrameHandler handler) {
    stop();
    UdpSocket socket;
    std::string error;
    if (!socket.open(Endpoint{0, m_localPort}, &error)) {
        if (m_socketError)
            m_socketError(error);
        return false;
    }
    m_boundPort.store(socket.localEndpoint().port, std::memory_order_release);
    {
        std::lock_guard lock(m_sendMutex);
        m_socket = std::move(socket);
    }
    // A stop request left from the previous thread must not end the new one.
    m_rxStop.store(false, std::memory_order_release);
    m_rxRunning.store(true, std::memory_order_release);
    m_thread = std::thread(&DeviceLink::receiveLoop, this, std::move(handler));
    return true;
}

void DeviceLink::stop() {
    if (m_rxThreadId.load(std::memory_order_acquire) == std::this_thread::get_id()) {
        // Asked from the frame handler: the loop ends when the handler returns; the
        // owner's next stop() or start() joins the thread.
        m_rxStop.store(true, std::memory_order_release);
        return;
    }
    if (m_thread.joinable()) {
        m_rxStop.store(true, std::memory_order_release);
        m_socket.wake();
        m_thread.join();
    }
    m_rxThreadId.store(std::thread::id(), std::memory_order_release);
    std::lock_guard lock(m_sendMutex);
    m_socket.close();
    m_boundPort.store(0, std::memory_order_release);
    m_rxRunning.store(false, std::memory_order_release);
}

bool DeviceLink::SendFrame(std::string_view frame) {
    std::lock_guard lock(m_sendMutex);
    if (!m_rxRunning.load(std::memory_order_acquire) || !m_socket.isOpen() || !m_destination)
        return false;
    return m_socket.sendTo(*m_destination, frame);
}

void DeviceLink::receiveLoop(FrameHandler handler) {
    // Lets stop() recognise a call from the handler (m_thread itself may still be
    // being assigned by start() on the owner thread).
    m_rxThreadId.store(std::this_thread::get_id(), std::memory_order_release);
    // Text left between datagrams belongs to this thread alone, and to the one sender it
    // came from: when the destination changes, the old sender's pending text is dropped.
    FrameSplitter splitter;
    std::uint64_t pendingFrom = m_device.load(std::memory_order_acquire);
    const FrameSplitter::Dispatch dispatch = [&](std::string_view frame) {
        m_frames.fetch_add(1, std::memory_order_relaxed);
        if (handler)
            handler(frame);
    };
    while (!m_rxStop.load(std::memory_order_acquire)) {
        // The long timeout is only a safety net: stop() wakes the wait at once.
        if (!m_socket.waitReadable(1000))
            continue;
        while (!m_rxStop.load(std::memory_order_acquire)) {
            auto datagram = m_socket.receive();
            if (!datagram)
                break;
            const std::uint64_t device = m_device.load(std::memory_order_acquire);
            if (device != pendingFrom) {
                splitter.clear();
                pendingFrom = device;
            }
            // Another host (a second processor still reporting to this computer, a
            // forger) or another port of the device's host: never the device's text.
            if (device == 0 || Packed(datagram->from) != device) {
                m_foreign.fetch_add(1, std::memory_order_relaxed);
                continue;
            }
            m_datagrams.fetch_add(1, std::memory_order_relaxed);
            splitter.split(DatagramText(datagram->data), dispatch);
        }
    }
}

} // namespace krm
