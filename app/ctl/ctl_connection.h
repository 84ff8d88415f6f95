#pragma once
// CtlConnection: the command-line tool's conversation with one device, made of the
// program's own parts — a DeviceSession for the handshake ("%Q," 0 and the hello, the dump
// "Z", the identification "Y", reports on), the two paced senders and the EditService the
// window builds, so an edit or a resend leaves exactly as it leaves the window.
//
// The tool has no event loop: the calling thread plays the window's thread, draining the
// tasks the receive thread posts and running the link timer every 50 ms while it waits.
// close() waits until queued frames have gone, then says goodbye ("%Q," 0 while online)
// and joins every thread. One thread only.

#include "link/clock.h"
#include "link/post.h"
#include "link/venue_link.h"
#include "model/device_session.h"
#include "model/edit_service.h"
#include "model/paced_sender.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace krm::ctl {

// The tool's stand-in for the window's event loop: runs the tasks posted to `queue` and
// `linkTimer` every 50 ms until `done` holds (true), or the real-time `limit` passes or the
// tool is interrupted (false).
bool PumpTasks(TaskQueue& queue, const std::function<void()>& linkTimer,
               const std::function<bool()>& done, std::chrono::milliseconds limit);

class CtlConnection final : private SessionEvents {
public:
    // glyphs: draws the name frames' bitmaps (may be null: blank pictures). shared: the
    // queue the session posts to when one loop pumps many connections (a venue); null:
    // the connection's own.
    explicit CtlConnection(Clock& clock, const GlyphRenderer* glyphs = nullptr,
                           TaskQueue* shared = nullptr);
    // A conversation with `device` on a channel of a venue's shared local port (which
    // must run by start() and outlive the connection), posting to the venue's queue.
    // post: how the session's tasks reach `shared` (perhaps held back a while first).
    CtlConnection(VenueLink& venue, const Endpoint& device, Clock& clock,
                  const GlyphRenderer* glyphs, TaskQueue& shared, Post post);
    ~CtlConnection() override;
    CtlConnection(const CtlConnection&) = delete;
    CtlConnection& operator=(const CtlConnection&) = delete;

    // Connects and waits until the device is online (its dump and identification stored)
    // or `timeout` of real time has passed. False with the reason in `error`.
    bool open(const std::string& ip, std::uint16_t devicePort, std::uint16_t localPort,
              std::chrono::milliseconds timeout, std::string& error);

    // open() in two halves for many devices at once: start() sends the hello and returns
    // (on a venue's channel the local port is the venue's, and `localPort` is not used);
    // whoever pumps the queue then watches state() until it leaves Waiting, and calls
    // abandon() when it gives up waiting.
    enum class State { Waiting, Online, Failed, SocketError };
    void start(const std::string& ip, std::uint16_t devicePort, std::uint16_t localPort);
    State state() const;
    void abandon();

    DeviceSession& session() { return m_session; }
    EditService& edits() { return *m_edits; }
    DeviceImage& image() { return m_session.image(); }
    bool online() const { return m_session.isOnline(); }

    // Drains posted tasks and runs the link timer until `done` holds or the real-time
    // `limit` passes (the window's thread does this between paints).
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Waits until both paced senders have sent what they hold.
    void waitSent();
    // waitSent(), then "%Q," 0 while online; every thread joined. Idempotent.
    void close();

private:
    // The window's two paced senders and its edit path, on the session's sink.
    void buildSenders(const GlyphRenderer* glyphs);
    void linkIndicatorChanged(LinkIndicator) override {}
    void connectButtonChanged(bool) override {}
    void connectFailed() override { m_failed = true; }
    void socketError() override { m_socketError = true; }
    void refreshAll() override {}
    void statusUpdated() override {}
    void levelsUpdated() override {}

    Clock& m_clock;
    TaskQueue m_ownQueue;
    TaskQueue& m_queue;
    DeviceSession m_session;
    std::unique_ptr<PacedSender> m_bulk;
    std::unique_ptr<PacedSender> m_linked;
    std::unique_ptr<EditService> m_edits;
    bool m_failed = false;
    bool m_socketError = false;
    bool m_closed = false;
};

} // namespace krm::ctl
