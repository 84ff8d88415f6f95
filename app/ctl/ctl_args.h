#pragma once
// The command line of krm416x-ctl: which command, its options and operands, and the help
// text of each command. Pure.

#include "link/rooms_file.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace krm::ctl {

// One side of a diff: a setting file, or a live device ("--device IP").
struct SettingSource {
    bool device = false;
    std::string value; // the file, or the device's address
};

struct CtlArgs {
    std::string command;
    std::vector<std::string> devices;   // every --device, in order
    std::vector<SettingSource> sources; // files and devices in order (diff)
    std::vector<std::string> operands;  // everything else that is not an option
    std::uint16_t devicePort;
    std::uint16_t localPort;
    std::chrono::milliseconds timeout;
    bool json = false;
    bool help = false;
    bool yes = false;
    bool force = false;
    bool labels = false; // diff: each difference in the window's words, beside its dotted name
    std::optional<std::string> file; // --file: a setting file instead of a device
    std::optional<std::string> interfaceName;
    std::optional<std::string> folder;
    // A list of devices: --devices (read here), --devices-file (read when the command
    // runs) or --discover.
    std::vector<VenueDevice> venue;
    std::optional<std::string> devicesFile;
    bool discoverDevices = false;
    std::optional<std::string> to; // backup --to DIR

    bool hasVenue() const { return !venue.empty() || devicesFile || discoverDevices; }
};

// The parsed command line, or what is wrong with it.
std::variant<CtlArgs, std::string> ParseCtlArgs(const std::vector<std::string>& args);

// The tool's help (empty command) or one command's; empty for an unknown command.
std::string CtlHelp(const std::string& command);

} // namespace krm::ctl
