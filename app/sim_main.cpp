// krm416x-sim: the virtual KRM-416X on a loopback address, until Ctrl-C.

#include "link/loopback_guard.h"
#include "sim/sim_options.h"
#include "sim/virtual_device.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

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
