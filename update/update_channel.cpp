#include "update/update_channel.h"

namespace krm {

bool UdpUpdateChannel::open(const Endpoint& device, std::uint16_t localPort, std::string* error) {
    m_device = device;
    m_foreign = 0;
    return m_socket.open(Endpoint{0, localPort}, error);
}

bool UdpUpdateChannel::send(std::string_view datagram) {
    return m_socket.sendTo(m_device, datagram);
}

std::optional<std::string> UdpUpdateChannel::read(std::size_t maxBytes) {
    for (int foreign = 0; foreign < kMaxForeignPerRead; ++foreign) {
        std::optional<Datagram> d = m_socket.receive();
        if (!d)
            return std::nullopt;
        if (d->from != m_device) {
            ++m_foreign;
            continue;
        }
        if (d->data.size() > maxBytes)
            d->data.resize(maxBytes);
        return std::move(d->data);
    }
    return std::nullopt;
}

} // namespace krm
