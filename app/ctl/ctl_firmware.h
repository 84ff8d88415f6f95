#pragma once
// The firmware command: the HELP section's local update without the window — the same
// pre-flight of the files, the device's setting kept first, the reports stopped with the
// same "%Q," 0 frames, the link taken down, then LocalUpdate on the update socket.
// The caller's thread runs it; progress and the update's messages go to `err`.

#include "app/ctl/ctl_connection.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace krm::ctl {

// Whether one pair of firmware files in `folder` can be sent (either the pair of devices
// below 3.00 or of 3.00 and later; which one goes depends on the device's answer). The
// usable pairs are named on `err`; otherwise `problem` names the first file refused.
bool FirmwarePreflight(const std::filesystem::path& folder, std::ostream& err,
                       std::string& problem);

struct FirmwareOptions {
    std::filesystem::path folder;
    std::string deviceIp;
    std::uint16_t devicePort = 0;
    std::uint16_t localPort = 0;
    bool yes = false; // go on when the device's version cannot be read
};

// Runs the update over an online connection (left down afterwards). False with the reason.
bool RunFirmwareUpdate(CtlConnection& connection, Clock& clock, const FirmwareOptions& options,
                       std::ostream& err, std::string& why);

} // namespace krm::ctl
