#include "app/ctl/ctl_venue.h"

#include "app/ctl/ctl.h"
#include "app/ctl/work_pool.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace krm::ctl {

namespace {
// Greeter threads: each hello holds one for the pause after it.
constexpr std::size_t kHelloThreads = 16;
// Devices greeted and not yet answered at a time: their answers (a setting dump, the
// identification and a level report, about 4 kB) fit the socket's receive buffer.
constexpr std::size_t kHelloWindow = 16;
// How long a greeted device counts against the window: a device answers in milliseconds.
constexpr std::chrono::milliseconds kFreshHello{250};
using Steady = std::chrono::steady_clock;
} // namespace

// While a greeter thread is inside a session's connect(), a reply may already come in and
// the session post its task; the caller's thread must not run it (nor the session's link
// timer) until connect() has returned. The gate keeps such tasks and lets them through
// once the hello is out.
class HelloGate {
public:
    explicit HelloGate(TaskQueue& queue) : m_queue(queue) {}
    Post poster() {
        return [this](Task task) {
            std::lock_guard lock(m_mutex);
            if (m_greeting.load())
                m_held.push_back(std::move(task));
            else
                m_queue.post(std::move(task));
        };
    }
    // Owner thread, before the greeter is given the session.
    void close() {
        std::lock_guard lock(m_mutex);
        m_greeting.store(true);
    }
    // Greeter thread, once connect() has returned.
    void open() {
        std::lock_guard lock(m_mutex);
        for (Task& task : m_held)
            m_queue.post(std::move(task));
        m_held.clear();
        m_greeting.store(false);
    }
    bool greeting() const { return m_greeting.load(); }

private:
    TaskQueue& m_queue;
    std::mutex m_mutex;
    std::vector<Task> m_held;
    std::atomic<bool> m_greeting{false}; // changed under m_mutex
};

CtlVenue::CtlVenue(Clock& clock, const GlyphRenderer* glyphs) : m_clock(clock), m_glyphs(glyphs) {}

CtlVenue::~CtlVenue() {
    close();
}

void CtlVenue::open(const std::vector<VenueDevice>& devices, std::uint16_t devicePort,
                    std::uint16_t localPort, std::chrono::milliseconds timeout,
                    const std::function<void(Member&)>& online) {
    m_link.setLocalPort(localPort);
    std::string socketError;
    const bool linkRuns = m_link.running() || m_link.start(&socketError);
    m_members.reserve(m_members.size() + devices.size());
    for (const VenueDevice& device : devices) {
        Member m;
        m.device = device;
        const Endpoint at = Endpoint::parse(device.address, devicePort).value_or(Endpoint{});
        m.gate = std::make_shared<HelloGate>(m_queue);
        m.connection = std::make_unique<CtlConnection>(m_link, at, m_clock, m_glyphs, m_queue,
                                                       m.gate->poster());
        if (!linkRuns) {
            m.state = CtlConnection::State::SocketError;
            m.error =
                "cannot open the local UDP port " + std::to_string(localPort) + ": " + socketError;
        }
        m_members.push_back(std::move(m));
    }
    if (!linkRuns)
        return;
    // Every device answers its hello with its whole setting at once, all into the one
    // socket: so that two hundred answers do not overflow its receive buffer, only a
    // window of devices is greeted at a time; a device leaves the window once it answers
    // or once kFreshHello has passed (a silent one then holds no one up).
    // The hello is followed by the program's pause for the device (10 ms) on the thread
    // that sends it, so the hellos go out from greeter threads while this thread pumps
    // the devices already greeted.
    std::vector<Steady::time_point> greeted(m_members.size());
    std::size_t next = 0;
    WorkPool greeters(std::min(kHelloThreads, m_members.size()));
    const auto greetMore = [&](Steady::time_point now) {
        std::size_t fresh = 0;
        for (std::size_t i = 0; i < next; ++i)
            if (m_members[i].state == CtlConnection::State::Waiting &&
                now - greeted[i] < kFreshHello)
                ++fresh;
        for (; fresh < kHelloWindow && next < m_members.size(); ++fresh, ++next) {
            Member* m = &m_members[next];
            greeted[next] = now;
            m->gate->close();
            greeters.post([m, devicePort, localPort] {
                if (!CtlInterrupted().load())
                    m->connection->start(m->device.address, devicePort, localPort);
                m->gate->open();
            });
        }
    };
    // Settles each member as its state leaves Waiting (or its time is up), timing it from
    // its own hello; greets more while some are left.
    const auto settle = [&] {
        const auto now = Steady::now();
        bool waiting = false;
        for (std::size_t i = 0; i < next; ++i) {
            Member& m = m_members[i];
            if (m.state != CtlConnection::State::Waiting)
                continue;
            if (m.gate->greeting()) {
                waiting = true;
                continue;
            }
            m.state = m.connection->state();
            const auto took =
                std::chrono::duration_cast<std::chrono::milliseconds>(now - greeted[i]);
            if (m.state == CtlConnection::State::Waiting && took >= timeout) {
                m.state = CtlConnection::State::Failed;
                m.error = "no reply within " + std::to_string(timeout.count()) + " ms";
            }
            if (m.state == CtlConnection::State::Waiting) {
                waiting = true;
                continue;
            }
            m.took = took;
            if (m.online()) {
                if (online)
                    online(m);
                continue;
            }
            if (m.error.empty()) // the session gave up its hellos on its own
                m.error = "no reply within " + std::to_string(took.count()) + " ms";
            m.connection->abandon();
        }
        const std::size_t greetedBefore = next;
        greetMore(now);
        return !waiting && next == greetedBefore && next == m_members.size();
    };
    // Each device's own timeout ends the wait; this limit only guards against a clock
    // that stops.
    const auto windows = static_cast<long>(m_members.size() / kHelloWindow + 1);
    pumpUntil(settle, timeout + windows * (kFreshHello + timeout));
    greeters.finish();
    // Interrupted: those still waiting, or never greeted, are given up as they stand.
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        Member& m = m_members[i];
        if (m.state != CtlConnection::State::Waiting)
            continue;
        m.state = CtlConnection::State::Failed;
        if (i < next)
            m.took =
                std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - greeted[i]);
        m.error = "no reply (interrupted)";
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
    const auto linkTimer = [this] {
        for (Member& m : m_members)
            if (!m.gate->greeting())
                m.connection->session().onLinkTimer();
    };
    return PumpTasks(m_queue, linkTimer, done, limit);
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
