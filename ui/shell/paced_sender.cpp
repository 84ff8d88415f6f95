#include "ui/shell/paced_sender.h"

namespace krm::ui {

PacedSender::PacedSender(FrameSink& sink, Clock& clock, FrameSent onFrameSent)
    : m_sink(sink), m_clock(clock), m_onFrameSent(std::move(onFrameSent)) {}

PacedSender::~PacedSender() {
    stop();
}

void PacedSender::enqueue(std::vector<std::string> frames, Millis pause) {
    if (frames.empty())
        return;
    {
        std::lock_guard lock(m_mutex);
        if (m_stop)
            return;
        m_jobs.push_back(Job{std::move(frames), pause});
        if (!m_worker.joinable())
            m_worker = std::thread([this] { run(); });
    }
    m_wake.notify_all();
}

bool PacedSender::busy() const {
    std::lock_guard lock(m_mutex);
    return m_sending || !m_jobs.empty();
}

void PacedSender::waitIdle() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_stop || (!m_sending && m_jobs.empty()); });
}

void PacedSender::requestStop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
}

void PacedSender::stop() {
    requestStop();
    if (m_worker.joinable())
        m_worker.join();
    {
        std::lock_guard lock(m_mutex);
        m_sending = false;
    }
    m_idle.notify_all();
}

void PacedSender::run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_sending = false;
            if (m_jobs.empty())
                m_idle.notify_all();
            m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
            if (m_stop)
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_sending = true;
        }
        for (const std::string& frame : job.frames) {
            {
                std::lock_guard lock(m_mutex);
                if (m_stop)
                    return;
            }
            // The link may have gone down since the sequence was queued.
            if (!m_sink.isOnline())
                continue;
            m_sink.SendFrame(frame);
            if (m_onFrameSent)
                m_onFrameSent();
            m_clock.sleepFor(job.pause);
        }
    }
}

} // namespace krm::ui
