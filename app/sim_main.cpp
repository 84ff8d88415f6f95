// krm416x-sim: the virtual KRM-416X on a loopback address (or a venue of them on
// consecutive addresses), until Ctrl-C.

#include "link/loopback_guard.h"
#include "sim/sim_options.h"
#include "sim/virtual_device.h"
#include "sim/virtual_venue.h"

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Each device holds a socket and a wake-up descriptor; a large venue needs more than the
// usual soft limit of 1024.
void raiseDescriptorLimit(int devices) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    const rlim_t wanted = static_cast<rlim_t>(devices) * 2 + 64;
    if (limit.rlim_cur >= wanted)
        return;
    limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
}

int RunVenue(const krm::sim::SimCommandLine& cmd, const sigset_t& stopSignals) {
    using namespace krm;
    raiseDescriptorLimit(cmd.count);
    sim::VirtualVenue venue(cmd.count, cmd.options);
    std::string error;
    if (!venue.start(cmd.bind, &error)) {
        std::fprintf(stderr, "krm416x-sim: cannot open the venue: %s\n", error.c_str());
        return 1;
    }
    std::printf("krm416x-sim: %d devices answering on %s to %s (Ctrl-C to stop)\n", venue.size(),
                venue.endpoint(0).toString().c_str(),
                venue.endpoint(venue.size() - 1).toString().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    venue.stop();
    long long in = 0;
    long long out = 0;
    for (int i = 0; i < venue.size(); ++i) {
        in += venue.device(i).datagramsReceived();
        out += venue.device(i).datagramsSent();
    }
    std::printf("krm416x-sim: stopped after %lld datagrams in, %lld out\n", in, out);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace krm;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const sim::SimCommandLine cmd = sim::ParseSimCommandLine(args, LoopbackOnly());
    if (cmd.help) {
        std::fputs(sim::SimUsage(), stdout);
        return 0;
    }
    if (!cmd.ok) {
        std::fprintf(stderr, "krm416x-sim: %s\n%s", cmd.error.c_str(), sim::SimUsage());
        return 2;
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by a handler: block them
    // before the device's thread starts so that it inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    if (cmd.count > 1)
        return RunVenue(cmd, stopSignals);
    sim::VirtualDevice device(cmd.options);
    std::string error;
    if (!device.start(cmd.bind, &error)) {
        std::fprintf(stderr, "krm416x-sim: cannot open %s: %s\n", cmd.bind.toString().c_str(),
                     error.c_str());
        return 1;
    }
    std::printf("krm416x-sim: answering on %s (Ctrl-C to stop)\n",
                device.endpoint().toString().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    device.stop();
    std::printf("krm416x-sim: stopped after %d datagrams in, %d out\n", device.datagramsReceived(),
                device.datagramsSent());
    return 0;
}
