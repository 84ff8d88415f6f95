// krm416x-ctl backup of a venue: 1, 20 and 200 virtual devices, all at once.
//
// A small driver, not a Google Benchmark: the venue of virtual devices runs in a child
// process (every device on its own loopback address 127.0.31.x, one port, one thread), so
// the figures are the tool's alone.
// The parent runs the tool's backup in-process, as its main() would, several times per
// size, and prints the median wall time, the tool's CPU time (getrusage) and its peak
// resident memory above what it held before the run (VmHWM, reset before each run), per
// run and per device.
//
//   bench_venue_backup [runs=3]

#include "app/ctl/ctl.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include "sim/virtual_venue.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kMaxDevices = 200;
constexpr std::uint16_t kDevicePort = 39331;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field + ":"))
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Makes VmHWM start again from the current resident size.
void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Run {
    double wall = 0;
    double cpu = 0;
    long peakKb = 0; // above the resident size before the run
    int status = -1;
};

Run backup(int devices, const std::string& folder) {
    std::string list;
    for (int i = 1; i <= devices; ++i)
        list += (i > 1 ? "," : "") + std::string("127.0.31.") + std::to_string(i);
    const std::vector<std::string> args = {
        "backup",       "--devices", list,        "--device-port", std::to_string(kDevicePort),
        "--local-port", "0",         "--timeout", "10000",         "--to",
        folder};
    std::ostringstream out;
    std::ostringstream err;
    resetPeak();
    const long before = statusKb("VmRSS");
    const double cpu = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    Run r;
    r.status = krm::ctl::RunCtl(args, out, err);
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = cpuSeconds() - cpu;
    r.peakKb = statusKb("VmHWM") - before;
    if (r.status != 0)
        std::fprintf(stderr, "%s", err.str().c_str());
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    int ready[2];
    if (pipe(ready) != 0)
        return 1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        krm::sim::VirtualVenue venue(kMaxDevices);
        if (!venue.start(krm::Endpoint::fromOctets(127, 0, 31, 1, kDevicePort)))
            _exit(2);
        const char ok = 1;
        if (write(ready[1], &ok, 1) != 1)
            _exit(3);
        pause(); // until the parent's SIGTERM
        _exit(0);
    }
    close(ready[1]);
    char ok = 0;
    if (read(ready[0], &ok, 1) != 1) {
        std::fprintf(stderr, "the venue of virtual devices did not start\n");
        waitpid(child, nullptr, 0);
        return 1;
    }
    std::printf("backup of a venue (%d runs each, median wall time)\n", runs);
    std::printf("%8s %10s %10s %14s %14s %14s\n", "devices", "wall s", "CPU s", "CPU ms/dev",
                "peak RSS MB", "RSS kB/dev");
    double wallOfOne = 0;
    double wallOfAll = 0;
    int failed = 0;
    for (const int devices : {1, 20, 200}) {
        std::vector<Run> all;
        for (int i = 0; i < runs; ++i) {
            QTemporaryDir dir;
            all.push_back(backup(devices, dir.path().toStdString()));
            failed += all.back().status != 0 ? 1 : 0;
        }
        std::sort(all.begin(), all.end(),
                  [](const Run& a, const Run& b) { return a.wall < b.wall; });
        const Run& median = all[all.size() / 2];
        long peak = 0;
        for (const Run& r : all)
            peak = std::max(peak, r.peakKb);
        if (devices == 1)
            wallOfOne = median.wall;
        wallOfAll = median.wall;
        std::printf("%8d %10.3f %10.3f %14.2f %14.1f %14.1f\n", devices, median.wall, median.cpu,
                    1000.0 * median.cpu / devices, peak / 1024.0,
                    static_cast<double>(peak) / devices);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    std::printf("200 devices take %.2f x the time of one (one after another: %.1f s)\n",
                wallOfAll / wallOfOne, 200 * wallOfOne);
    return failed == 0 ? 0 : 1;
}
