#include "sim/sim_options.h"

#include "sim/virtual_venue.h"

#include <charconv>

namespace krm::sim {

namespace {

bool readNumber(const std::string& text, long long lo, long long hi, long long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

// "--fault" values: a firmware-transfer knob, with its number where it takes one.
bool readFault(const std::string& text, FaultKnobs& knobs) {
    const auto eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : text.substr(eq + 1);
    long long n = 0;
    if (name == "no-start-ack" && value.empty())
        knobs.noStartAck = true;
    else if (name == "checksum-mismatch" && value.empty())
        knobs.checksumMismatch = true;
    else if (name == "block-ack-missing" && readNumber(value, 0, 4095, n))
        knobs.blockAckMissingAt = static_cast<int>(n);
    else if (name == "completion-status" && readNumber(value, 0, 99, n))
        knobs.completionStatus = static_cast<int>(n);
    else
        return false;
    return true;
}

} // namespace

const char* SimUsage() {
    return "usage: krm416x-sim --address 127.0.0.2 [--count N] [--port 39050]\n"
           "                   [--peer-port N] [--levels-ms N] [--seed N]\n"
           "                   [--basic-version DDD] [--completion-ms N] [--fault KNOB]...\n"
           "  --address    loopback address to answer on (127.0.0.0/8 while\n"
           "               KRM416X_LOOPBACK_ONLY=1)\n"
           "  --count      a venue of N devices (1..1000) on consecutive addresses from\n"
           "               --address (127.0.1.1, 127.0.1.2, ...), each with its own\n"
           "               image, reports and faults; all stay in 127.0.0.0/8\n"
           "  --port       UDP port to bind (default 39050)\n"
           "  --peer-port  answer to this port instead of the request's source port\n"
           "  --levels-ms  also send level reports this often while reporting (0 = off)\n"
           "  --seed       seed of the moving meters\n"
           "  --basic-version  digits of the basic-version reply (default 310)\n"
           "  --completion-ms  pause before a firmware completion report (default 300)\n"
           "  --fault      firmware-transfer misbehaviour, repeatable: no-start-ack,\n"
           "               block-ack-missing=INDEX, completion-status=NN,\n"
           "               checksum-mismatch\n";
}

SimCommandLine ParseSimCommandLine(const std::vector<std::string>& args, bool loopbackOnly) {
    SimCommandLine cmd;
    std::string address = "127.0.0.2";
    long long port = kDefaultSimPort;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            cmd.help = true;
            return cmd;
        }
        if (i + 1 >= args.size()) {
            cmd.error = "missing value after " + arg;
            return cmd;
        }
        const std::string& value = args[++i];
        long long n = 0;
        if (arg == "--address") {
            address = value;
        } else if (arg == "--count") {
            if (!readNumber(value, 1, VirtualVenue::kMaxDevices, n)) {
                cmd.error =
                    "bad count (1.." + std::to_string(VirtualVenue::kMaxDevices) + "): " + value;
                return cmd;
            }
            cmd.count = static_cast<int>(n);
        } else if (arg == "--port") {
            if (!readNumber(value, 1, 65535, port)) {
                cmd.error = "bad port: " + value;
                return cmd;
            }
        } else if (arg == "--peer-port") {
            if (!readNumber(value, 1, 65535, n)) {
                cmd.error = "bad peer port: " + value;
                return cmd;
            }
            cmd.options.peerPort = static_cast<std::uint16_t>(n);
        } else if (arg == "--levels-ms") {
            if (!readNumber(value, 0, 3'600'000, n)) {
                cmd.error = "bad level report period: " + value;
                return cmd;
            }
            cmd.options.levelsPeriod = Millis(n);
        } else if (arg == "--seed") {
            if (!readNumber(value, 0, 0xFFFFFFFFLL, n)) {
                cmd.error = "bad seed: " + value;
                return cmd;
            }
            cmd.options.seed = static_cast<std::uint32_t>(n);
        } else if (arg == "--basic-version") {
            if (value.empty() || value.size() > 4 ||
                value.find_first_not_of("0123456789") != std::string::npos) {
                cmd.error = "bad basic version: " + value;
                return cmd;
            }
            cmd.options.basicVersion = value;
        } else if (arg == "--completion-ms") {
            if (!readNumber(value, 0, 600'000, n)) {
                cmd.error = "bad completion delay: " + value;
                return cmd;
            }
            cmd.options.completionDelay = Millis(n);
        } else if (arg == "--fault") {
            if (!readFault(value, cmd.options.faults)) {
                cmd.error = "unknown fault: " + value;
                return cmd;
            }
        } else {
            cmd.error = "unknown option: " + arg;
            return cmd;
        }
    }
    const auto bind = Endpoint::parse(address, static_cast<std::uint16_t>(port));
    if (!bind) {
        cmd.error = "not an IPv4 address: " + address;
        return cmd;
    }
    if (loopbackOnly && !bind->isLoopback()) {
        cmd.error = "KRM416X_LOOPBACK_ONLY is set: " + address + " is not in 127.0.0.0/8";
        return cmd;
    }
    if (const auto problem = VirtualVenue::rangeProblem(*bind, cmd.count)) {
        cmd.error = "--count " + std::to_string(cmd.count) + " from " + address + ": " + *problem;
        return cmd;
    }
    cmd.bind = *bind;
    cmd.ok = true;
    return cmd;
}

} // namespace krm::sim
