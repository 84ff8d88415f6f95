#include "app/ctl/ctl_firmware.h"

#include "app/ctl/ctl.h"

#include "presets/link_state.h"
#include "presets/setting_file.h"
#include "update/local_update_run.h"
#include "update/update_reporter.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>

namespace krm::ctl {

namespace {

// Where the setting is kept before an update when no stored-setting slot is at hand.
constexpr const char* kBackupFile = "BeforeUpdate.dat";
// How long the link's tasks are pumped between two steps of the update.
constexpr std::chrono::milliseconds kPumpSlice{10};

// What LocalUpdate tells the operator, on stderr; its one question is answered by --yes.
class StreamReporter final : public UpdateReporter {
public:
    StreamReporter(std::ostream& err, bool yes) : m_err(err), m_yes(yes) {}

    void progressRange(int maximum) override {
        m_maximum = maximum;
        m_shown = -1;
        ++m_file;
    }
    void progress(int position) override {
        const int percent = m_maximum > 0 ? position * 100 / m_maximum : 100;
        if (percent / 10 == m_shown / 10 && position != m_maximum)
            return;
        m_shown = percent;
        m_err << "firmware: file " << m_file << ", block " << position << "/" << m_maximum << " ("
              << percent << "%)\n";
    }
    void message(const Message& text) override { m_err << "firmware: " << text.en << "\n"; }
    void versions(const std::string& hardware, const std::string& basic,
                  const std::string&) override {
        m_err << "firmware: device version " << (hardware.empty() ? "?" : hardware)
              << ", basic version " << (basic.empty() ? "?" : basic) << "\n";
    }
    bool ask(const Message& question) override {
        m_err << "firmware: " << question.en << (m_yes ? " yes (--yes)\n" : " no (give --yes)\n");
        return m_yes;
    }

private:
    std::ostream& m_err;
    bool m_yes;
    int m_maximum = 0;
    int m_shown = -1;
    int m_file = 0;
};

} // namespace

PreflightResult FirmwarePreflight(CtlConnection& c, Clock& clock,
                                  const std::filesystem::path& folder, std::ostream& err) {
    LocalPreflight preflight(c.session(), clock, folder);
    std::optional<PreflightResult> result;
    preflight.start([&result](const PreflightResult& r) { result = r; });
    // The preflight gives up on its own clock; the real-time limit only guards a clock
    // that does not move while nothing sleeps on it.
    const auto limit = std::chrono::milliseconds(
        (LocalPreflight::kAttemptWait * (LocalPreflight::kAttempts + 1)).count());
    c.pumpUntil(
        [&] {
            preflight.poll();
            return result.has_value();
        },
        limit);
    if (!result) {
        result.emplace();
        result->problem = NoBasicVersionMessage();
    }
    if (result->status != PreflightResult::Status::NoAnswer) {
        const FirmwarePair& pair = result->plan.files;
        err << "firmware: basic version " << result->plan.basicVersion << ": "
            << pair.digital.filename().string() << " and " << pair.dsp.filename().string() << "\n";
    }
    return *result;
}

bool RunFirmwareUpdate(CtlConnection& c, Clock& clock, const FirmwareOptions& options,
                       const LocalUpdatePlan& plan, std::ostream& err, std::string& why) {
    const std::filesystem::path backup = options.folder / kBackupFile;
    auto keep = [&](Message& error) {
        if (!WriteSettingFile(backup, c.image(), LinkStateOf(c.session(), clock), &error))
            return false;
        err << "firmware: the device's setting was kept as " << backup.string() << "\n";
        return true;
    };
    StreamReporter reporter(err, options.yes);
    LocalUpdateRun run({c.session(), c.edits(), clock, reporter, CtlInterrupted()},
                       {options.deviceIp, options.devicePort, options.localPort}, plan, keep);
    // The tool's thread plays the window's: it pumps the link between the steps, and the
    // step that opens the update socket runs the transfer to its end.
    if (run.start())
        while (!run.poll())
            c.pumpUntil([] { return false; }, kPumpSlice);
    const Message& detail = run.detail();
    switch (run.outcome()) {
    case LocalUpdateRun::Outcome::Succeeded:
        return true;
    case LocalUpdateRun::Outcome::BackupFailed:
        why = "the device's setting could not be kept, so nothing was sent: " + detail.en;
        return false;
    case LocalUpdateRun::Outcome::SocketFailed:
        why = "cannot open the update socket: " + detail.en;
        return false;
    case LocalUpdateRun::Outcome::Declined:
        why = "the device's version could not be read; nothing was sent (--yes goes on)";
        return false;
    case LocalUpdateRun::Outcome::Failed:
        why = run.failureMessage().en;
        return false;
    case LocalUpdateRun::Outcome::Cancelled:
        break;
    }
    why = "the update was stopped";
    return false;
}

} // namespace krm::ctl
