#include "app/ctl/ctl_venue.h"

#include "app/ctl/ctl.h"
#include "app/ctl/parallel_for.h"

#include <algorithm>

namespace krm::ctl {

namespace {
// The window's link timer.
constexpr std::chrono::milliseconds kLinkTick{50};
// Threads that say hello to a venue's devices, this one included.
constexpr std::size_t kHelloThreads = 32;
using Steady = std::chrono::steady_clock;
} // namespace

CtlVenue::CtlVenue(Clock& clock, const GlyphRenderer* glyphs) : m_clock(clock), m_glyphs(glyphs) {}

CtlVenue::~CtlVenue() {
    close();
}

void CtlVenue::open(const std::vector<VenueDevice>& devices, std::uint16_t devicePort,
                    std::uint16_t localPort, std::chrono::milliseconds timeout) {
    const auto started = Steady::now();
    m_link.setLocalPort(localPort);
    std::string socketError;
    const bool linkRuns = m_link.running() || m_link.start(&socketError);
    m_members.reserve(m_members.size() + devices.size());
    for (const VenueDevice& device : devices) {
        Member m;
        m.device = device;
        const Endpoint at = Endpoint::parse(device.address, devicePort).value_or(Endpoint{});
        m.connection = std::make_unique<CtlConnection>(m_link, at, m_clock, m_glyphs, m_queue);
        if (!linkRuns) {
            m.state = CtlConnection::State::SocketError;
            m.error =
                "cannot open the local UDP port " + std::to_string(localPort) + ": " + socketError;
        }
        m_members.push_back(std::move(m));
    }
    if (!linkRuns)
        return;
    // The hello is followed by the program's pause for the device (10 ms) on the thread
    // that sends it; one after another that would be two seconds for two hundred devices.
    // A few short-lived threads say hello at once, each to devices of its own, while this
    // thread waits for them: nothing else touches a session until they are joined, and
    // the replies wait in the queue.
    ParallelFor(m_members.size(), kHelloThreads, [&](std::size_t i) {
        m_members[i].connection->start(m_members[i].device.address, devicePort, localPort);
    });
    // Settles each member as its state leaves Waiting, timing it there.
    const auto settle = [&] {
        bool waiting = false;
        for (Member& m : m_members) {
            if (m.state != CtlConnection::State::Waiting)
                continue;
            m.state = m.connection->state();
            if (m.state == CtlConnection::State::Waiting)
                waiting = true;
            else
                m.took =
                    std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - started);
        }
        return !waiting;
    };
    pumpUntil(settle, timeout);
    settle();
    for (Member& m : m_members) {
        switch (m.state) {
        case CtlConnection::State::Online:
            continue;
        case CtlConnection::State::SocketError:
            if (m.error.empty())
                m.error = "cannot open the local UDP port " + std::to_string(localPort);
            break;
        case CtlConnection::State::Failed:
        case CtlConnection::State::Waiting:
            m.state = CtlConnection::State::Failed;
            m.took = timeout;
            m.error = "no reply within " + std::to_string(timeout.count()) + " ms";
            break;
        }
        m.connection->abandon();
    }
}

int CtlVenue::onlineCount() const {
    return static_cast<int>(std::count_if(m_members.begin(), m_members.end(),
                                          [](const Member& m) { return m.online(); }));
}

bool CtlVenue::socketFailed() const {
    return std::any_of(m_members.begin(), m_members.end(), [](const Member& m) {
        return m.state == CtlConnection::State::SocketError;
    });
}

bool CtlVenue::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Steady::now() + limit;
    auto nextTick = Steady::now() + kLinkTick;
    while (!done()) {
        const auto now = Steady::now();
        if (now >= deadline || CtlInterrupted().load())
            return false;
        if (now >= nextTick) {
            for (Member& m : m_members)
                m.connection->session().onLinkTimer();
            nextTick = now + kLinkTick;
        }
        m_queue.waitAndRun(std::chrono::milliseconds(5));
    }
    return true;
}

void CtlVenue::close() {
    // Every sender first, so the goodbyes go out only after every device has its frames.
    if (!CtlInterrupted().load())
        for (Member& m : m_members)
            m.connection->waitSent();
    for (Member& m : m_members)
        m.connection->close();
    m_queue.runPending();
    m_link.stop();
}

} // namespace krm::ctl
