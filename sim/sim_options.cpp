#include "sim/sim_options.h"

#include <charconv>

namespace krm::sim {

namespace {

bool readNumber(const std::string& text, long long lo, long long hi, long long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= lo && value <= hi;
}

} // namespace

const char* SimUsage() {
    return "usage: krm416x-sim --address 127.0.0.2 [--port 39050] [--peer-port N]\n"
           "                   [--levels-ms N] [--seed N]\n"
           "  --address    loopback address to answer on (127.0.0.0/8 while\n"
           "               KRM416X_LOOPBACK_ONLY=1)\n"
           "  --port       UDP port to bind (default 39050)\n"
           "  --peer-port  answer to this port instead of the request's source port\n"
           "  --levels-ms  also send level reports this often while reporting (0 = off)\n"
           "  --seed       seed of the moving meters\n";
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
    cmd.bind = *bind;
    cmd.ok = true;
    return cmd;
}

} // namespace krm::sim
