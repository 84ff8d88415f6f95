// Receive latency of DeviceLink on loopback: a raw UdpSocket sends a status report, the
// link's receive thread (blocked in poll) wakes, splits and checks the frame and calls
// the handler, which stamps the time. Yardsticks: the same one-way trip into a bare
// UdpSocket read by a thread blocked in waitReadable(), and the bare round trip of two
// UdpSockets (echo thread). Each benchmark reports the median and p99 of its samples
// in microseconds; the iteration time is the measured latency (manual time).
#include "link/device_link.h"
#include "link/frame.h"
#include "link/udp_socket.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch())
        .count();
}

const krm::Endpoint kLoopback = krm::Endpoint::fromOctets(127, 0, 0, 1, 0);

std::string statusReport() {
    krm::CommandFrame f('Q');
    f.byte(1);
    std::string levels;
    for (int i = 0; i < 31; ++i)
        levels += krm::HexField(0x40 + i, 2);
    return f.text(levels).finish();
}

// One sample per iteration; median and p99 go into counters.
class Samples {
public:
    void add(benchmark::State& state, long long ns) {
        m_ns.push_back(ns);
        state.SetIterationTime(static_cast<double>(ns) * 1e-9);
    }
    void report(benchmark::State& state) {
        if (m_ns.empty())
            return;
        std::sort(m_ns.begin(), m_ns.end());
        const auto at = [&](double q) {
            return static_cast<double>(
                       m_ns[static_cast<std::size_t>(q * double(m_ns.size() - 1))]) /
                   1000.0;
        };
        state.counters["median_us"] = at(0.5);
        state.counters["p99_us"] = at(0.99);
        state.counters["max_us"] = at(1.0);
    }

private:
    std::vector<long long> m_ns;
};

// Waits for the receiving side to publish sample number seq.
void awaitSeq(const std::atomic<long>& published, long seq) {
    while (published.load(std::memory_order_acquire) < seq)
        std::this_thread::yield();
}

void BM_DeviceLinkReceiveLatency(benchmark::State& state) {
    std::atomic<long> published{0};
    std::atomic<long long> stampedAt{0};
    krm::UdpSocket device;
    device.open(kLoopback);
    // The link takes frames only from the device it talks to.
    krm::DeviceLink link;
    link.setLocalPort(0);
    link.setDeviceIp(device.localEndpoint().addressText());
    link.setDevicePort(device.localEndpoint().port);
    if (!link.start([&](std::string_view) {
            stampedAt.store(nowNs(), std::memory_order_relaxed);
            published.fetch_add(1, std::memory_order_release);
        })) {
        state.SkipWithError("link could not start");
        return;
    }
    const auto linkAt = krm::Endpoint::fromOctets(127, 0, 0, 1, link.boundPort());
    const std::string frame = statusReport();
    Samples samples;
    long seq = 0;
    for (auto _ : state) {
        const long long sentAt = nowNs();
        device.sendTo(linkAt, frame);
        awaitSeq(published, ++seq);
        samples.add(state, stampedAt.load(std::memory_order_relaxed) - sentAt);
    }
    link.stop();
    samples.report(state);
}
BENCHMARK(BM_DeviceLinkReceiveLatency)->UseManualTime()->Iterations(20000);

void BM_BareSocketOneWay(benchmark::State& state) {
    std::atomic<long> published{0};
    std::atomic<long long> stampedAt{0};
    std::atomic<bool> stop{false};
    krm::UdpSocket receiver;
    krm::UdpSocket sender;
    receiver.open(kLoopback);
    sender.open(kLoopback);
    std::thread reader([&] {
        while (!stop.load(std::memory_order_acquire)) {
            if (!receiver.waitReadable(1000))
                continue;
            while (receiver.receive()) {
                stampedAt.store(nowNs(), std::memory_order_relaxed);
                published.fetch_add(1, std::memory_order_release);
            }
        }
    });
    const std::string frame = statusReport();
    Samples samples;
    long seq = 0;
    for (auto _ : state) {
        const long long sentAt = nowNs();
        sender.sendTo(receiver.localEndpoint(), frame);
        awaitSeq(published, ++seq);
        samples.add(state, stampedAt.load(std::memory_order_relaxed) - sentAt);
    }
    stop.store(true, std::memory_order_release);
    receiver.wake();
    reader.join();
    samples.report(state);
}
BENCHMARK(BM_BareSocketOneWay)->UseManualTime()->Iterations(20000);

void BM_BareSocketRoundTrip(benchmark::State& state) {
    std::atomic<bool> stop{false};
    krm::UdpSocket a;
    krm::UdpSocket b;
    a.open(kLoopback);
    b.open(kLoopback);
    std::thread echo([&] {
        while (!stop.load(std::memory_order_acquire)) {
            if (!b.waitReadable(1000))
                continue;
            while (auto d = b.receive())
                b.sendTo(d->from, d->data);
        }
    });
    const std::string frame = statusReport();
    Samples samples;
    for (auto _ : state) {
        const long long sentAt = nowNs();
        a.sendTo(b.localEndpoint(), frame);
        while (!a.waitReadable(1000)) {
        }
        a.receive();
        samples.add(state, nowNs() - sentAt);
    }
    stop.store(true, std::memory_order_release);
    b.wake();
    echo.join();
    samples.report(state);
}
BENCHMARK(BM_BareSocketRoundTrip)->UseManualTime()->Iterations(20000);

} // namespace
