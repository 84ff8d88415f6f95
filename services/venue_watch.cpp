#include "services/venue_watch.h"

#include "link/frame.h"
#include "link/udp_socket.h"
#include "link/venue_link.h"
#include "model/device_session.h"
#include "model/frame_builders.h"
#include "model/parsers.h"

#include <algorithm>
#include <mutex>
#include <unordered_set>

namespace krm {

// What the receive thread reads: which addresses are watched, and whether the watch still
// exists when a posted answer arrives.
struct VenueWatch::Shared {
    std::mutex mutex;
    std::unordered_set<std::uint32_t> addresses;
    std::uint16_t port = kDevicePort;
    bool alive = true; // owner thread only
};

namespace {

std::optional<std::uint32_t> AddressOf(const std::string& text) {
    const auto endpoint = Endpoint::parse(text, 0);
    return endpoint ? std::optional(endpoint->address) : std::nullopt;
}

} // namespace

VenueWatch::VenueWatch(DeviceSession& session, Clock& clock, Post post, std::uint16_t devicePort)
    : m_session(session), m_clock(clock), m_post(std::move(post)), m_devicePort(devicePort),
      m_shared(std::make_shared<Shared>()) {
    m_shared->port = devicePort;
    // The listener holds the shared part only: a datagram read while the watch goes away
    // posts a task that finds it gone.
    std::weak_ptr<Shared> weak = m_shared;
    VenueWatch* self = this;
    Post post2 = m_post;
    m_session.venue().setStrayListener(
        [weak, self, post2](const Endpoint& from, std::string_view datagram) {
            const auto shared = weak.lock();
            if (!shared)
                return false;
            {
                std::lock_guard lock(shared->mutex);
                if (from.port != shared->port || !shared->addresses.count(from.address))
                    return false;
            }
            // The questions are short and so are their answers: a datagram holds whole
            // frames, and nothing is kept from one datagram to the next.
            std::string pending;
            std::string version;
            bool good = false;
            SplitFrames(datagram, pending, [&](std::string_view frame) {
                good = true;
                if (const auto basic = ParseBasicVersion(frame))
                    version = std::string(basic->version());
            });
            if (good) {
                post2([shared, self, address = from.address, version] {
                    if (shared->alive)
                        self->answered(address, version);
                });
            }
            return true;
        });
}

VenueWatch::~VenueWatch() {
    m_session.venue().setStrayListener(nullptr);
    m_shared->alive = false;
}

bool VenueWatch::add(const KnownDevice& device) {
    const auto address = AddressOf(device.address);
    if (!address)
        return false;
    const std::string canonical = Endpoint{*address, 0}.addressText();
    if (std::any_of(m_entries.begin(), m_entries.end(),
                    [&](const Entry& e) { return e.device.address == canonical; }))
        return false;
    Entry entry;
    entry.device = {canonical, device.name};
    m_entries.push_back(std::move(entry));
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->addresses.insert(*address);
    }
    if (m_changed)
        m_changed();
    return true;
}

void VenueWatch::remove(const std::string& address) {
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [&](const Entry& e) { return e.device.address == address; });
    if (it == m_entries.end())
        return;
    m_entries.erase(it);
    if (const auto a = AddressOf(address)) {
        std::lock_guard lock(m_shared->mutex);
        m_shared->addresses.erase(*a);
    }
    if (m_changed)
        m_changed();
}

void VenueWatch::answered(std::uint32_t address, const std::string& basicVersion) {
    const std::string text = Endpoint{address, 0}.addressText();
    for (Entry& e : m_entries) {
        if (e.device.address != text)
            continue;
        e.lastSeen = std::max(m_clock.now(), Millis{1});
        e.unansweredSince = Millis{0};
        if (!basicVersion.empty())
            e.basicVersion = basicVersion;
        refreshStatuses(m_clock.now());
        if (m_changed)
            m_changed();
        return;
    }
}

bool VenueWatch::ensurePort() {
    VenueLink& venue = m_session.venue();
    if (venue.running())
        return true;
    if (m_claimPort && !m_claimPort())
        return false;
    return venue.start();
}

void VenueWatch::refreshStatuses(Millis now) {
    const std::string sessionDevice = m_session.deviceIp();
    for (Entry& e : m_entries) {
        if (e.device.address == sessionDevice && m_session.isOnline()) {
            e.status = Status::Connected;
            e.lastSeen = std::max(m_session.lastReplyTime(), Millis{1});
        } else if (e.lastSeen.count() > 0 && now - e.lastSeen <= kAliveFor) {
            e.status = Status::Alive;
        } else if (e.unansweredSince.count() > 0 && now - e.unansweredSince >= kAnswerWait) {
            e.status = Status::Silent;
        } else if (e.lastSeen.count() > 0) {
            // The last answer is too old, and the question since is still young.
            e.status = Status::Silent;
        }
    }
}

void VenueWatch::tick() {
    if (m_entries.empty())
        return;
    const Millis now = m_clock.now();
    std::vector<Status> before;
    before.reserve(m_entries.size());
    for (const Entry& e : m_entries)
        before.push_back(e.status);

    if (ensurePort()) {
        // Spread the questions over the interval: about n × 50 ms / 5 s devices a tick.
        const std::size_t n = m_entries.size();
        const std::size_t budget = std::max<std::size_t>(1, (n * 50 + 4999) / 5000);
        const std::string sessionDevice = m_session.deviceIp();
        const bool sessionTalks = m_session.receiverRunning();
        const std::size_t start = m_next;
        std::size_t sent = 0;
        for (std::size_t k = 0; k < n && sent < budget; ++k) {
            const std::size_t i = (start + k) % n;
            m_next = (i + 1) % n;
            Entry& e = m_entries[i];
            const bool due = e.lastAsked.count() == 0 || now - e.lastAsked >= kPollInterval;
            if (!due || (sessionTalks && e.device.address == sessionDevice))
                continue;
            const auto to = Endpoint::parse(e.device.address, m_devicePort);
            if (to && m_session.venue().sendTo(*to, BuildBasicVersionQuery())) {
                ++m_questions;
                ++sent;
                e.lastAsked = std::max(now, Millis{1});
                if (e.unansweredSince.count() == 0)
                    e.unansweredSince = e.lastAsked;
            }
        }
    }
    refreshStatuses(now);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].status != before[i]) {
            if (m_changed)
                m_changed();
            break;
        }
    }
}

const char* VenueStatusText(VenueWatch::Status status, bool chinese) {
    switch (status) {
    case VenueWatch::Status::Alive:
        return chinese ? "在线" : "ALIVE";
    case VenueWatch::Status::Silent:
        return chinese ? "无应答" : "SILENT";
    case VenueWatch::Status::Connected:
        return chinese ? "已连接" : "CONNECTED";
    case VenueWatch::Status::Unknown:
        break;
    }
    return chinese ? "…" : "…";
}

} // namespace krm
