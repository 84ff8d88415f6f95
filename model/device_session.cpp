#include "model/device_session.h"

#include "link/device_link.h"
#include "link/link_supervisor.h"
#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "model/parsers.h"
#include "model/report_mailbox.h"
#include "model/senders.h"
#include "model/setting_diff.h"

#include <atomic>
#include <utility>
#include <variant>

namespace krm {

// The link's commands, the receive path and the reply handling in one place. The
// receive thread only parses; everything that touches the image or the supervisor runs
// in tasks posted to the owner thread. Reports wait in a mailbox with one slot per kind,
// so a flood of any kind leaves the owner thread at most one task per kind.
class DeviceSession::Impl final : public LinkCommands, private LinkEvents {
public:
    // venue: null for a link of the session's own, else the shared port it is a channel of.
    Impl(DeviceImage& image, Clock& clock, Post post, SessionEvents& events,
         const GlyphRenderer* glyphs, VenueLink* venue)
        : m_image(image), m_post(std::move(post)), m_events(events),
          m_link(venue ? std::make_unique<DeviceLink>(*venue) : std::make_unique<DeviceLink>()),
          m_commands(image, *m_link, clock, glyphs), m_supervisor(clock, *this, *this) {}

    ~Impl() override {
        *m_alive = false;
        m_link->stop();
    }

    // LinkCommands: "%Q," and the hello go out before the device has answered.
    void sendStopReports() override { m_commands.SendQ(0, SendGate::Always); }
    void sendHello() override { m_commands.SendZ(SendGate::Always); }
    void sendStartReports() override { m_commands.SendQ(1, SendGate::Always); }
    bool startReceiver() override {
        const unsigned generation = ++m_generation;
        return m_link->start([this, generation](std::string_view frame) {
            // Receive thread: parse only.
            auto report = DispatchFrame(frame);
            if (!report)
                return;
            const std::size_t kind = report->index();
            // A task for this kind already waits, or one is posted now: either delivers
            // this report unless a newer one of its kind replaces it first.
            if (m_mailbox.put(std::move(*report), generation)) {
                m_post([this, kind, alive = m_alive] {
                    // Owner thread. A session that is gone, or replies of a receiver
                    // that has since been replaced, are ignored.
                    if (!*alive)
                        return;
                    auto letter = m_mailbox.take(kind);
                    if (letter && letter->generation == m_generation)
                        deliver(letter->report);
                });
            }
            m_reports.fetch_add(1, std::memory_order_release);
        });
    }
    void stopReceiver() override { m_link->stop(); }
    void setLinkOnline(bool online) override { m_link->setOnline(online); }

    void deliver(const IncomingReport& report) {
        if (const auto* basic = std::get_if<BasicVersionReport>(&report)) {
            // Only a question of ours is answered; an unasked answer changes nothing.
            if (auto answered = std::exchange(m_basicAnswer, {}))
                answered(std::string(basic->version()));
            return;
        }
        if (std::holds_alternative<StatusReport>(report)) {
            m_supervisor.onStatusReport();
            // Meters move only while the device is ours and talking: reports that come
            // in while not online (another device's, or stragglers after a disconnect)
            // would light meters that nothing clears again.
            if (!metersLive())
                return;
            ApplyReport(report, m_image);
            m_events.statusUpdated();
            return;
        }
        // While the window's whole setting goes out, a level report tells of the levels the
        // device had before its frames arrived: the image keeps what is being sent, and the
        // reports after the resend tell the device's levels again.
        if (std::holds_alternative<LevelsReport>(report) && m_levelsHeld && m_levelsHeld())
            return;
        // A dump answering a handshake the supervisor offered on its own: keep what the
        // program held, to tell the operator what changed on the device meanwhile.
        if (std::holds_alternative<DumpReport>(report)) {
            if (m_supervisor.healing())
                m_beforeHeal = std::make_unique<DeviceImage>(m_image);
            else
                m_beforeHeal.reset();
        }
        ApplyReport(report, m_image);
        m_events.settingsReported(std::holds_alternative<DumpReport>(report));
        if (std::holds_alternative<DumpReport>(report)) {
            m_supervisor.onDumpReply();
        } else if (std::holds_alternative<IdentReport>(report)) {
            m_supervisor.onIdentReply();
            m_events.refreshAll();
            if (m_reconnected) {
                m_reconnected = false;
                // Without a dump since the offer (lost on the way) nothing was reread,
                // so nothing is said to have changed.
                std::vector<ImageModule> changed;
                if (m_beforeHeal)
                    changed = ChangedModules(*m_beforeHeal, m_image);
                m_beforeHeal.reset();
                m_events.deviceReconnected(changed);
            }
        } else if (std::holds_alternative<LevelsReport>(report)) {
            // The image always takes the levels; the windows only while online.
            if (m_supervisor.online())
                m_events.levelsUpdated();
        }
    }

    // The link is no longer online (disconnect, silence, exit): meters fall to nothing
    // and the auto-mixer states clear, so that no level or red clip stays lit on a
    // device that no longer reports.
    void clearLiveState() {
        ClearStatus(m_image);
        m_events.statusUpdated();
    }

