#pragma once
// VenueWatch: the known devices of a venue (typed, found by a search, or read from a rooms
// file) and whether each one is alive, for the DEVICES list.
//
// A light poll: every kPollInterval each device gets one basic-version question ("%r,"),
// spread over the interval, so a device sees at most one small frame every 5 s — far below
// its own status reports (ten a second). Its answer says it is alive and what firmware it
// runs. The questions leave from the session's own local port, because devices answer to the
// port a request came from: the watch listens there for datagrams of addresses the session
// does not talk to (VenueLink's stray listener), and opens the port itself while the session
// is not connected and the port is free (no search sweeping, no update). The device the session
// talks to is not asked; its state is the session's.
//
// Threads: the owner (UI) thread, except the stray listener, which runs on the venue's
// receive thread and only posts what it read.

#include "link/clock.h"
#include "link/network_settings.h"
#include "link/post.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace krm {

class DeviceSession;

struct KnownDevice {
    std::string address; // dotted IPv4
    std::string name;    // the room; may be empty
};

class VenueWatch {
public:
    static constexpr Millis kPollInterval{5000};
    // Alive while the last answer is at most this old: two questions may go unanswered.
    static constexpr Millis kAliveFor{2 * kPollInterval + Millis{1000}};
    // Said silent when a question has had this long to be answered.
    static constexpr Millis kAnswerWait{2000};

    enum class Status { Unknown, Alive, Silent, Connected };

    struct Entry {
        KnownDevice device;
        Status status = Status::Unknown;
        Millis lastSeen{0};       // on the watch's clock; 0: never
        std::string basicVersion; // digits as the device sends them ("300"); empty: unknown
        Millis lastAsked{0};
        Millis unansweredSince{0}; // the first question since the last answer; 0: none
    };

    VenueWatch(DeviceSession& session, Clock& clock, Post post,
               std::uint16_t devicePort = kDevicePort);
    ~VenueWatch();
    VenueWatch(const VenueWatch&) = delete;
    VenueWatch& operator=(const VenueWatch&) = delete;

    // False (nothing changed) when the address is not a dotted IPv4 address or is listed.
    bool add(const KnownDevice& device);
    void remove(const std::string& address);
    const std::vector<Entry>& entries() const { return m_entries; }

    // Asked before the watch opens the local port: true when it may now (a finished search's
    // listener of late replies may be ended for it), false while a search sweeps or an
    // update holds the port.
    void setClaimPort(std::function<bool()> claim) { m_claimPort = std::move(claim); }
    // Runs after any entry's status, last-seen time or firmware changed.
    void setOnChanged(std::function<void()> changed) { m_changed = std::move(changed); }

    // The window's 50 ms link timer: asks the devices that are due and ages the statuses.
    void tick();
    // Questions sent since the watch began (for tests and the README's figures).
    std::uint64_t questionsSent() const { return m_questions; }

private:
    struct Shared;
    void answered(std::uint32_t address, const std::string& basicVersion);
    bool ensurePort();
    void refreshStatuses(Millis now);

    DeviceSession& m_session;
    Clock& m_clock;
    Post m_post;
    std::uint16_t m_devicePort;
    std::vector<Entry> m_entries;
    std::function<bool()> m_claimPort;
    std::function<void()> m_changed;
    std::shared_ptr<Shared> m_shared; // what the receive thread reads
    std::size_t m_next = 0;           // the next device in the round
    std::uint64_t m_questions = 0;
};

// The status as the list shows it.
const char* VenueStatusText(VenueWatch::Status status, bool chinese);

} // namespace krm
