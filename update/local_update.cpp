#include "update/local_update.h"

#include "model/frame_builders.h"
#include "update/firmware_file.h"
#include "update/firmware_transfer.h"
#include "update/reply_wait.h"
#include "update/version_queries.h"

namespace krm {

std::vector<PacedSender::TimedFrame> LocalUpdateStopFrames() {
    const std::string stop = BuildQ(0);
    std::vector<PacedSender::TimedFrame> frames;
    for (Millis pause : {Millis{0}, Millis{200}, Millis{0}, Millis{200}, Millis{0}, Millis{0},
                         Millis{100}, Millis{0}})
        frames.push_back({{}, stop, pause});
    return frames;
}

namespace {

// The device restarts its digital part after the first file before it takes the second.
constexpr Millis kBetweenFiles{2000};

const Message kVersionError{"Get version error.", "读取版本失败."};
const Message kContinueQuestion{"If do you continue to update the device？", "是否要继续升级？"};
const Message kUpdateFail{"update fail", "升级失败。"};
const Message kUpdateSuccess{"Update successfully", "升级成功。"};

} // namespace

LocalUpdate::LocalUpdate(UpdateChannel& channel, Clock& clock, UpdateReporter& reporter,
                         LocalUpdatePlan plan)
    : m_channel(channel), m_clock(clock), m_reporter(reporter), m_plan(std::move(plan)) {}

LocalUpdateResult LocalUpdate::run(const std::atomic<bool>& stop) {
    LocalUpdateResult result;
    auto finish = [&result](LocalUpdateOutcome outcome) {
        result.outcome = outcome;
        return result;
    };
    result.hardwareVersion = "00";
    result.basicVersion = m_plan.basicVersion;
    if (stop.load())
        return finish(LocalUpdateOutcome::Cancelled);

    if (std::optional<std::string> hw = QueryHardwareVersion(m_channel, m_clock, stop)) {
        result.hardwareVersion = *hw;
    } else {
        if (stop.load())
            return finish(LocalUpdateOutcome::Cancelled);
        m_reporter.message(kVersionError);
        if (!m_reporter.ask(kContinueQuestion))
            return finish(LocalUpdateOutcome::Declined);
        if (stop.load())
            return finish(LocalUpdateOutcome::Cancelled);
    }
    m_reporter.versions(result.hardwareVersion, result.basicVersion, {});

    const FirmwarePair& files = m_plan.files;
    // The preflight checked them; they are checked again since the operator may have
    // moved them while the question waited. A missing DSP file must not leave the device
    // with new digital firmware and old DSP firmware.
    for (const std::filesystem::path& file : {files.digital, files.dsp}) {
        if (std::optional<Message> refused = CheckFirmwareFile(file)) {
            m_reporter.message(*refused);
            result.detail = *refused;
            return finish(LocalUpdateOutcome::Failed);
        }
    }

    FirmwareTransfer transfer(m_channel, m_clock, m_reporter, stop);
    auto failed = [&]() {
        if (transfer.stopped())
            return finish(LocalUpdateOutcome::Cancelled);
        result.detail = transfer.lastError();
        m_reporter.message(kUpdateFail);
        return finish(LocalUpdateOutcome::Failed);
    };
    if (!transfer.run(files.digital, kDigitalKind))
        return failed();
    if (!PauseUnlessStopped(m_clock, kBetweenFiles, stop))
        return finish(LocalUpdateOutcome::Cancelled);
    if (!transfer.run(files.dsp, kDspKind))
        return failed();
    m_reporter.message(kUpdateSuccess);
    return finish(LocalUpdateOutcome::Succeeded);
}

} // namespace krm
