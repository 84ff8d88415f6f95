#pragma once
// Command line of krm416x-sim:
//   krm416x-sim --address 127.0.0.2 [--count N] [--port 39050] [--peer-port N]
//               [--levels-ms N] [--seed N] [--basic-version DDD] [--completion-ms N]
//               [--fault KNOB]...
// Parsed apart from main() so that the rules (a strict dotted address, ports 1..65535,
// loopback only while the loopback guard is on, a venue's addresses all in range) are
// testable. Pure; any thread.

#include "link/udp_socket.h"
#include "sim/device_core.h"

#include <string>
#include <vector>

namespace krm::sim {

inline constexpr std::uint16_t kDefaultSimPort = 39050;

struct SimCommandLine {
    bool ok = false;
    bool help = false;
    std::string error; // operator-facing reason when !ok
    Endpoint bind;     // the first device's, with --count
    int count = 1;     // devices on consecutive addresses from bind
    DeviceOptions options;
};

// args exclude the program name. loopbackOnly: the state of KRM416X_LOOPBACK_ONLY.
SimCommandLine ParseSimCommandLine(const std::vector<std::string>& args, bool loopbackOnly);

// The usage text.
const char* SimUsage();

} // namespace krm::sim
