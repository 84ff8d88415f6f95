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

// How far a timed sequence has got: counts written by the worker, read by anyone.
struct SequenceProgress {
    int total = 0;
    std::atomic<int> sent{0};
    std::atomic<int> dropped{0}; // not sent: the link was down, discarded or stopped
    bool finished() const { return sent.load() + dropped.load() >= total; }
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
    // frame's place instead of joining the end.
    void enqueueKeyed(std::vector<KeyedFrame> frames, PausePlacement placement, Millis pause);

    // Queues a sequence whose frames each carry their own pause after them (a setting's
    // resend). Its frames never merge with queued ones, but discard() still removes one
    // whose group the caller has since sent itself. The progress counts every frame once,
    // as sent or dropped.
    std::shared_ptr<const SequenceProgress> enqueueTimed(std::vector<TimedFrame> frames);

    // Drops queued frames of this key that have not gone out: the caller sends a newer
    // frame of the same group itself, and a stale one must not follow it.
    void discard(const std::string& key);

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
    };
    static void countDropped(const Item& item);
    // Appends the items under the lock and wakes (or starts) the worker.
    void push(std::vector<KeyedFrame> frames, PausePlacement placement, Millis pause);
    void run();
    enum class Taken { Frame, Nothing, Stopped };
    // Takes the front item off the queue, with the newest text of its key.
    Taken takeFront(Item& item);

    FrameSink& m_sink;
    Clock& m_clock;
    FrameSent m_onFrameSent;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Item> m_items;
    bool m_inHand = false; // the worker holds a frame (or waits its pause)
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace krm
