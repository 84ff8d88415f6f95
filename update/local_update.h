#pragma once
// LocalUpdate: the LOCAL button's update once its preflight (update/local_preflight.h) has
// learnt the device's basic version and chosen the pair of firmware files — ask the
// device its firmware version, send the digital firmware, then after 2 s the DSP
// firmware, and tell the operator how it went.
//
// Threads: runs on the update worker with the update channel open (the caller opens and
// closes it, and keeps the update marked busy meanwhile). The reporter posts to the window;
// ask() blocks this worker until the operator answers.

#include "link/clock.h"
#include "model/message.h"
#include "model/paced_sender.h"
#include "update/local_preflight.h"
#include "update/update_channel.h"
#include "update/update_reporter.h"

#include <atomic>
#include <string>
#include <vector>

namespace krm {

enum class LocalUpdateOutcome {
    Succeeded, // both files sent and reported complete
    Failed,    // a file refused or a transfer failed; the operator was told
    Declined,  // the versions could not be read and the operator chose not to go on
    Cancelled, // stopped (the program closes); nothing more was shown
};

// What tells the device to stop reporting before a local update takes the link down: six
// "%Q," 0 in pairs 200 ms apart, then two more 100 ms apart for the receive thread the
// device may still be feeding. Played on the bulk sender while the link is still up.
std::vector<PacedSender::TimedFrame> LocalUpdateStopFrames();

struct LocalUpdateResult {
    LocalUpdateOutcome outcome = LocalUpdateOutcome::Failed;
    // As the device gave them ("31", "310"); "00" when it did not answer.
    std::string hardwareVersion;
    std::string basicVersion;
    // Why it failed, besides "update fail": the refused file or the transfer's reason.
    Message detail;
};

class LocalUpdate {
public:
    // plan: the preflight's basic version and the pair it chose.
    LocalUpdate(UpdateChannel& channel, Clock& clock, UpdateReporter& reporter,
                LocalUpdatePlan plan);

    LocalUpdateResult run(const std::atomic<bool>& stop);

private:
    UpdateChannel& m_channel;
    Clock& m_clock;
    UpdateReporter& m_reporter;
    LocalUpdatePlan m_plan;
};

} // namespace krm
