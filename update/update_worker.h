#pragma once
// UpdateWorker: the one thread a local update, a remote update or a factory recovery runs
// on. One job at a time: while a job runs the update is busy and start() refuses another.
//
// Threads: start(), stop(), busy() and the destructor are called by the owner (the window's
// thread). The job and `finished` run on the worker; `finished` runs after the job has
// returned, and busy() turns false only after `finished` has returned, so a window that
// posts from `finished` may still see busy() true for a moment. `finished` must not call
// start() or stop().

#include <atomic>
#include <functional>
#include <thread>

namespace krm {

class UpdateWorker {
public:
    using Job = std::function<void(const std::atomic<bool>& stop)>;

    UpdateWorker() = default;
    UpdateWorker(const UpdateWorker&) = delete;
    UpdateWorker& operator=(const UpdateWorker&) = delete;
    ~UpdateWorker();

    // False, and nothing started, while a job runs.
    bool start(Job job, std::function<void()> finished);
    bool busy() const { return m_busy.load(); }
    // Asks the job to stop and waits for the thread to end. Jobs poll the flag at least
    // every 50 ms, so this returns promptly; `finished` still runs.
    void stop();

private:
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace krm
