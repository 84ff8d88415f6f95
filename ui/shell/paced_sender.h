#pragma once
// PacedSender: sends frames that the UI thread has already built, one after another from
// a worker thread, with a fixed pause after each frame, so that a paced sequence (mute
// groups, clear-all) never freezes the window.
//
// Sequences run in the order they were queued and never interleave, so two switches
// pressed quickly reach the device in the order the operator pressed them. While a frame
// is sent the worker checks the link is still online (nothing goes out offline) and, after
// each frame, calls `onFrameSent` ON THE WORKER THREAD (the window refreshes the link's
// last-reply time there, which is thread-safe, so the watchdog stays quiet).
//
// Threads: enqueue()/stop()/busy() from the owner thread; the sink, the clock and
// onFrameSent must be usable from the worker. stop() is prompt: the queued rest is
// dropped, and it returns within one pause plus one send. The destructor stops.

#include "link/clock.h"
#include "link/frame_sink.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm::ui {

class PacedSender {
public:
    using FrameSent = std::function<void()>;

    PacedSender(FrameSink& sink, Clock& clock, FrameSent onFrameSent = {});
    ~PacedSender();
    PacedSender(const PacedSender&) = delete;
    PacedSender& operator=(const PacedSender&) = delete;

    // Queues one sequence; `pause` follows every frame sent.
    void enqueue(std::vector<std::string> frames, Millis pause);
    // True while frames are queued or being sent.
    bool busy() const;
    // Blocks until every queued frame has gone (tests; the window never waits).
    void waitIdle();
    // Drops what is queued and tells the worker to end after the frame in hand; does not
    // wait. stop() does the same and joins.
    void requestStop();
    void stop();

private:
    struct Job {
        std::vector<std::string> frames;
        Millis pause{};
    };
    void run();

    FrameSink& m_sink;
    Clock& m_clock;
    FrameSent m_onFrameSent;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_sending = false;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace krm::ui
