// CPU the program spends while connected, with status reports at 10 Hz.
//
// A small driver, not a Google Benchmark: the virtual device runs in a child process so
// that only the program side (receive thread, parsing, the owner thread storing reports)
// is counted. The parent connects a DeviceSession, drains its task queue as the window's
// event loop would, and reports CPU seconds per minute of connection.
//
//   bench_session_cpu [seconds=20]

#include "link/post.h"
#include "model/device_session.h"
#include "sim/virtual_device.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

class QuietEvents final : public krm::SessionEvents {
public:
    void linkIndicatorChanged(krm::LinkIndicator) override {}
    void connectButtonChanged(bool) override {}
    void connectFailed() override { failed = true; }
    void socketError() override { failed = true; }
    void refreshAll() override {}
    void statusUpdated() override { ++reports; }
    void levelsUpdated() override {}
    bool failed = false;
    long reports = 0;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    using namespace std::chrono;
    using seconds_type = std::chrono::seconds;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    constexpr std::uint16_t kDevicePort = 39321;

    const pid_t child = fork();
    if (child == 0) {
        krm::sim::VirtualDevice device;
        if (!device.start(*krm::Endpoint::parse("127.0.0.2", kDevicePort)))
            _exit(2);
        pause(); // until the parent's SIGTERM
        _exit(0);
    }
    usleep(200'000);

    krm::TaskQueue queue;
    QuietEvents events;
    krm::DeviceSession session(krm::systemClock(), queue.poster(), events);
    session.setLocalPort(0);
    session.setDevice("127.0.0.2", kDevicePort);
    session.connect();
    const auto connectDeadline = steady_clock::now() + seconds_type(5);
    while (!session.isOnline() && steady_clock::now() < connectDeadline && !events.failed) {
        queue.waitAndRun(milliseconds(10));
        session.onLinkTimer();
    }
    if (!session.isOnline()) {
        std::fprintf(stderr, "could not connect to the virtual device\n");
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        return 1;
    }

    const long reportsBefore = events.reports;
    const double cpuBefore = cpuSeconds();
    const auto start = steady_clock::now();
    const auto end = start + seconds_type(seconds);
    auto nextTick = start;
    while (steady_clock::now() < end) {
        queue.waitAndRun(milliseconds(50));
        if (steady_clock::now() >= nextTick) { // the window's 50 ms link timer
            session.onLinkTimer();
            nextTick += milliseconds(50);
        }
    }
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = duration<double>(steady_clock::now() - start).count();
    const long reports = events.reports - reportsBefore;

    session.shutdown();
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);

    std::printf("connected %.1f s, %ld status reports (%.1f Hz)\n", wall, reports, reports / wall);
    std::printf("program CPU: %.3f s, i.e. %.3f CPU seconds per minute (%.2f %% of one core)\n",
                cpu, cpu * 60.0 / wall, 100.0 * cpu / wall);
    return 0;
}
