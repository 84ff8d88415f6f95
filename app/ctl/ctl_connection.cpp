#include "app/ctl/ctl_connection.h"

#include "app/ctl/ctl.h"

namespace krm::ctl {

namespace {
// The window's link timer.
constexpr std::chrono::milliseconds kLinkTick{50};
} // namespace

CtlConnection::CtlConnection(Clock& clock, const GlyphRenderer* glyphs, TaskQueue* shared)
    : m_clock(clock), m_queue(shared ? *shared : m_ownQueue),
      m_session(clock, m_queue.poster(), *this, glyphs) {
    buildSenders(glyphs);
}

CtlConnection::CtlConnection(VenueLink& venue, const Endpoint& device, Clock& clock,
                             const GlyphRenderer* glyphs, TaskQueue& shared, Post post)
    : m_clock(clock), m_queue(shared),
      m_session(venue, device, clock, std::move(post), *this, glyphs) {
    buildSenders(glyphs);
}

void CtlConnection::buildSenders(const GlyphRenderer* glyphs) {
    // As the window builds them: the bulk sender keeps the watchdog quiet while it plays.
    m_bulk = std::make_unique<PacedSender>(m_session.sink(), m_clock,
                                           [session = &m_session] { session->touchLastReply(); });
    m_linked = std::make_unique<PacedSender>(m_session.sink(), m_clock);
    m_edits = std::make_unique<EditService>(m_session.image(), m_session.sink(), *m_linked, *m_bulk,
                                            glyphs);
}

CtlConnection::~CtlConnection() {
    close();
}

void CtlConnection::start(const std::string& ip, std::uint16_t devicePort,
                          std::uint16_t localPort) {
    m_session.setLocalPort(localPort);
    m_session.setDevice(ip, devicePort);
    m_failed = false;
    m_socketError = false;
    m_session.connect();
}

CtlConnection::State CtlConnection::state() const {
    if (m_session.isOnline())
        return State::Online;
    if (m_socketError)
        return State::SocketError;
    return m_failed ? State::Failed : State::Waiting;
}

void CtlConnection::abandon() {
    m_session.disconnect();
}

bool CtlConnection::open(const std::string& ip, std::uint16_t devicePort, std::uint16_t localPort,
                         std::chrono::milliseconds timeout, std::string& error) {
    start(ip, devicePort, localPort);
    pumpUntil([this] { return state() != State::Waiting; }, timeout);
    if (m_session.isOnline())
        return true;
    if (m_socketError)
        error = "cannot open the local UDP port " + std::to_string(localPort) +
                " (another program may be using it)";
    else
        error = "device did not answer: no reply from " + ip + ":" + std::to_string(devicePort) +
                " within " + std::to_string(timeout.count()) + " ms";
    abandon();
    return false;
}

bool PumpTasks(TaskQueue& queue, const std::function<void()>& linkTimer,
               const std::function<bool()>& done, std::chrono::milliseconds limit) {
    using Steady = std::chrono::steady_clock;
    const auto deadline = Steady::now() + limit;
    auto nextTick = Steady::now() + kLinkTick;
    while (!done()) {
        const auto now = Steady::now();
        if (now >= deadline || CtlInterrupted().load())
            return false;
        if (now >= nextTick) {
            linkTimer();
            nextTick = now + kLinkTick;
        }
        queue.waitAndRun(std::chrono::milliseconds(5));
    }
    return true;
}

bool CtlConnection::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return PumpTasks(
        m_queue, [this] { m_session.onLinkTimer(); }, done, limit);
}

void CtlConnection::waitSent() {
    m_linked->waitIdle();
    m_bulk->waitIdle();
}

void CtlConnection::close() {
    if (m_closed)
        return;
    m_closed = true;
    // Interrupted: what is still queued is dropped (stop() below), not waited for.
    if (!CtlInterrupted().load())
        waitSent();
    m_bulk->stop();
    m_linked->stop();
    m_session.shutdown();
    m_queue.runPending();
}

} // namespace krm::ctl
