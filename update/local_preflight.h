#pragma once
// The steps of a local update before anything on the device or the link changes, shared
// by the HELP section and the command-line tool: learn the device's basic version over
// the live link, choose the pair of firmware files that version takes, and check exactly
// that pair, naming every file of it that cannot be sent. Only then may the caller ask
// the operator, keep the settings, stop the reports and take the link down.
//
// Threads: the session's owner thread (the window's, or the tool's pumping thread). The
// answer arrives through the session's delivery; poll() runs from the owner's timer.

#include "link/clock.h"
#include "model/message.h"
#include "update/firmware_file.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace krm {

class DeviceSession;

// What a local update sends: the device's basic version and the pair it chose.
struct LocalUpdatePlan {
    std::string basicVersion;
    FirmwarePair files;
};

struct PreflightResult {
    enum class Status {
        Ready,    // the plan's files can be sent
        NoAnswer, // the device did not tell its basic version
        Refused,  // a file of the chosen pair cannot be sent
    };
    Status status = Status::NoAnswer;
    LocalUpdatePlan plan;
    // NoAnswer, Refused: what the operator is told (the refused files by name).
    Message problem;
};

// Without I/O: the pair `basicVersion` chooses in `folder`, both files checked.
PreflightResult PlanLocalUpdate(const std::filesystem::path& folder, std::string_view basicVersion);

// The device did not answer the basic-version question; nothing was changed.
Message NoBasicVersionMessage();

class LocalPreflight {
public:
    using Done = std::function<void(const PreflightResult&)>;

    // The device answers the question within 200 ms + 50 polls of 20 ms; 100 ms later it
    // is asked again, three times in all.
    static constexpr int kAttempts = 3;
    static constexpr Millis kAttemptWait{200 + 50 * 20 + 100};

    LocalPreflight(DeviceSession& session, Clock& clock, std::filesystem::path folder);
    // A preflight that ends early leaves no question waiting in the session.
    ~LocalPreflight();
    LocalPreflight(const LocalPreflight&) = delete;
    LocalPreflight& operator=(const LocalPreflight&) = delete;

    // Asks the device. `done` runs once: on its answer (from the session's delivery), or
    // from poll() (or at once) when no question could go out or none was answered.
    void start(Done done);
    // The owner's timer: asks again after kAttemptWait of silence, ends after the last.
    void poll();
    bool running() const { return static_cast<bool>(m_done); }

private:
    void ask();
    void finish(const PreflightResult& result);

    DeviceSession& m_session;
    Clock& m_clock;
    std::filesystem::path m_folder;
    Done m_done;
    int m_attempts = 0;
    Millis m_askedAt{0};
    // The session's answer callback holds this; cleared when the preflight ends or goes.
    std::shared_ptr<LocalPreflight*> m_self;
};

} // namespace krm
