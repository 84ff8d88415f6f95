#pragma once
// LinkController: the window's side of the link and of the search — the stored device
// address, CONNECT/DISCONNECT, Search (asking first while a link is up), the link's
// events on the top bar's indicator and the system page, the search's progress and the
// devices it found, and the 50 ms link timer. A firmware update holds the local port:
// CONNECT and Search are refused while it runs.
//
// UI thread only.

#include "link/discovery.h"
#include "link/link_events.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace krm {
class DeviceSession;
class VenueWatch;
} // namespace krm

namespace krm::ui {

class HostSettings;
class SystemPage;
class TopBar;

struct LinkControllerServices {
    // An OK/Cancel question; `answer` gets true after OK.
    std::function<void(const QString&, std::function<void(bool)>)> ask;
    // True while a firmware update holds the local port.
    std::function<bool()> updating;
    // A connect began: the console goes to the channel page.
    std::function<void()> connecting;
    // The link went up or down.
    std::function<void()> linkChanged;
    // The watch over the venue's other devices, asked on the link timer (may be null).
    VenueWatch* watch = nullptr;
};

class LinkController final : public QObject, public LinkEvents, public DiscoveryEvents {
    Q_OBJECT
public:
    static constexpr int kLinkTimerMs = 50;

    // `deviceOverride` (demo mode) leaves the stored address alone.
    LinkController(DeviceSession& session, DiscoveryWorker& discovery, HostSettings& settings,
                   SystemPage& system, TopBar& topBar, QWidget& messageParent,
                   std::optional<QString> deviceOverride, std::uint16_t devicePort,
                   LinkControllerServices services);

    // The session points at `ip`; the stored address follows unless in demo mode.
    void pickDevice(const QString& ip);
    void pressConnect();
    // The window goes to another device: the link to the present one (if any) is closed
    // and the new one is connected, as CONNECT would after picking its address.
    void switchTo(const QString& ip);
    void startSearch();
    // Ends a search in progress (the update needs the port).
    void stopSearch();
    // True (and the busy message shown) while a firmware update holds the local port.
    bool refusedWhileUpdating();
    // Body of the 50 ms link timer.
    void timerTick();
    void startTimer() { m_timer.start(); }
    void stopTimer() { m_timer.stop(); }

    // LinkEvents (UI thread, queued by the session).
    void linkIndicatorChanged(LinkIndicator indicator) override;
    void connectButtonChanged(bool connected) override;
    void connectFailed() override;
    void socketError() override;
    // DiscoveryEvents (UI thread, queued by the worker).
    void searchStarted(int total) override;
    void searchProgress(int done, int total) override;
    void deviceFound(const Endpoint& device) override;
    void sweepFinished() override;
    void socketError(const std::string& reason) override;

private:
    // Before a connect: the box's address replaces the stored one when it differs; false
    // (and said so) when the box holds no valid address.
    bool takeTypedAddress();

    DeviceSession& m_session;
    DiscoveryWorker& m_discovery;
    HostSettings& m_settings;
    SystemPage& m_system;
    TopBar& m_topBar;
    QWidget& m_messageParent;
    std::optional<QString> m_deviceOverride;
    std::uint16_t m_devicePort;
    LinkControllerServices m_services;
    QTimer m_timer;
};

} // namespace krm::ui
