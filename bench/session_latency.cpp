// Reply path of the program on loopback: a status report datagram sent by the device
// side -> receive thread cuts and parses it -> the report is posted to the owner thread
// -> stored in the image -> SessionEvents::statusUpdated called. Median and p99 over
// 5,000 reports; the bare one-way datagram of bench_link is the yardstick.

#include "link/post.h"
#include "link/udp_socket.h"
#include "model/device_session.h"
#include "sim/demo_image.h"
#include "sim/device_frames.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

class CountingEvents final : public krm::SessionEvents {
public:
    void linkIndicatorChanged(krm::LinkIndicator) override {}
    void connectButtonChanged(bool) override {}
    void connectFailed() override {}
    void socketError() override {}
    void refreshAll() override {}
    void statusUpdated() override { ++reports; }
    void levelsUpdated() override {}
    long reports = 0;
};

void BM_StatusReportToListener(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    krm::TaskQueue queue;
    CountingEvents events;
    krm::DeviceSession session(krm::systemClock(), queue.poster(), events);
    krm::UdpSocket device;
    if (!device.open(*krm::Endpoint::parse("127.0.0.1", 0))) {
        state.SkipWithError("cannot open the device socket");
        return;
    }
    session.setLocalPort(0);
    session.setDevice("127.0.0.1", device.localEndpoint().port);
    session.connect();
    device.waitReadable(1000);
    auto hello = device.receive();
    if (!hello) {
        state.SkipWithError("no hello");
        return;
    }
    const krm::Endpoint program = hello->from;
    const krm::DeviceImage image = krm::sim::DemoDeviceImage();
    device.sendTo(program, krm::sim::BuildDumpReply(image));
    device.sendTo(program, krm::sim::BuildIdentReply(image));
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!session.isOnline() && Clock::now() < deadline)
        queue.waitAndRun(std::chrono::milliseconds(5));
    if (!session.isOnline()) {
        state.SkipWithError("not online");
        return;
    }
    krm::StatusReport report;
    report.inputMeters.fill(40);
    const std::string frame = krm::sim::BuildStatusReport(report);

    std::vector<double> samples;
    for (auto _ : state) {
        const long before = events.reports;
        const auto t0 = Clock::now();
        device.sendTo(program, frame);
        while (events.reports == before)
            queue.waitAndRun(std::chrono::milliseconds(100));
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        samples.push_back(seconds * 1e6);
        state.SetIterationTime(seconds);
    }
    session.shutdown();
    std::sort(samples.begin(), samples.end());
    state.counters["median_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[samples.size() * 99 / 100];
}
BENCHMARK(BM_StatusReportToListener)->UseManualTime()->Iterations(5000);

} // namespace