    std::uint64_t reportsReceived() const { return m_reports.load(std::memory_order_acquire); }
    void expectBasicVersion(std::function<void(const std::string&)> answered) {
        m_basicAnswer = std::move(answered);
    }
    DeviceLink& link() { return *m_link; }
    CommandSet& commands() { return m_commands; }
    std::function<bool()> m_levelsHeld;
    LinkSupervisor& supervisor() { return m_supervisor; }

private:
    // After onStatusReport() an online link's indicator is lit again.
    bool metersLive() const { return m_supervisor.receiverStarted() && m_supervisor.online(); }

    // LinkEvents from the supervisor, passed on to the session's listener; leaving the
    // lit state then clears the live values.
    void linkIndicatorChanged(LinkIndicator indicator) override {
        m_events.linkIndicatorChanged(indicator);
        if (indicator != LinkIndicator::Online)
            clearLiveState();
    }
    void connectButtonChanged(bool connected) override { m_events.connectButtonChanged(connected); }
    void connectFailed() override { m_events.connectFailed(); }
    void socketError() override { m_events.socketError(); }
    // Raised inside onIdentReply(); told once the pages have been refreshed.
    void linkReconnected() override { m_reconnected = true; }

    DeviceImage& m_image;
    Post m_post;
    SessionEvents& m_events;
    std::unique_ptr<DeviceLink> m_link;
    CommandSet m_commands;
    LinkSupervisor m_supervisor;
    ReportMailbox m_mailbox;
    unsigned m_generation = 0; // owner thread only
    bool m_reconnected = false;
    std::unique_ptr<DeviceImage> m_beforeHeal;             // the image before a healing dump
    std::function<void(const std::string&)> m_basicAnswer; // who waits for "r"
    std::atomic<std::uint64_t> m_reports{0};
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

DeviceSession::DeviceSession(Clock& clock, Post post, SessionEvents& events,
                             const GlyphRenderer* glyphs) {
    ResetToStartupValues(m_image);
    m_impl = std::make_unique<Impl>(m_image, clock, std::move(post), events, glyphs, nullptr);
    m_impl->link().setDeviceIp(m_deviceIp);
}

DeviceSession::DeviceSession(VenueLink& venue, const Endpoint& device, Clock& clock, Post post,
                             SessionEvents& events, const GlyphRenderer* glyphs) {
    ResetToStartupValues(m_image);
    m_impl = std::make_unique<Impl>(m_image, clock, std::move(post), events, glyphs, &venue);
    setDevice(device.addressText(), device.port);
}

DeviceSession::~DeviceSession() = default;

CommandSet& DeviceSession::commands() {
    return m_impl->commands();
}

void DeviceSession::setDevice(const std::string& ip, std::uint16_t port) {
    m_deviceIp = ip;
    m_impl->link().setDeviceIp(ip);
    m_impl->link().setDevicePort(port);
}

VenueLink& DeviceSession::venue() {
    return m_impl->link().venue();
}

void DeviceSession::releasePort() {
    if (!receiverRunning())
        m_impl->link().stop();
}

void DeviceSession::setLocalPort(std::uint16_t port) {
    m_impl->link().setLocalPort(port);
}

std::uint16_t DeviceSession::boundPort() const {
    return m_impl->link().boundPort();
}

void DeviceSession::toggleConnect() {
    m_impl->supervisor().pressConnectButton();
}

void DeviceSession::connect() {
    m_impl->supervisor().Connect();
}

void DeviceSession::disconnect() {
    m_impl->supervisor().Disconnect();
}

void DeviceSession::stopForUpdate() {
    m_impl->supervisor().StopForUpdate();
}

void DeviceSession::onLinkTimer() {
    m_impl->supervisor().OnLinkTimer();
}

bool DeviceSession::isOnline() const {
    return m_impl->supervisor().online();
}

int DeviceSession::connectTries() const {
    return m_impl->supervisor().connectTries();
}

Millis DeviceSession::connectTime() const {
    return m_impl->supervisor().connectTime();
}

Millis DeviceSession::lastReplyTime() const {
    return m_impl->supervisor().lastReplyTime();
}

bool DeviceSession::isConnecting() const {
    return m_impl->supervisor().connecting();
}

bool DeviceSession::indicatorLit() const {
    return m_impl->supervisor().linkShown();
}

bool DeviceSession::receiverRunning() const {
    return m_impl->link().rxRunning();
}

void DeviceSession::shutdown() {
    m_impl->supervisor().Shutdown();
    m_impl->clearLiveState();
}

bool DeviceSession::requestBasicVersion(std::function<void(const std::string&)> answered) {
    m_impl->expectBasicVersion({});
    if (!answered)
        return true;
    if (!m_impl->link().SendFrame(BuildBasicVersionQuery()))
        return false;
    m_impl->expectBasicVersion(std::move(answered));
    return true;
}

void DeviceSession::holdLevelsWhile(std::function<bool()> held) {
    m_impl->m_levelsHeld = std::move(held);
}

void DeviceSession::touchLastReply() {
    m_impl->supervisor().refreshLastReplyTime();
}

std::uint64_t DeviceSession::reportsReceived() const {
    return m_impl->reportsReceived();
}

std::uint64_t DeviceSession::foreignDatagrams() const {
    return m_impl->link().foreignDatagrams();
}

FrameSink& DeviceSession::sink() {
    return m_impl->link();
}

} // namespace krm
