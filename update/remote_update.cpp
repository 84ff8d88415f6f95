#include "update/remote_update.h"

#include "update/reply_wait.h"
#include "update/update_page.h"

#include <algorithm>
#include <filesystem>

namespace krm {

namespace {

const Message kGetVersionError{"Get version error.", "获得版本失败."};
const Message kPageFail{"Update fail.", "Update fail."};
const Message kNewest{"Software is the newst.", "软件已是最新版本."};
const Message kUpdateFail{"update fail", "update fail"};
const Message kUpdated{"Update successfully.", "Update successfully."};
constexpr const char* kPageFailCaption = "Warming";

constexpr Millis kAfterDownloads{1'000};
constexpr Millis kBetweenTransfers{2'000};

} // namespace

RemoteUpdate::RemoteUpdate(RemoteUpdateSteps steps, HttpClient& http, Clock& clock,
                           UpdateReporter& reporter, const std::atomic<bool>* stop)
    : m_steps(std::move(steps)), m_http(http), m_clock(clock), m_reporter(reporter), m_stop(stop) {}

bool RemoteUpdate::pause(Millis duration) {
    static const std::atomic<bool> never{false};
    return PauseUnlessStopped(m_clock, duration, m_stop ? *m_stop : never);
}

RemoteUpdateResult RemoteUpdate::run(const std::string& pageUrl, const std::string& folder) {
    const std::optional<std::string> hardware = m_steps.identify();
    if (stopped())
        return RemoteUpdateResult::Stopped;
    if (!hardware) {
        m_reporter.message(kGetVersionError);
        return RemoteUpdateResult::VersionError;
    }

    const std::optional<std::string> page = m_http.fetch(pageUrl);
    if (stopped())
        return RemoteUpdateResult::Stopped;
    const std::optional<UpdatePageInfo> info =
        page ? ParseUpdatePage(*page) : std::optional<UpdatePageInfo>();
    if (!info) {
        m_reporter.messageWithCaption(kPageFail, kPageFailCaption);
        return RemoteUpdateResult::PageError;
    }
    m_reporter.versions(*hardware, "", info->remoteVersion);

    if (!RemoteIsNewer(*hardware, info->remoteVersion)) {
        m_reporter.message(kNewest);
        return RemoteUpdateResult::UpToDate;
    }

    const std::string dspPath = (std::filesystem::path(folder) / kRemoteDspFile).string();
    const std::string digitalPath = (std::filesystem::path(folder) / kRemoteDigitalFile).string();
    // Both files must be in place before the device hears anything: a device left with
    // new digital firmware and old DSP firmware is worse off than one not updated.
    const bool downloaded =
        m_http.download(info->dspUrl, dspPath) && m_http.download(info->digitalUrl, digitalPath);
    if (stopped())
        return RemoteUpdateResult::Stopped;
    if (!downloaded) {
        m_reporter.message(kUpdateFail);
        return RemoteUpdateResult::DownloadFailed;
    }

    if (!pause(kAfterDownloads))
        return RemoteUpdateResult::Stopped;
    if (!m_steps.transfer(digitalPath, 1)) {
        m_reporter.message(kUpdateFail);
        return RemoteUpdateResult::TransferFailed;
    }
    if (!pause(kBetweenTransfers))
        return RemoteUpdateResult::Stopped;
    if (!m_steps.transfer(dspPath, 0)) {
        m_reporter.message(kUpdateFail);
        return RemoteUpdateResult::TransferFailed;
    }
    m_reporter.message(kUpdated);
    return RemoteUpdateResult::Updated;
}

} // namespace krm
