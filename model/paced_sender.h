#pragma once
// PacedSender: sends frames that the user-interface thread has already built, one after
// another from a worker thread, with a fixed pause between them through the Clock, so a
// paced sequence (mute groups, clear-all, the frames of linked control-group members)
// never freezes the window.
//
// Each sequence says where its pause goes: BeforeEachFrame (the linked members: every
// frame waits its pause first, so the first one leaves 10 ms after the edit) or
// AfterEachFrame (mute groups: the first frame leaves at once and a pause follows every
// frame, the last one too). Sequences go out in the order they were queued and never
// interleave.
//
// A frame may carry a key naming its parameter group and channel ("A3", "O12"). A queued
// frame that has not gone out yet is replaced in place by a newer frame with the same key:
// every frame carries the whole group as it stood when it was built, so only the newest
// matters, and a fast fader drag on a large group never piles up seconds of stale frames.
// A frame whose pause is running can still be replaced; once sent it cannot. Frames
// without a key are never replaced; empty frames are dropped.
//
// discard() takes a caller's newer frame of a group into account: a queued frame of that
// key is not sent but superseded, which counts as delivered once the newer frame has gone
// out (the caller says so through the Superseded it gets back, or hands it on to another
// sender's queued frame of the same key). Once discard() returns, no older frame of its
// key is on its way any more: a send in progress finishes first.
//
// Nothing goes out while the sink is not online: such a frame is dropped, and its pause
// is not taken. After each frame sent, onFrameSent runs ON THE WORKER THREAD (the window
// refreshes the link's last-reply time there, which is thread-safe, so the watchdog stays
// quiet).
//
// Threads: every member function from the owner thread (the user-interface thread); the
// sink, the clock and onFrameSent must be usable from the worker, which starts with the
// first sequence. requestStop() drops what is queued and tells the worker to end after the
// frame in hand; stop() also joins it, within one pause plus one send. Once stopped the
// sender refuses new sequences. The destructor stops.

#include "link/clock.h"
#include "link/frame_sink.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm {

// How far a timed sequence has got: counts written by the worker (and by whoever settles a
// superseded frame), read by anyone. Every frame ends in exactly one of the three counts.
struct SequenceProgress {
    int total = 0;
    std::atomic<int> sent{0};
    // Not sent because a newer frame of the same group went out in its place: the device
    // has that group in its newest form, so nothing of the sequence is missing.
    std::atomic<int> superseded{0};
    // Lost: not sent, and nothing newer of its group went out instead (the link was down,
    // the sender stopped, or the newer frame could not be sent either).
    std::atomic<int> dropped{0};
    int done() const { return sent.load() + superseded.load() + dropped.load(); }
    bool finished() const { return done() >= total; }
};

// Frames of timed sequences that discard() took off a queue because the caller sends a
// newer frame of their group. Each counts as superseded once that newer frame is known to
// have gone out and as dropped when it could not: settle() says which. Whatever is still
// unsettled when this goes counts as dropped, so a sequence's progress always finishes.
// Move-only; one thread at a time.
class Superseded {
public:
    Superseded() = default;
    Superseded(Superseded&& other) noexcept;
    Superseded& operator=(Superseded&& other) noexcept;
    Superseded(const Superseded&) = delete;
    Superseded& operator=(const Superseded&) = delete;
    ~Superseded();

    // The newer frame went out (true) or could not (false); everything held is settled.
    void settle(bool newerSent);
    // Takes over what `other` holds.
    void add(Superseded&& other);
    bool empty() const { return m_entries.empty(); }
    int size() const { return static_cast<int>(m_entries.size()); }

private:
    friend class PacedSender;
    struct Entry {
        std::string key;
        std::shared_ptr<SequenceProgress> progress;
    };
    // Moves the entries of `key` into `to`.
    void moveKey(const std::string& key, Superseded& to);

    std::vector<Entry> m_entries;
};

enum class PausePlacement {
    BeforeEachFrame, // wait, then send
    AfterEachFrame,  // send, then wait
};

class PacedSender {
public:
    using FrameSent = std::function<void()>;

    struct KeyedFrame {
        std::string key;  // parameter group and channel; empty: never replaced
        std::string text; // the finished frame
    };
    struct TimedFrame {
        std::string key;  // parameter group and channel, for discard(); may be empty
        std::string text; // the finished frame; an empty one is skipped with its pause
        Millis pauseAfter{0};
    };

    PacedSender(FrameSink& sink, Clock& clock, FrameSent onFrameSent = {});
    ~PacedSender();
    PacedSender(const PacedSender&) = delete;
    PacedSender& operator=(const PacedSender&) = delete;

    // Queues one sequence of frames that are never replaced.
    void enqueue(std::vector<std::string> frames, PausePlacement placement, Millis pause);
    // Queues one sequence; a frame whose key matches a queued frame not yet sent takes that
    // frame's place instead of joining the end. `replaced` holds frames another sender gave
    // up for these (discard()): each is settled with the fate of this sequence's frame of its
    // key, and as dropped when the sequence has none.
    void enqueueKeyed(std::vector<KeyedFrame> frames, PausePlacement placement, Millis pause,
                      Superseded replaced = {});

    // Queues a sequence whose frames each carry their own pause after them (a setting's
    // resend). Its frames never merge with queued ones, but discard() still removes one
    // whose group the caller has since sent itself. The progress counts every frame once,
    // as sent, superseded or dropped.
    std::shared_ptr<const SequenceProgress> enqueueTimed(std::vector<TimedFrame> frames);

    // Takes queued frames of this key that have not gone out off the queue: the caller
    // sends a newer frame of the same group itself, and a stale one must not follow it. The
    // caller settles what comes back once it knows whether its newer frame went out.
    [[nodiscard]] Superseded discard(const std::string& key);

    // Whether frames can go out now (the sink is online); callers build nothing otherwise.
    bool isOnline() const { return m_sink.isOnline(); }
    // Frames queued and not yet sent (a frame whose pause before it runs counts).
    int pending() const;
    // True while frames are queued or one is in hand.
    bool busy() const;
    // Blocks until every queued frame has gone, or the sender is stopped (tests, orderly
    // shutdown; the window never waits).
    void waitIdle();
    void requestStop();
    void stop();

private:
    struct Item {
        KeyedFrame frame;
        PausePlacement placement;
        Millis pause;
        bool mergeable = true; // a newer frame of its key may take its place
        std::shared_ptr<SequenceProgress> progress;
        // Frames given up elsewhere for this one (spread over from another sender).
        Superseded standsFor;
    };
    static void countDropped(Item& item);
    // Appends the items under the lock and wakes (or starts) the worker.
    void push(std::vector<KeyedFrame> frames, PausePlacement placement, Millis pause,
              Superseded replaced);
    void run();
    enum class Taken { Frame, Nothing, Stopped };
    // Takes the front item off the queue, with the newest text of its key.
    Taken takeFront(Item& item);

    FrameSink& m_sink;
    Clock& m_clock;
    FrameSent m_onFrameSent;

    // Held by the worker from taking a frame off the queue until it has been sent, and by
    // discard(): an older frame is never still on its way when discard() returns. Taken
    // before m_mutex.
    std::mutex m_sendMutex;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Item> m_items;
    bool m_inHand = false; // the worker holds a frame (or waits its pause)
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace krm
