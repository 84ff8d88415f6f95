#include "ui/link_controller.h"

#include "kit/texts.h"
#include "model/device_session.h"
#include "services/venue_watch.h"
#include "ui/host_settings.h"
#include "ui/messages.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"

#include <utility>

namespace krm::ui {

LinkController::LinkController(DeviceSession& session, DiscoveryWorker& discovery,
                               HostSettings& settings, SystemPage& system, TopBar& topBar,
                               QWidget& messageParent, std::optional<QString> deviceOverride,
                               std::uint16_t devicePort, LinkControllerServices services)
    : m_session(session), m_discovery(discovery), m_settings(settings), m_system(system),
      m_topBar(topBar), m_messageParent(messageParent), m_deviceOverride(std::move(deviceOverride)),
      m_devicePort(devicePort), m_services(std::move(services)) {
    connect(&m_system, &SystemPage::addressConfirmed, this, &LinkController::pickDevice);
    connect(&m_system, &SystemPage::devicePicked, this, &LinkController::pickDevice);
    connect(&m_system, &SystemPage::searchPressed, this, &LinkController::startSearch);
    connect(&m_system, &SystemPage::connectPressed, this, &LinkController::pressConnect);
    m_system.setAddress(QString::fromStdString(m_session.deviceIp()));
    m_timer.setInterval(kLinkTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &LinkController::timerTick);
}

void LinkController::pickDevice(const QString& ip) {
    m_system.setAddress(ip);
    // Demo mode leaves the stored address alone: the next start without --demo must still
    // find the real device, not a loopback address of this session.
    if (!m_deviceOverride)
        m_settings.setHostIp(ip);
    m_session.setDevice(ip.toStdString(), m_devicePort);
}

bool LinkController::refusedWhileUpdating() {
    // The update socket holds the local port the link and the search would bind: with
    // address reuse they would take the device's replies away from the transfer.
    if (!m_services.updating || !m_services.updating())
        return false;
    ShowMessage(&m_messageParent, QStringLiteral("KRM-416X 3.1"), UpdateBusyText());
    return true;
}

bool LinkController::takeTypedAddress() {
    // CONNECT goes where the box says, as if OK had been pressed: an address typed without
    // OK must not be left for the one stored before.
    const std::optional<QString> typed = m_system.typedAddress();
    if (!typed) {
        ShowMessage(&m_messageParent, QStringLiteral("KRM-416X 3.1"),
                    text("INVALID IP ADDRESS.\nNot connected: type the device's dotted "
                         "address and press CONNECT again.",
                         "IP地址无效.\n未连接：请输入设备的点分地址后再按连接。"),
                    QMessageBox::Warning);
        return false;
    }
    if (typed->toStdString() != m_session.deviceIp())
        pickDevice(*typed);
    else
        m_system.setAddress(*typed); // as OK shows it
    return true;
}

void LinkController::pressConnect() {
    if (refusedWhileUpdating())
        return;
    if (!m_session.isOnline() && !m_session.isConnecting() && !takeTypedAddress())
        return;
    // The search socket and the link bind the same local port: a search ends here.
    stopSearch();
    const bool wasOnline = m_session.isOnline();
    m_session.toggleConnect();
    if (!wasOnline && m_session.isConnecting() && m_services.connecting)
        m_services.connecting();
}

void LinkController::startSearch() {
    if (refusedWhileUpdating())
        return;
    auto sweep = [this] {
        // The link's receive socket holds the port the search needs: take the link down.
        if (m_session.receiverRunning() || m_session.isConnecting())
            m_session.disconnect();
        // The watch over the venue may hold the port open while no link runs.
        m_session.releasePort();
        m_discovery.start();
    };
    if (!m_session.isOnline() && !m_session.isConnecting()) {
        sweep();
        return;
    }
    // A live link is never dropped without the operator's word.
    m_services.ask(text("Search needs the connection: disconnect from %1 and search?",
                        "搜索需要断开连接：断开与 %1 的连接并搜索？")
                       .arg(QString::fromStdString(m_session.deviceIp())),
                   [this, sweep](bool ok) {
                       if (ok && !refusedWhileUpdating())
                           sweep();
                   });
}

void LinkController::stopSearch() {
    m_discovery.stop();
    m_system.setSearchVisible(false);
}

void LinkController::timerTick() {
    m_session.onLinkTimer();
    if (m_services.watch)
        m_services.watch->tick();
}

void LinkController::switchTo(const QString& ip) {
    if (refusedWhileUpdating())
        return;
    const bool same = ip.toStdString() == m_session.deviceIp();
    if (same && (m_session.isOnline() || m_session.isConnecting()))
        return;
    if (m_session.isOnline() || m_session.isConnecting())
        m_session.disconnect();
    pickDevice(ip);
    pressConnect();
}

void LinkController::searchStarted(int total) {
    m_system.clearDevices();
    m_system.setSearchRange(total);
    m_system.setSearchVisible(true);
}

void LinkController::searchProgress(int done, int) {
    m_system.setSearchProgress(done);
}

void LinkController::deviceFound(const Endpoint& device) {
    m_system.addDevice(QString::fromStdString(device.addressText()), device.port);
}

void LinkController::sweepFinished() {
    m_system.setSearchVisible(false);
}

void LinkController::socketError(const std::string&) {
    m_system.setSearchVisible(false);
    ShowSocketError(&m_messageParent);
}

void LinkController::linkIndicatorChanged(LinkIndicator indicator) {
    m_topBar.setLinkShown(indicator == LinkIndicator::Online);
    if (m_services.linkChanged)
        m_services.linkChanged();
}

void LinkController::connectButtonChanged(bool connected) {
    m_system.setConnected(connected);
    if (m_services.linkChanged)
        m_services.linkChanged();
}

void LinkController::connectFailed() {
    ShowCannotConnect(&m_messageParent, QString::fromStdString(m_session.deviceIp()));
}

void LinkController::socketError() {
    ShowSocketError(&m_messageParent);
}

} // namespace krm::ui
