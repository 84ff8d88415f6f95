#include "update/local_preflight.h"

#include "model/device_session.h"

#include <cstdio>
#include <cstdlib>

namespace krm {

namespace {

// "3.10" for "310": the basic version counts hundredths.
std::string BasicVersionText(std::string_view basicVersion) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f",
                  std::strtol(std::string(basicVersion).c_str(), nullptr, 10) / 100.0);
    return text;
}

} // namespace

PreflightResult PlanLocalUpdate(const std::filesystem::path& folder,
                                std::string_view basicVersion) {
    PreflightResult result;
    result.plan.basicVersion = std::string(basicVersion);
    result.plan.files = ChooseFirmwareFiles(folder, basicVersion);
    const FirmwarePair& files = result.plan.files;
    Message refused;
    for (const std::filesystem::path& file : {files.digital, files.dsp}) {
        if (std::optional<Message> why = CheckFirmwareFile(file)) {
            refused.en += "\n" + why->en;
            refused.zh += "\n" + why->zh;
        }
    }
    if (refused.empty()) {
        result.status = PreflightResult::Status::Ready;
        return result;
    }
    // Which pair the device takes says why the other pair beside it is of no use.
    const std::string version = BasicVersionText(basicVersion);
    const std::string digital = files.digital.filename().string();
    const std::string dsp = files.dsp.filename().string();
    result.status = PreflightResult::Status::Refused;
    result.problem.en = "The device's basic version is " + version + ": it takes \"" + digital +
                        "\" and \"" + dsp + "\". Nothing was changed." + refused.en;
    result.problem.zh = "设备基带版本为 " + version + "，需要“" + digital + "”和“" + dsp +
                        "”。未做任何更改。" + refused.zh;
    return result;
}

Message NoBasicVersionMessage() {
    return {"The device did not tell its basic version, so the firmware files it takes are "
            "not known. Nothing was changed.",
            "设备未回复基带版本，无法确定所需的固件文件。未做任何更改。"};
}

LocalPreflight::LocalPreflight(DeviceSession& session, Clock& clock, std::filesystem::path folder)
    : m_session(session), m_clock(clock), m_folder(std::move(folder)) {}

LocalPreflight::~LocalPreflight() {
    if (m_self) {
        *m_self = nullptr;
        m_session.requestBasicVersion({});
    }
}

void LocalPreflight::start(Done done) {
    m_done = std::move(done);
    m_attempts = 0;
    m_self = std::make_shared<LocalPreflight*>(this);
    ask();
}

void LocalPreflight::ask() {
    ++m_attempts;
    m_askedAt = m_clock.now();
    std::shared_ptr<LocalPreflight*> self = m_self;
    const bool sent = m_session.requestBasicVersion([self](const std::string& version) {
        if (LocalPreflight* p = *self)
            p->finish(PlanLocalUpdate(p->m_folder, version));
    });
    if (!sent) {
        PreflightResult silent;
        silent.problem = NoBasicVersionMessage();
        finish(silent);
    }
}

void LocalPreflight::poll() {
    if (!running() || m_clock.now() - m_askedAt < kAttemptWait)
        return;
    if (m_attempts < kAttempts) {
        ask();
        return;
    }
    PreflightResult silent;
    silent.problem = NoBasicVersionMessage();
    finish(silent);
}

void LocalPreflight::finish(const PreflightResult& result) {
    if (m_self) {
        *m_self = nullptr;
        m_self.reset();
    }
    m_session.requestBasicVersion({});
    // `done` may destroy this preflight: nothing of it is touched afterwards.
    Done done = std::move(m_done);
    m_done = nullptr;
    done(result);
}

} // namespace krm
