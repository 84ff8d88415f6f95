#pragma once
// WorkPool: a few threads that run what is posted to them, for waits that are not the
// caller's own work (a file's flush to disk) and that would otherwise add up one after
// another. finish() (and the destructor) returns once everything posted has run.
//
// post() and finish() from the owner thread; the work runs on the pool's threads and
// must touch nothing other work touches.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace krm::ctl {

class WorkPool {
public:
    explicit WorkPool(std::size_t threads) {
        for (std::size_t i = 0; i < threads; ++i)
            m_threads.emplace_back([this] { run(); });
    }
    ~WorkPool() { finish(); }
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    void post(std::function<void()> work) {
        {
            std::lock_guard lock(m_mutex);
            m_work.push_back(std::move(work));
        }
        m_ready.notify_one();
    }

    void finish() {
        {
            std::lock_guard lock(m_mutex);
            m_finishing = true;
        }
        m_ready.notify_all();
        for (std::thread& t : m_threads)
            t.join();
        m_threads.clear();
    }

private:
    void run() {
        while (true) {
            std::function<void()> work;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return m_finishing || !m_work.empty(); });
                if (m_work.empty())
                    return; // finishing, and nothing left
                work = std::move(m_work.front());
                m_work.pop_front();
            }
            work();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::function<void()>> m_work;
    bool m_finishing = false;
    std::vector<std::thread> m_threads;
};

} // namespace krm::ctl
