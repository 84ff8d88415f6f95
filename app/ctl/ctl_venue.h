#pragma once
// CtlVenue: the tool's conversations with many devices at once, on one local port: a
// VenueLink (one socket, one receive thread) hands each device's datagrams to its own
// CtlConnection (the program's handshake, senders and edits), since devices answer to the
// port a request came from. All connections post to one task queue, which one loop on
// the caller's thread pumps, running every session's link timer as the window's would. Nothing
// waits on one device before the next starts, so a venue of two hundred takes about as long as its
// slowest device.
//
// One thread: the caller's. open() says its hellos from a few greeter threads, each
// session's tasks held back from the caller's thread until its hello is out.

#include "app/ctl/ctl_connection.h"
#include "link/rooms_file.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace krm::ctl {

class HelloGate;

class CtlVenue {
public:
    struct Member {
        VenueDevice device;
        // Holds the session's tasks back while a greeter thread says its hello; made
        // before the connection, whose session posts through it, and kept after it.
        std::shared_ptr<HelloGate> gate;
        std::unique_ptr<CtlConnection> connection;
        CtlConnection::State state = CtlConnection::State::Waiting;
        // Real time from the hello until the device was online, or until it was given up.
        std::chrono::milliseconds took{0};
        std::string error; // why it is not online

        bool online() const { return state == CtlConnection::State::Online; }
    };

    CtlVenue(Clock& clock, const GlyphRenderer* glyphs);
    ~CtlVenue();
    CtlVenue(const CtlVenue&) = delete;
    CtlVenue& operator=(const CtlVenue&) = delete;

    // Opens the shared local port (0: an ephemeral one), says hello to every device at
    // once and pumps until each is online or has failed, or `timeout` of real time has
    // passed; those still waiting then are given up. When the port cannot be opened every
    // member is left in State::SocketError.
    // `online` runs as each device comes online, while the others are still awaited.
    void open(const std::vector<VenueDevice>& devices, std::uint16_t devicePort,
              std::uint16_t localPort, std::chrono::milliseconds timeout,
              const std::function<void(Member&)>& online = {});

    std::vector<Member>& members() { return m_members; }
    // How many are online; whether a local socket could not be opened.
    int onlineCount() const;
    bool socketFailed() const;

    // Drains the shared queue and runs every link timer until `done` holds, the real-time
    // `limit` passes or the tool is interrupted.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Waits until every connection's frames have gone out, then says goodbye to each;
    // every thread joined. Idempotent.
    void close();

private:
    Clock& m_clock;
    const GlyphRenderer* m_glyphs;
    TaskQueue m_queue;
    // Declared before the members: their channels are detached before it goes.
    VenueLink m_link;
    std::vector<Member> m_members;
};

} // namespace krm::ctl
