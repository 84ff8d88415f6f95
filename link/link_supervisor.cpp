#include "link/link_supervisor.h"

namespace krm {

LinkSupervisor::LinkSupervisor(Clock& clock, LinkEvents& events, LinkCommands& commands)
    : m_clock(clock), m_events(events), m_commands(commands) {}

void LinkSupervisor::pressConnectButton() {
    if (m_online)
        Disconnect();
    else
        Connect();
}

void LinkSupervisor::Connect() {
    if (m_connecting)
        return;
    // The new receive thread replaces the old one; stop() joins, so no pause is needed
    // for the old thread to let go of the port.
    stopReceiver();
    // Without a socket the attempt still runs: its hellos are refused by the link, and
    // after the third timeout the operator gets "CANNOT CONNECT." as for a silent device.
    m_receiverStarted = m_commands.startReceiver();
    if (!m_receiverStarted)
        m_events.socketError();
    m_connecting = true;
    m_connectTries = 0;
    m_commands.sendStopReports();
    m_commands.sendHello();
    m_connectTime = m_clock.now();
}

void LinkSupervisor::Disconnect() {
    m_commands.sendStopReports();
    stopReceiver();
    m_connecting = false;
    setOnline(false);
    m_events.connectButtonChanged(false);
    showIndicator(LinkIndicator::Dark);
}

void LinkSupervisor::OnLinkTimer() {
    const Millis now = m_clock.now();
    if (m_connecting && now - m_connectTime >= kHelloInterval) {
        m_connectTime = now;
        ++m_connectTries;
        if (m_connectTries < kMaxHellos) {
            m_commands.sendHello();
        } else {
            m_connecting = false;
            stopReceiver();
            m_events.connectButtonChanged(false);
            m_events.connectFailed();
        }
    }
    if (m_online && now - lastReplyTime() >= kSilenceLimit) {
        // Restarting the count repeats the notice every 10 s of silence. online stays
        // set: senders keep sending and the next report lights the indicator again.
        m_lastReplyTime.store(now.count());
        if (m_linkShown)
            m_healTime = now + kHealInterval;
        showIndicator(LinkIndicator::Offline);
    }
    if (m_online && !m_linkShown && !m_connecting && m_receiverStarted && now >= m_healTime)
        offerHeal(now);
}

void LinkSupervisor::offerHeal(Millis now) {
    // The same frames as CONNECT, on the receive thread already running: a rebooted
    // device answers with its dump and identification, and onIdentReply() starts its
    // reports again. Offers go on for as long as the silence lasts; there is no one to
    // give up to, and one hello every few seconds costs nothing.
    m_healing = true;
    m_healTime = now + kHealInterval;
    m_commands.sendStopReports();
    m_commands.sendHello();
}

void LinkSupervisor::StopForSearch() {
    if (m_online) {
        Disconnect();
        return;
    }
    const bool wasConnecting = m_connecting;
    m_connecting = false;
    stopReceiver();
    if (wasConnecting)
        m_events.connectButtonChanged(false);
}

void LinkSupervisor::StopForUpdate() {
    const bool wasShown = m_online || m_connecting;
    stopReceiver();
    m_connecting = false;
    setOnline(false);
    m_events.connectButtonChanged(false);
    showIndicator(wasShown ? LinkIndicator::Offline : LinkIndicator::Dark);
}

void LinkSupervisor::Shutdown() {
    if (m_online)
        m_commands.sendStopReports();
    stopReceiver();
    m_connecting = false;
}

void LinkSupervisor::onDumpReply() {
    if (!m_receiverStarted)
        return;
    // The attempt stays under way until the identification: were it lost, clearing
    // `connecting` here would leave the link waiting for it forever, with no retry and
    // no message. The retries go on and the next hello brings both frames again.
    refreshLastReplyTime();
}

void LinkSupervisor::onIdentReply() {
    if (!m_receiverStarted)
        return;
    // The identification also ends the attempt: should the dump have been lost, the
    // retries must not give up (and stop the receiver) on a device that is online.
    m_connecting = false;
    setOnline(true);
    m_events.connectButtonChanged(true);
    showIndicator(LinkIndicator::Online);
    refreshLastReplyTime();
    m_commands.sendStartReports();
    if (m_healing) {
        m_healing = false;
        m_events.linkReconnected();
    }
}

void LinkSupervisor::onStatusReport() {
    if (!m_receiverStarted)
        return;
    refreshLastReplyTime();
    if (m_online && !m_linkShown)
        showIndicator(LinkIndicator::Online);
}

void LinkSupervisor::refreshLastReplyTime() {
    m_lastReplyTime.store(m_clock.now().count());
}

void LinkSupervisor::stopReceiver() {
    m_commands.stopReceiver();
    m_receiverStarted = false;
    // Answers to an offer can no longer arrive.
    m_healing = false;
}

void LinkSupervisor::setOnline(bool online) {
    m_online = online;
    m_commands.setLinkOnline(online);
}

void LinkSupervisor::showIndicator(LinkIndicator indicator) {
    m_linkShown = indicator == LinkIndicator::Online;
    m_events.linkIndicatorChanged(indicator);
}

} // namespace krm
