#include "update/update_worker.h"

namespace krm {

UpdateWorker::~UpdateWorker() {
    stop();
}

bool UpdateWorker::start(Job job, std::function<void()> finished) {
    if (m_busy.load())
        return false;
    if (m_thread.joinable())
        m_thread.join(); // the previous job has ended; only its thread is left
    m_stop = false;
    m_busy = true;
    m_thread = std::thread([this, job = std::move(job), finished = std::move(finished)] {
        job(m_stop);
        if (finished)
            finished();
        m_busy = false;
    });
    return true;
}

void UpdateWorker::stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace krm
