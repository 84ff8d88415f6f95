#pragma once
// LinkSupervisor: the connect/disconnect button, the hello retries and the watchdog that
// shows "OFFLINE" when the device falls silent. It keeps the link state the operator
// sees (connecting, online, the indicator) and drives the link through LinkCommands.
//
// Threads: user-interface thread only, except refreshLastReplyTime() (any thread, for
// paced-send workers that keep the watchdog quiet). Reply notifications (onDumpReply,
// onIdentReply, onStatusReport) come from the frame dispatcher after it has marshalled
// them onto the user-interface thread. Time comes from the injected monotonic Clock.
//
// Self-healing: a rebooted device (or one behind a cable pulled and put back) sends no
// reports until it is asked, so a link showing "OFFLINE" would stay so until the operator
// pressed DISCONNECT and CONNECT. While the link is online but shown "OFFLINE", the
// supervisor offers the connect handshake ("%Q," 0 and the hello) every kHealInterval on
// its own; the device's identification then brings the link back as after CONNECT and
// raises linkReconnected(). Never after DISCONNECT, a search or a firmware update (online
// is cleared then), and never during a connect attempt.

#include "link/clock.h"
#include "link/link_events.h"

#include <atomic>

namespace krm {

// What the supervisor asks of the link and the senders. The model layer implements it
// with its "%Q," and "%Z," senders and a DeviceLink. Called on the user-interface thread.
class LinkCommands {
public:
    virtual ~LinkCommands() = default;
    // "%Q," with value 0: stop the periodic status reports. Sent whatever the online
    // state (it goes out before the device has answered).
    virtual void sendStopReports() = 0;
    // The hello "%Z,", answered by the dump "Z" and the identification "Y". Sent whatever
    // the online state.
    virtual void sendHello() = 0;
    // "%Q," with value 1: start the periodic status reports.
    virtual void sendStartReports() = 0;
    // Stops a discovery sweep if one runs (it binds the same local port), then starts
    // the receive thread (DeviceLink::start). False when the socket cannot be opened.
    virtual bool startReceiver() = 0;
    // Stops and joins the receive thread (DeviceLink::stop).
    virtual void stopReceiver() = 0;
    // Publishes the online flag that senders consult from any thread
    // (DeviceLink::setOnline).
    virtual void setLinkOnline(bool online) = 0;
};

class LinkSupervisor {
public:
    static constexpr Millis kHelloInterval{5000};  // between hellos of one attempt
    static constexpr int kMaxHellos = 3;           // then "CANNOT CONNECT."
    static constexpr Millis kSilenceLimit{10'000}; // without a reply: "OFFLINE"
    // While "OFFLINE": the first handshake offer this long after the notice, then again
    // every interval. The wait lets a device whose reports were only delayed light the
    // indicator again on its own.
    static constexpr Millis kHealInterval{3000};

    LinkSupervisor(Clock& clock, LinkEvents& events, LinkCommands& commands);

    // The one CONNECT/DISCONNECT button: Disconnect() while online, else Connect().
    void pressConnectButton();
    // Starts a connect attempt: a new receive thread, "%Q," 0 and the hello. Ignored while
    // an attempt is under way. When the socket cannot be opened, socketError() is raised
    // and the attempt runs into its three timeouts and connectFailed().
    void Connect();
    // "%Q," 0, stop the receive thread, clear online; button "CONNECT", indicator dark.
    void Disconnect();
    // The main window's 50 ms timer: hello retries and the silence watchdog.
    void OnLinkTimer();
    // Before a discovery search takes the local port: an online link is disconnected
    // (so the device stops reporting), an attempt under way is abandoned without a
    // message, and the receive thread is stopped. The button then reads "CONNECT".
    void StopForSearch();
    // Before a firmware update takes the local port: the status reports were stopped
    // already (the update's own "%Q," 0 frames), so nothing is sent; the link is marked
    // down (button "CONNECT", status "OFFLINE") and the receive thread stopped and joined.
    void StopForUpdate();
    // Program exit: "%Q," 0 when online, then stop (and join) the receive thread. Once it
    // returns no link thread runs.
    void Shutdown();

    // Replies that passed their parser. Replies arriving while no receiver is started
    // (left in the queue from before a stop) are ignored.
    void onDumpReply();    // "Z"
    void onIdentReply();   // "Y": online; the caller then refreshes every page
    void onStatusReport(); // "Q"

    // Paced bulk sends call this so the watchdog does not declare a busy link silent.
    void refreshLastReplyTime();

    bool connecting() const { return m_connecting; }
    bool online() const { return m_online; }
    // Hellos sent in this attempt, minus one.
    int connectTries() const { return m_connectTries; }
    Millis connectTime() const { return m_connectTime; }
    bool linkShown() const { return m_linkShown; }
    Millis lastReplyTime() const { return Millis(m_lastReplyTime.load()); }
    bool receiverStarted() const { return m_receiverStarted; }
    // A handshake was offered while "OFFLINE" and no identification has answered it yet.
    bool healing() const { return m_healing; }

private:
    void stopReceiver();
    void setOnline(bool online);
    void showIndicator(LinkIndicator indicator);
    void offerHeal(Millis now);

    Clock& m_clock;
    LinkEvents& m_events;
    LinkCommands& m_commands;

    bool m_connecting = false;
    bool m_online = false;
    int m_connectTries = 0;
    Millis m_connectTime{0};
    bool m_linkShown = false;
    bool m_receiverStarted = false;
    bool m_healing = false;
    Millis m_healTime{0}; // when the next handshake offer is due while "OFFLINE"
    std::atomic<Millis::rep> m_lastReplyTime{0};
};

} // namespace krm
