#include "editors/linked_sender.h"

#include <algorithm>

namespace krm {

LinkedSender::LinkedSender(FrameSink& sink, Clock& clock)
    : m_sink(sink), m_clock(clock), m_worker([this] { run(); }) {}

LinkedSender::~LinkedSender() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_items.clear();
    }
    m_wake.notify_all();
    m_worker.join();
}

void LinkedSender::enqueue(std::vector<Frame> frames, Millis pause) {
    {
        std::lock_guard lock(m_mutex);
        for (Frame& f : frames) {
            if (f.text.empty())
                continue;
            auto same = m_items.end();
            if (!f.key.empty())
                same = std::find_if(m_items.begin(), m_items.end(),
                                    [&](const Item& i) { return i.frame.key == f.key; });
            if (same != m_items.end())
                same->frame.text = std::move(f.text);
            else
                m_items.push_back(Item{std::move(f), pause});
        }
    }
    m_wake.notify_all();
}

int LinkedSender::pending() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_items.size());
}

void LinkedSender::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_stop || (m_items.empty() && !m_busy); });
}

void LinkedSender::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_items.empty(); });
        if (m_stop)
            break;
        m_busy = true;
        const Millis pause = m_items.front().pause;
        lock.unlock();
        m_clock.sleepFor(pause);
        lock.lock();
        // The pause is over: take the newest text of the front frame (a later enqueue
        // may have replaced it while the worker slept).
        if (m_stop || m_items.empty()) {
            m_busy = false;
            m_idle.notify_all();
            continue;
        }
        Item item = std::move(m_items.front());
        m_items.pop_front();
        lock.unlock();
        if (m_sink.isOnline())
            m_sink.SendFrame(item.frame.text);
        lock.lock();
        m_busy = false;
        if (m_items.empty())
            m_idle.notify_all();
    }
    m_busy = false;
    m_idle.notify_all();
}

} // namespace krm
