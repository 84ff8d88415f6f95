#include "link/venue_link.h"

#include <utility>

namespace krm {

VenueLink::~VenueLink() {
    stop();
}

std::size_t VenueLink::channelCount() const {
    auto lock = lockChannels();
    return m_channels.size();
}

bool VenueLink::start(std::string* error) {
    stop();
    UdpSocket socket;
    if (!socket.open(Endpoint{0, m_localPort}, error))
        return false;
    m_boundPort.store(socket.localEndpoint().port, std::memory_order_release);
    {
        std::lock_guard lock(m_socketMutex);
        m_socket = std::move(socket);
    }
    // A stop request left from the previous thread must not end the new one.
    m_stop.store(false, std::memory_order_release);
    m_running.store(true, std::memory_order_release);
    m_thread = std::thread(&VenueLink::receiveLoop, this);
    return true;
}

void VenueLink::stop() {
    if (onReceiveThread()) {
        // Asked from a frame handler: the loop ends when the handler returns; the owner's
        // next stop() or start() joins the thread.
        m_stop.store(true, std::memory_order_release);
        return;
    }
    if (m_thread.joinable()) {
        m_stop.store(true, std::memory_order_release);
        m_socket.wake();
        m_thread.join();
    }
    m_rxThreadId.store(std::thread::id(), std::memory_order_release);
    std::lock_guard lock(m_socketMutex);
    m_socket.close();
    m_boundPort.store(0, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
}

bool VenueLink::onReceiveThread() const {
    return m_rxThreadId.load(std::memory_order_acquire) == std::this_thread::get_id();
}

std::unique_lock<std::mutex> VenueLink::lockChannels() const {
    // Handlers run with the lock held by their own thread.
    if (onReceiveThread())
        return std::unique_lock<std::mutex>(m_channelsMutex, std::defer_lock);
    return std::unique_lock<std::mutex>(m_channelsMutex);
}

bool VenueLink::route(VenueChannel& channel, std::optional<std::uint32_t> address) {
    unroute(channel);
    if (!address)
        return true;
    if (!m_channels.try_emplace(*address, &channel).second)
        return false;
    channel.m_routedAddress = address;
    channel.m_routed.store(true, std::memory_order_release);
    return true;
}

void VenueLink::unroute(VenueChannel& channel) {
    if (!channel.m_routedAddress)
        return;
    m_channels.erase(*channel.m_routedAddress);
    channel.m_routedAddress.reset();
    channel.m_routed.store(false, std::memory_order_release);
}

void VenueLink::setStrayListener(StrayListener listener) {
    auto lock = lockChannels();
    m_stray = std::move(listener);
}

bool VenueLink::sendTo(const Endpoint& to, std::string_view frame) {
    std::lock_guard lock(m_socketMutex);
    if (!m_running.load(std::memory_order_acquire) || !m_socket.isOpen())
        return false;
    return m_socket.sendTo(to, frame);
}

void VenueLink::receiveLoop() {
    // Lets stop() and the channels recognise a call from a handler (m_thread itself may
    // still be being assigned by start() on the owner thread).
    m_rxThreadId.store(std::this_thread::get_id(), std::memory_order_release);
    while (!m_stop.load(std::memory_order_acquire)) {
        // The long timeout is only a safety net: stop() wakes the wait at once.
        if (!m_socket.waitReadable(1000))
            continue;
        while (!m_stop.load(std::memory_order_acquire)) {
            auto datagram = m_socket.receive();
            if (!datagram)
                break;
            std::lock_guard lock(m_channelsMutex);
            const auto it = m_channels.find(datagram->from.address);
            // Another host (a processor nobody here talks to, a forger) or another port
            // of a device's host: never a device's text.
            if (it == m_channels.end() || it->second->m_port != datagram->from.port) {
                if (m_stray && m_stray(datagram->from, DatagramText(datagram->data)))
                    continue;
                m_foreign.fetch_add(1, std::memory_order_relaxed);
                continue;
            }
            it->second->take(DatagramText(datagram->data));
        }
    }
}

VenueChannel::~VenueChannel() {
    detach();
}

void VenueChannel::setDevice(std::optional<Endpoint> device) {
    {
        std::lock_guard lock(m_deviceMutex);
        m_device = device;
    }
    auto lock = m_venue.lockChannels();
    m_port = device ? device->port : 0;
    m_dropPending = true;
    if (attached())
        m_venue.route(*this, device ? std::optional(device->address) : std::nullopt);
}

std::optional<Endpoint> VenueChannel::device() const {
    std::lock_guard lock(m_deviceMutex);
    return m_device;
}

bool VenueChannel::attach(FrameHandler handler) {
    const auto address = [this]() -> std::optional<std::uint32_t> {
        std::lock_guard lock(m_deviceMutex);
        return m_device ? std::optional(m_device->address) : std::nullopt;
    }();
    auto lock = m_venue.lockChannels();
    m_handler = std::move(handler);
    m_dropPending = true;
    m_attached.store(true, std::memory_order_release);
    return m_venue.route(*this, address);
}

void VenueChannel::detach() {
    const bool fromHandler = m_venue.onReceiveThread();
    auto lock = m_venue.lockChannels();
    m_attached.store(false, std::memory_order_release);
    m_venue.unroute(*this);
    // A handler that detaches its own channel is still running: it is let go at the next
    // attach instead.
    if (!fromHandler)
        m_handler = nullptr;
}

bool VenueChannel::SendFrame(std::string_view frame) {
    const auto to = device();
    if (!to || !attached())
        return false;
    return m_venue.sendTo(*to, frame);
}

void VenueChannel::take(std::string_view text) {
    if (std::exchange(m_dropPending, false))
        m_splitter.clear();
    m_datagrams.fetch_add(1, std::memory_order_relaxed);
    m_splitter.split(text, [this](std::string_view frame) {
        // A handler may detach its channel in the middle of a datagram.
        if (!attached())
            return;
        m_frames.fetch_add(1, std::memory_order_relaxed);
        if (m_handler)
            m_handler(frame);
    });
}

} // namespace krm
