#include "update/local_update_run.h"

#include "link/udp_socket.h"
#include "model/device_session.h"
#include "model/edit_service.h"
#include "update/update_worker.h"

namespace krm {

LocalUpdateRun::LocalUpdateRun(Parts parts, Target target, LocalUpdatePlan plan, Backup backup)
    : m_session(parts.session), m_edits(parts.edits), m_clock(parts.clock),
      m_reporter(parts.reporter), m_stop(parts.stop), m_target(std::move(target)),
      m_plan(std::move(plan)), m_backup(std::move(backup)) {}

LocalUpdateRun::~LocalUpdateRun() {
    // The transfer uses this run's channel and result: it must have ended first.
    if (m_step == Step::Transferring && m_worker)
        m_worker->stop();
}

void LocalUpdateRun::useWorker(UpdateWorker& worker, std::function<void()> ended) {
    m_worker = &worker;
    m_ended = std::move(ended);
}

bool LocalUpdateRun::start() {
    if (m_stop.load()) {
        finish(Outcome::Cancelled);
        return false;
    }
    if (m_session.isOnline()) {
        // Never update without the way back the operator was promised.
        Message why;
        if (!m_backup || !m_backup(why)) {
            m_detail = why;
            finish(Outcome::BackupFailed);
            return false;
        }
        m_stopFrames = m_edits.playTimed(LocalUpdateStopFrames());
    }
    // Offline the device sends no reports: the next poll takes the link down at once.
    m_step = Step::StoppingReports;
    return true;
}

bool LocalUpdateRun::poll() {
    switch (m_step) {
    case Step::Idle:
    case Step::Done:
        break;
    case Step::StoppingReports:
        if (m_stop.load()) {
            finish(Outcome::Cancelled);
            break;
        }
        if (m_stopFrames && !m_stopFrames->finished())
            break;
        linkDownAndTransfer();
        break;
    case Step::Transferring:
        if (!m_transferEnded.load())
            break;
        m_worker->stop(); // joins the thread that has just ended
        collect();
        break;
    }
    return done();
}

void LocalUpdateRun::linkDownAndTransfer() {
    m_stopFrames.reset();
    // The device has been told to stop reporting: the link goes down and its receive
    // thread ends, so the update socket can take the local port.
    if (m_beforeLinkDown)
        m_beforeLinkDown();
    m_session.stopForUpdate();

    m_channel = std::make_unique<UdpUpdateChannel>();
    const std::optional<Endpoint> device = Endpoint::parse(m_target.deviceIp, m_target.devicePort);
    std::string error;
    if (!device)
        error = "not a device address: " + m_target.deviceIp;
    if (!device || !m_channel->open(*device, m_target.localPort, &error)) {
        m_detail = {error, error};
        finish(Outcome::SocketFailed);
        return;
    }
    m_step = Step::Transferring;
    if (!m_worker) {
        transfer(m_stop);
        collect();
        return;
    }
    m_transferEnded = false;
    const bool started = m_worker->start([this](const std::atomic<bool>&) { transfer(m_stop); },
                                         [this] {
                                             m_transferEnded = true;
                                             if (m_ended)
                                                 m_ended();
                                         });
    if (!started) {
        // The worker still runs another job: nothing was sent.
        m_channel->close();
        m_detail = {"Updateing.......", "Updateing......."};
        finish(Outcome::Failed);
    }
}

void LocalUpdateRun::transfer(const std::atomic<bool>& stop) {
    m_result = LocalUpdate(*m_channel, m_clock, m_reporter, m_plan).run(stop);
    m_channel->close();
}

void LocalUpdateRun::collect() {
    m_detail = m_result.detail;
    switch (m_result.outcome) {
    case LocalUpdateOutcome::Succeeded:
        finish(Outcome::Succeeded);
        return;
    case LocalUpdateOutcome::Failed:
        finish(Outcome::Failed);
        return;
    case LocalUpdateOutcome::Declined:
        finish(Outcome::Declined);
        return;
    case LocalUpdateOutcome::Cancelled:
        finish(Outcome::Cancelled);
        return;
    }
}

void LocalUpdateRun::finish(Outcome outcome) {
    m_outcome = outcome;
    m_step = Step::Done;
}

Message LocalUpdateRun::failureMessage() const {
    const Message& d = m_detail;
    switch (m_outcome) {
    case Outcome::Succeeded:
        break;
    case Outcome::Declined:
        return {"The device's version could not be read; nothing was sent.",
                "无法读取设备版本，未发送任何内容。"};
    case Outcome::Failed:
        if (d.empty())
            return {"update fail", "升级失败。"};
        return {"update fail: " + d.en, "升级失败：" + d.zh};
    case Outcome::Cancelled:
        return {"The update was stopped.", "升级已停止。"};
    case Outcome::BackupFailed:
        return {"The device's settings could not be kept, so nothing was sent: " + d.en,
                "无法保存设备设置，未发送任何内容：" + d.zh};
    case Outcome::SocketFailed:
        return {"Cannot open the update socket: " + d.en, "无法打开升级套接字：" + d.zh};
    }
    return {};
}

} // namespace krm
