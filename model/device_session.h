#pragma once
// DeviceSession: one conversation with one device, as the program uses it.
//
// Ties together the image, the link (its own socket + receive thread, or a channel of a
// VenueLink shared with the sessions of other devices), the link supervisor
// (handshake, retries, watchdog) and the command set. The receive thread cuts and
// parses frames into report values and posts them to the owner thread, which stores them
// in the image and raises SessionEvents. Reports of one kind coalesce while they wait for
// the owner thread (the newest wins), so a flooding device cannot queue unbounded work.
// Whenever the link leaves online (disconnect, silence, exit) the meters and auto-mixer
// states in the image fall to nothing; status reports move them only while online. Every public
// method is for the owner (UI) thread only; the command set may also be used by paced-send workers.

#include "link/clock.h"
#include "link/post.h"
#include "model/channels.h"
#include "model/device_image.h"
#include "model/session_events.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace krm {

class CommandSet;
class FrameSink;
class GlyphRenderer;
class DeviceLink;
class LinkSupervisor;
class VenueLink;
struct Endpoint;

class DeviceSession {
public:
    // post: hands a task to the owner thread (a queued call in the Qt program).
    DeviceSession(Clock& clock, Post post, SessionEvents& events,
                  const GlyphRenderer* glyphs = nullptr);
    // A session whose link is a channel of a shared venue (which must outlive it): connect()
    // attaches the channel instead of opening a socket, so the venue must be running by
    // then; the session's own image, watchdog and commands work as with a link of its own.
    // setLocalPort() is ignored and boundPort() is the venue's.
    DeviceSession(VenueLink& venue, const Endpoint& device, Clock& clock, Post post,
                  SessionEvents& events, const GlyphRenderer* glyphs = nullptr);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    DeviceImage& image() { return m_image; }
    const DeviceImage& image() const { return m_image; }
    CommandSet& commands();

    // Where the device is. Ports default to 39050; tests and the demo override them.
    void setDevice(const std::string& ip, std::uint16_t port = kDevicePort);
    void setLocalPort(std::uint16_t port);
    // The local port bound while the receiver runs (for tests with ephemeral ports).
    std::uint16_t boundPort() const;
    const std::string& deviceIp() const { return m_deviceIp; }

    // The CONNECT/DISCONNECT button: connect when not online, else disconnect.
    void toggleConnect();
    void connect();
    void disconnect();
    // A firmware update is about to bind the local port: link down, receiver joined, no
    // frame sent (see LinkSupervisor::StopForUpdate).
    void stopForUpdate();
    // The main window's 50 ms timer.
    void onLinkTimer();

    bool isOnline() const;
    bool isConnecting() const;
    // The handshake's attempts and times on the session's clock (0: never), for the
    // link-state record of a saved setting.
    int connectTries() const;
    Millis connectTime() const;
    Millis lastReplyTime() const;
    bool indicatorLit() const;
    bool receiverRunning() const;
    // The local port's venue. A watch over other devices listens there for datagrams of
    // addresses the session does not talk to, and may open it while the session is not
    // connected.
    VenueLink& venue();
    // Closes the local port when only such a watch holds it open (a search or an update
    // is about to bind it); a running receiver is left alone.
    void releasePort();

    // Program exit: "%Q," 0 when online, then the receive thread is stopped and joined.
    // Meters and auto-mixer states fall to nothing (statusUpdated()).
    void shutdown();

    // Reports (dump, identification, status, levels) the receive thread has parsed and
    // left for the owner thread since the session began; any thread. Once a report is
    // counted here, the task that stores it (or a newer one of its kind) is posted.
    std::uint64_t reportsReceived() const;
    // Datagrams of other hosts or ports the link dropped unread since the session began;
    // any thread.
    std::uint64_t foreignDatagrams() const;

    // Where paced-send workers put prebuilt frames (thread-safe).
    FrameSink& sink();

    // Asks the device for its basic version over the live link ("%r,"); `answered` runs
    // once, on the owner thread, with the next basic-version answer the receiver takes.
    // A new request or an empty function replaces a waiting one. False, and nothing kept,
    // when the frame could not go out (no receiver, no valid address).
    bool requestBasicVersion(std::function<void(const std::string&)> answered);

    // Refreshes the supervisor's last-reply time so that paced bulk sends keep the
    // watchdog quiet. Any thread.
    void touchLastReply();
    // While `held` says so (a whole setting's resend plays), level reports are not stored:
    // they tell of the levels the device had before the resend's frames reached it.
    void holdLevelsWhile(std::function<bool()> held);

private:
    class Impl;
    DeviceImage m_image;
    std::string m_deviceIp{kFactoryDeviceIp};
    std::unique_ptr<Impl> m_impl;
};

} // namespace krm
