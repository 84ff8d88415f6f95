// A misbehaving device floods the program with identification reports ("Y", 5,000 a
// second by default) while the owner thread works like a window's event loop, where every
// "Y" costs a refresh of every page (a busy wait of --refresh-ms). Prints, once a second,
// the reports the receive thread parsed, the tasks the owner thread ran, the largest backlog
// of owner-thread tasks seen, and the program's resident memory. With reports coalesced
// per kind the backlog stays at a handful of tasks and the memory flat; were every frame
// posted, the backlog would grow by the surplus of frames over refreshes each second.
//
//   bench_report_flood [seconds=5] [reports-per-second=5000] [refresh-ms=1]

#include "link/post.h"
#include "link/udp_socket.h"
#include "model/device_session.h"
#include "sim/demo_image.h"
#include "sim/device_frames.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr int kTasksPerPass = 100;

class RefreshingEvents final : public krm::SessionEvents {
public:
    explicit RefreshingEvents(std::chrono::microseconds refreshCost) : m_cost(refreshCost) {}
    void linkIndicatorChanged(krm::LinkIndicator) override {}
    void connectButtonChanged(bool) override {}
    void connectFailed() override {}
    void socketError() override {}
    void refreshAll() override {
        // Stands in for rereading every page from the image.
        const auto until = SteadyClock::now() + m_cost;
        while (SteadyClock::now() < until) {
        }
        ++refreshes;
    }
    void statusUpdated() override {}
    void levelsUpdated() override {}
    long refreshes = 0;

private:
    std::chrono::microseconds m_cost;
};

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

int main(int argc, char** argv) {
    using namespace std::chrono;
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const int rate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5000;
    const double refreshMs = argc > 3 ? std::max(0.0, std::atof(argv[3])) : 1.0;

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    krm::UdpSocket device;
    if (!device.open(*krm::Endpoint::parse("127.0.0.1", 0))) {
        std::fprintf(stderr, "cannot open the device socket\n");
        return 1;
    }
    krm::TaskQueue queue;
    RefreshingEvents events(microseconds(static_cast<long>(refreshMs * 1000)));
    krm::DeviceSession session(krm::systemClock(), queue.poster(), events);
    session.setLocalPort(0);
    session.setDevice("127.0.0.1", device.localEndpoint().port);
    session.connect();

    // The device answers the hello once, as a real one would.
    std::optional<krm::Datagram> hello;
    while (device.waitReadable(2000) && (hello = device.receive()) &&
           hello->data.rfind("%Z,", 0) != 0) {
    }
    if (!hello) {
        std::fprintf(stderr, "no hello from the program\n");
        return 1;
    }
    const krm::Endpoint program = hello->from;
    const krm::DeviceImage image = krm::sim::DemoDeviceImage();
    const std::string dump = krm::sim::BuildDumpReply(image);
    for (std::size_t at = 0; at < dump.size(); at += krm::UdpSocket::kMaxDatagram)
        device.sendTo(program, std::string_view(dump).substr(at, krm::UdpSocket::kMaxDatagram));
    const std::string ident = krm::sim::BuildIdentReply(image);
    device.sendTo(program, ident);
    const auto connectDeadline = SteadyClock::now() + std::chrono::seconds(5);
    while (!session.isOnline() && SteadyClock::now() < connectDeadline)
        queue.waitAndRun(milliseconds(5));
    if (!session.isOnline()) {
        std::fprintf(stderr, "the program did not go online\n");
        return 1;
    }
    queue.runPending();

    // The flood: bursts every 2 ms make up the rate.
    std::atomic<bool> stop{false};
    std::atomic<long> sent{0};
    std::thread flooder([&] {
        constexpr auto kBurstEvery = milliseconds(2);
        const double perBurst = rate * duration<double>(kBurstEvery).count();
        double owed = 0;
        auto next = SteadyClock::now();
        while (!stop.load()) {
            owed += perBurst;
            for (; owed >= 1; owed -= 1)
                if (device.sendTo(program, ident))
                    ++sent;
            next += kBurstEvery;
            std::this_thread::sleep_until(next);
        }
    });

    std::printf("flooding with %d \"Y\" a second for %d s; every refresh costs %.1f ms\n", rate,
                seconds, refreshMs);
    std::printf("%4s %10s %10s %10s %12s %12s %10s\n", "s", "sent", "received", "refreshes",
                "tasks run", "max backlog", "RSS KiB");
    const long rssBefore = residentKiB();
    long tasksRun = 0, lastSent = 0, lastRefreshes = events.refreshes;
    std::uint64_t lastReports = session.reportsReceived();
    std::size_t worstBacklog = 0;
    long worstRss = rssBefore;
    auto nextTick = SteadyClock::now();
    const auto start = SteadyClock::now();
    for (int s = 1; s <= seconds; ++s) {
        std::size_t maxBacklog = 0;
        long ran = 0;
        const auto secondEnd = start + std::chrono::seconds(s);
        while (SteadyClock::now() < secondEnd) {
            // One pass of the event loop: what is queued (a bounded slice of it), then
            // the timers.
            const std::size_t backlog = queue.pending();
            maxBacklog = std::max(maxBacklog, backlog);
            if (backlog == 0)
                std::this_thread::sleep_for(milliseconds(1));
            else
                ran += queue.runAtMost(kTasksPerPass);
            if (SteadyClock::now() >= nextTick) { // the window's 50 ms link timer
                session.onLinkTimer();
                nextTick += milliseconds(50);
            }
        }
        tasksRun += ran;
        const long rss = residentKiB();
        worstBacklog = std::max(worstBacklog, maxBacklog);
        worstRss = std::max(worstRss, rss);
        const std::uint64_t reports = session.reportsReceived();
        std::printf("%4d %10ld %10llu %10ld %12ld %12zu %10ld\n", s, sent.load() - lastSent,
                    static_cast<unsigned long long>(reports - lastReports),
                    events.refreshes - lastRefreshes, ran, maxBacklog, rss);
        lastSent = sent.load();
        lastReports = reports;
        lastRefreshes = events.refreshes;
    }
    stop = true;
    flooder.join();
    session.shutdown();
    std::printf("largest owner-thread backlog %zu tasks; resident memory %ld KiB before, at most "
                "%ld KiB during the flood (%+ld KiB)\n",
                worstBacklog, rssBefore, worstRss, worstRss - rssBefore);
    std::printf("tasks run in all: %ld\n", tasksRun);
    return 0;
}
