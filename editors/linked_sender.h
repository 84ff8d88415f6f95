#pragma once
// LinkedSender: sends the frames of linked channels (members of an active control group)
// from a worker thread, with a fixed pause before each frame, so a change that fans out
// to seven members never blocks the window for 70 ms.
//
// The user-interface thread builds the frames (it owns the image) and queues them with a
// key naming the parameter group and channel ("A3", "O12"). A queued frame that has not
// gone out yet is replaced in place by a newer frame with the same key: every frame
// carries the whole group as it stood when it was built, so only the newest matters. This
// keeps a fast fader drag on a large group from piling up seconds of stale frames; the
// order of distinct keys and the pauses between frames stay as queued.
//
// Before each send the worker checks that the link is online; nothing goes out offline.
//
// Threads: enqueue(), isOnline(), pending() and waitIdle() from the owner thread; the sink
// and clock must be usable from the worker. The destructor drops what is queued and joins
// the worker within one pause.

#include "link/clock.h"
#include "link/frame_sink.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm {

class LinkedSender {
public:
    static constexpr Millis kLinkedPause{10};

    struct Frame {
        std::string key;  // parameter group and channel; empty: never replaced
        std::string text; // the finished frame
    };

    LinkedSender(FrameSink& sink, Clock& clock);
    ~LinkedSender();
    LinkedSender(const LinkedSender&) = delete;
    LinkedSender& operator=(const LinkedSender&) = delete;

    // Queues frames, each to go out `pause` after the frame before it (or after the
    // moment it is queued, when the worker is idle).
    void enqueue(std::vector<Frame> frames, Millis pause = kLinkedPause);
    bool isOnline() const { return m_sink.isOnline(); }
    // Frames queued and not yet sent.
    int pending() const;
    // Blocks until the queue is empty and the worker idle (tests, orderly shutdown).
    void waitIdle();

private:
    struct Item {
        Frame frame;
        Millis pause;
    };
    void run();

    FrameSink& m_sink;
    Clock& m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Item> m_items;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace krm
