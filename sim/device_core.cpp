#include "sim/device_core.h"

#include "model/apply_frame.h"
#include "model/dump_fields.h"
#include "model/parsers.h"
#include "sim/device_frames.h"

#include <algorithm>

namespace krm::sim {

namespace {

// More senders than this at once only happens in a sweep; forgetting half-received text
// then is harmless.
constexpr std::size_t kMaxSenders = 16;

std::size_t letterIndex(char letter) {
    return static_cast<unsigned char>(letter) & 0x7Fu;
}

bool isParameterLetter(char letter) {
    return (letter >= 'A' && letter <= 'O') || letter == 'V' || letter == 'W' || letter == 'X';
}

} // namespace

DeviceCore::DeviceCore(DeviceOptions options, DeviceImage image)
    : m_options(std::move(options)), m_image(std::move(image)), m_activity(m_options.seed),
      m_faults(m_options.seed, m_options.maxDatagram), m_firmware(m_options.completionDelay) {
    m_options.statusPeriod = std::max(m_options.statusPeriod, Millis(1));
    m_faults.knobs = m_options.faults;
}

int DeviceCore::framesReceived(char letter) const {
    return m_received[letterIndex(letter)];
}
const std::string& DeviceCore::lastFrame(char letter) const {
    return m_lastFrame[letterIndex(letter)];
}

int DeviceCore::framesBuilt(char letter) const {
    return m_built[letterIndex(letter)];
}

Endpoint DeviceCore::replyTo(const Endpoint& from) const {
    Endpoint to = from;
    if (m_options.peerPort != 0)
        to.port = m_options.peerPort;
    return to;
}

void DeviceCore::queueFrame(const std::string& frame, const Endpoint& to,
                            std::vector<Outgoing>& out) {
    if (frame.size() > 1)
        ++m_built[letterIndex(frame[1])];
    for (std::string& datagram : m_faults.datagrams(frame))
        out.push_back({to, std::move(datagram)});
}

void DeviceCore::reboot(Millis now, Millis silentFor, DeviceImage startImage) {
    m_bootedAt = now + std::max(silentFor, Millis(0));
    m_image = std::move(startImage);
    m_reporting = false;
    m_splitters.clear();
}

std::vector<Outgoing> DeviceCore::receive(std::string_view datagram, const Endpoint& from,
                                          Millis now) {
    if (booting(now))
        return {};
    const auto nul = datagram.find('\0');
    if (nul != std::string_view::npos)
        datagram = datagram.substr(0, nul);
    const std::uint64_t key = std::uint64_t{from.address} << 16 | from.port;
    if (m_splitters.size() >= kMaxSenders && m_splitters.find(key) == m_splitters.end())
        m_splitters.clear();
    std::vector<Outgoing> out;
    m_splitters[key].split(datagram,
                           [&](std::string_view frame) { handleFrame(frame, from, now, out); });
    return out;
}

void DeviceCore::handleFrame(std::string_view frame, const Endpoint& from, Millis now,
                             std::vector<Outgoing>& out) {
    const auto fields = CheckedFrameFields(frame);
    // Letter, address, then data fields and the checksum: a checked frame without an
    // address ("%R," and its checksum) is no request.
    if (!fields || fields->size() < 3 || (*fields)[0].size() != 1)
        return;
    const char letter = (*fields)[0][0];
    ++m_received[letterIndex(letter)];
    m_lastFrame[letterIndex(letter)] = std::string(frame);
    // Data fields between the address and the checksum.
    const std::size_t dataCount = fields->size() - 3;
    auto data = [&](std::size_t i) { return (*fields)[2 + i]; };
    const Endpoint to = replyTo(from);

    // Only requests are answered: another device's dump, report or reply (same letters,
    // other fields) is not, so two devices can never keep each other talking.
    switch (letter) {
    case 'Z':
        if (dataCount == 0) {
            queueFrame(BuildDumpReply(m_image), to, out);
            queueFrame(BuildIdentReply(m_image), to, out);
            if (!m_faults.knobs.haltReports)
                queueFrame(BuildLevelsReport(m_image), to, out);
        }
        return;
    case 'Q':
        if (dataCount == 1 && data(0).size() == 2) {
            const std::int32_t value = HexDigitsValue(data(0));
            if (value == 1) {
                m_reporting = true;
                m_reportPeer = to;
                m_nextStatus = now;
                m_nextLevels = now + m_options.levelsPeriod;
            } else if (value == 0) {
                m_reporting = false;
            }
        }
        return;
    case 'R':
        if (dataCount >= 1 && data(0) == "01")
            queueFrame(BuildSearchReply(), to, out);
        return;
    case 'r':
        // Without a basic version the device is older than the question: it stays silent.
        if (dataCount >= 1 && data(0) == "00" && !m_options.basicVersion.empty())
            queueFrame(BuildVersionReply(m_options.basicVersion), to, out);
        return;
    case 'S':
    case 'T':
    case 'U': {
        if (m_firmwareHook) {
            for (const std::string& reply : m_firmwareHook(frame))
                queueFrame(reply, to, out);
            return;
        }
        const int starts = m_firmware.startsTaken();
        const auto replies = m_firmware.take(frame, now, m_faults.knobs);
        if (m_firmware.startsTaken() != starts)
            m_firmwarePeer = to;
        for (const std::string& reply : replies)
            queueFrame(reply, to, out);
        return;
    }
    default:
        if (isParameterLetter(letter) && !ApplyParameterFrame(frame, m_image))
            ++m_rejected;
        return;
    }
}

std::vector<Outgoing> DeviceCore::tick(Millis now) {
    std::vector<Outgoing> out;
    if (booting(now))
        return out;
    if (auto report = m_firmware.completionDue(now))
        queueFrame(*report, m_firmwarePeer, out);
    if (!m_reporting)
        return out;
    const bool halted = m_faults.knobs.haltReports;
    if (now >= m_nextStatus) {
        if (!halted)
            queueFrame(BuildStatusReport(m_activity.next(m_image)), m_reportPeer, out);
        m_nextStatus += m_options.statusPeriod;
        if (m_nextStatus <= now) // fell behind: no burst of stale reports
            m_nextStatus = now + m_options.statusPeriod;
    }
    if (m_options.levelsPeriod.count() > 0 && now >= m_nextLevels) {
        if (!halted)
            queueFrame(BuildLevelsReport(m_image), m_reportPeer, out);
        m_nextLevels += m_options.levelsPeriod;
        if (m_nextLevels <= now)
            m_nextLevels = now + m_options.levelsPeriod;
    }
    return out;
}

std::optional<Millis> DeviceCore::nextDue() const {
    std::optional<Millis> due = m_firmware.nextDue();
    auto earliest = [&due](Millis t) { due = due ? std::min(*due, t) : t; };
    if (m_reporting) {
        earliest(m_nextStatus);
        if (m_options.levelsPeriod.count() > 0)
            earliest(m_nextLevels);
    }
    return due;
}

} // namespace krm::sim
