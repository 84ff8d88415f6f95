#pragma once
// The firmware command: the HELP section's local update without the window — the same
// preflight over the live link (the device's basic version, the pair it takes, exactly
// that pair checked), then the same LocalUpdateRun with the device's setting kept in a
// file beside the firmware. The caller's thread runs it; progress and the update's
// messages go to `err`.

#include "app/ctl/ctl_connection.h"
#include "update/local_preflight.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace krm::ctl {

// Asks the online device its basic version and checks the pair of files in `folder` it
// takes; nothing on the device or the link changes. The chosen pair is named on `err`.
PreflightResult FirmwarePreflight(CtlConnection& connection, Clock& clock,
                                  const std::filesystem::path& folder, std::ostream& err);

struct FirmwareOptions {
    std::filesystem::path folder;
    std::string deviceIp;
    std::uint16_t devicePort = 0;
    std::uint16_t localPort = 0;
    bool yes = false; // go on when the device's version cannot be read
};

// Runs the update the preflight planned over an online connection (left down afterwards).
// False with the reason.
bool RunFirmwareUpdate(CtlConnection& connection, Clock& clock, const FirmwareOptions& options,
                       const LocalUpdatePlan& plan, std::ostream& err, std::string& why);

} // namespace krm::ctl
