#pragma once
// Post: hands a task to the owner thread (the user-interface thread in the program).
// The Qt program posts with a queued call; tests and the virtual device use
// TaskQueue, which the owning thread drains.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <limits>
#include <mutex>

namespace krm {

using Task = std::function<void()>;
using Post = std::function<void(Task)>;

// A thread-safe queue of tasks run by whichever thread calls runPending(), runAtMost() or
// waitAndRun().
class TaskQueue {
public:
    void post(Task task) {
        {
            std::lock_guard lock(m_mutex);
            m_tasks.push_back(std::move(task));
        }
        m_ready.notify_all();
    }
    Post poster() {
        return [this](Task t) { post(std::move(t)); };
    }
    // Tasks waiting to run (any thread; for tests and measurements of the backlog).
    std::size_t pending() const {
        std::lock_guard lock(m_mutex);
        return m_tasks.size();
    }
    // Runs every task queued so far (and those they queue); returns how many ran.
    int runPending() { return runAtMost(std::numeric_limits<int>::max()); }
    // Runs tasks from the front until the queue is empty or `limit` have run, like one
    // pass of an event loop that must come back to its timers; returns how many ran.
    int runAtMost(int limit) {
        int ran = 0;
        while (ran < limit) {
            Task task;
            {
                std::lock_guard lock(m_mutex);
                if (m_tasks.empty())
                    return ran;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
            ++ran;
        }
        return ran;
    }
    // Waits up to the given real time for at least one task, then runs what is queued.
    template <class Duration> int waitAndRun(Duration timeout) {
        {
            std::unique_lock lock(m_mutex);
            m_ready.wait_for(lock, timeout, [this] { return !m_tasks.empty(); });
        }
        return runPending();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Task> m_tasks;
};

} // namespace krm
