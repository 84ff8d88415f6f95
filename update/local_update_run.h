#pragma once
// LocalUpdateRun: a local firmware update from the operator's "yes" to its outcome, the one
// sequence the HELP section and the command-line tool both drive. With the device online
// its settings are kept first (the caller says where: a stored setting, a file) and nothing
// is sent when they cannot be; then the device is told to stop reporting (the "%Q," 0
// frames, played on the bulk sender), the link goes down, the update socket takes the
// local port, LocalUpdate sends both files, and the socket is closed again.
//
// Threads: start() and poll() on the session's owner thread (the window's, or the tool's
// pumping thread); neither waits on the network except the transfer in the tool's way.
// With a worker, the transfer runs on it and `ended` runs there once it is over; a window
// whose reporter posts to it takes the end up with a poll() posted from `ended`, so that
// it comes after every report. Without a worker, the poll() that opens the socket runs the
// transfer to its end. The reporter is called on the thread of the transfer.

#include "link/clock.h"
#include "model/message.h"
#include "update/local_preflight.h"
#include "update/local_update.h"
#include "update/update_channel.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace krm {

class DeviceSession;
class EditService;
class UpdateReporter;
class UpdateWorker;
struct SequenceProgress;

class LocalUpdateRun {
public:
    enum class Step {
        Idle,            // not started
        StoppingReports, // the settings kept, the "%Q," 0 frames on their way
        Transferring,    // the link down, the update socket open, the files going out
        Done,            // outcome() tells how it ended
    };
    enum class Outcome {
        Succeeded,    // both files sent and reported complete
        Declined,     // the versions could not be read and the operator chose not to go on
        Failed,       // a file refused or a transfer failed; detail() says why
        Cancelled,    // the stop flag was raised; nothing more was sent
        BackupFailed, // the settings could not be kept: nothing was sent, the link is up
        SocketFailed, // the update socket could not be opened (the link is down)
    };

    // Keeps the device's settings; false, with the reason in `why`, when it could not.
    using Backup = std::function<bool(Message& why)>;

    struct Parts {
        DeviceSession& session;
        EditService& edits;
        Clock& clock;
        UpdateReporter& reporter;
        // Raised by the caller to end the run (the window closes, the tool is interrupted).
        const std::atomic<bool>& stop;
    };
    struct Target {
        std::string deviceIp;
        std::uint16_t devicePort = 0;
        std::uint16_t localPort = 0; // the port the update socket binds (the link's own)
    };

    LocalUpdateRun(Parts parts, Target target, LocalUpdatePlan plan, Backup backup);
    // Waits for a transfer still on the worker: raise the stop flag first.
    ~LocalUpdateRun();
    LocalUpdateRun(const LocalUpdateRun&) = delete;
    LocalUpdateRun& operator=(const LocalUpdateRun&) = delete;

    // The transfer goes on `worker` (which must be idle then); `ended` runs on the worker
    // when it is over. Without this call the transfer runs inside poll().
    void useWorker(UpdateWorker& worker, std::function<void()> ended);
    // Runs just before the link goes down (a discovery sweep binds the same port).
    void beforeLinkDown(std::function<void()> hook) { m_beforeLinkDown = std::move(hook); }

    // Keeps the settings (while online) and starts the stop frames. False when the run
    // ended at once (BackupFailed, or Cancelled).
    bool start();
    // The next step once the one before is over. True when the run is done.
    bool poll();

    Step step() const { return m_step; }
    bool done() const { return m_step == Step::Done; }
    Outcome outcome() const { return m_outcome; }
    // Failed: the refused file or the transfer's reason (may be empty); BackupFailed: why
    // the settings were not kept; SocketFailed: the socket's error.
    const Message& detail() const { return m_detail; }
    // What the operator is told about an outcome other than Succeeded.
    Message failureMessage() const;

private:
    void finish(Outcome outcome);
    void linkDownAndTransfer();
    void transfer(const std::atomic<bool>& stop);
    void collect();

    DeviceSession& m_session;
    EditService& m_edits;
    Clock& m_clock;
    UpdateReporter& m_reporter;
    const std::atomic<bool>& m_stop;
    Target m_target;
    LocalUpdatePlan m_plan;
    Backup m_backup;
    std::function<void()> m_beforeLinkDown;
    UpdateWorker* m_worker = nullptr;
    std::function<void()> m_ended;

    Step m_step = Step::Idle;
    Outcome m_outcome = Outcome::Cancelled;
    Message m_detail;
    std::shared_ptr<const SequenceProgress> m_stopFrames;
    std::unique_ptr<UdpUpdateChannel> m_channel;
    // Written by the transfer; read by the owner after m_transferEnded.
    LocalUpdateResult m_result;
    std::atomic<bool> m_transferEnded{false};
};

} // namespace krm
