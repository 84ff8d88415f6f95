#include "app/ctl/ctl_firmware.h"

#include "app/ctl/ctl.h"

#include "presets/link_state.h"
#include "presets/setting_file.h"
#include "update/local_update.h"
#include "update/update_channel.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <ostream>

namespace krm::ctl {

namespace {

// Where the setting is kept before an update when no stored-setting slot is at hand.
constexpr const char* kBackupFile = "BeforeUpdate.dat";

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
    // Never update without the way back.
    const std::filesystem::path backup = options.folder / kBackupFile;
    Message error;
    if (!WriteSettingFile(backup, c.image(), LinkStateOf(c.session(), clock), &error)) {
        why = "the device's setting could not be kept, so nothing was sent: " + error.en;
        return false;
    }
    err << "firmware: the device's setting was kept as " << backup.string() << "\n";

    // The device stops reporting as before the window's local update; then the link goes
    // down and the port is free.
    const std::shared_ptr<const SequenceProgress> stopped =
        c.edits().playTimed(LocalUpdateStopFrames());
    c.pumpUntil([&] { return stopped->finished(); }, std::chrono::seconds(10));
    c.session().stopForUpdate();

    UdpUpdateChannel channel;
    const std::optional<Endpoint> device = Endpoint::parse(options.deviceIp, options.devicePort);
    std::string socketError;
    if (!device || !channel.open(*device, options.localPort, &socketError)) {
        why = "cannot open the update socket: " + socketError;
        return false;
    }
    StreamReporter reporter(err, options.yes);
    const LocalUpdateResult result =
        LocalUpdate(channel, clock, reporter, plan).run(CtlInterrupted());
    channel.close();
    switch (result.outcome) {
    case LocalUpdateOutcome::Succeeded:
        return true;
    case LocalUpdateOutcome::Declined:
        why = "the device's version could not be read; nothing was sent (--yes goes on)";
        return false;
    case LocalUpdateOutcome::Failed:
        why = "update fail" + (result.detail.empty() ? std::string() : ": " + result.detail.en);
        return false;
    case LocalUpdateOutcome::Cancelled:
        break;
    }
    why = "the update was stopped";
    return false;
}

} // namespace krm::ctl
