#pragma once
// What the link tells the user interface. Every call arrives on the owner (UI) thread:
// whoever raises an event on another thread marshals it through a Post executor first.
// The UI turns these into its texts ("ONLINE"/"OFFLINE", "CONNECT"/"DISCONNECT",
// "CANNOT CONNECT.", "Winsock error!" with the caption "Warming") in the chosen language.

namespace krm {

enum class LinkIndicator {
    Dark,    // not connected: status text empty or "OFFLINE" after a disconnect
    Online,  // "ONLINE", indicator lit
    Offline, // "OFFLINE", indicator dark: no report for 10 s while still connected
};

class LinkEvents {
public:
    virtual ~LinkEvents() = default;
    // Indicator and status text changed.
    virtual void linkIndicatorChanged(LinkIndicator indicator) = 0;
    // The connect button reads "DISCONNECT" when connected is true, else "CONNECT".
    virtual void connectButtonChanged(bool connected) = 0;
    // Three hellos went unanswered: message box "CANNOT CONNECT.".
    virtual void connectFailed() = 0;
    // The socket could not be created, bound or switched to non-blocking:
    // message box "Winsock error!", caption "Warming".
    virtual void socketError() = 0;
    // The device answered a hello offered while the link showed "OFFLINE": the connect
    // handshake ran again (dump, identification, reports on) without the operator. Raised
    // after linkIndicatorChanged(Online), once per return. Listeners that only show the
    // link state need not care, hence the empty default.
    virtual void linkReconnected() {}
};

} // namespace krm
