// SplitFrames + dispatch over a realistic receive stream: one full dump, the
// identification, and status reports at 10 Hz, some of them split across datagrams.
#include "link/frame.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::string framed(const std::string& body) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", krm::FrameChecksum(body));
    return body + digits + "#";
}

std::vector<std::string> makeStream() {
    std::string hex;
    // A dump-sized frame (about 1,900 characters of fields).
    std::string dump = "%Z,01,";
    for (int field = 0; field < 26; ++field) {
        for (int i = 0; i < 36; ++i)
            dump += "4B";
        dump += ',';
    }
    std::string ident = "%Y,01,";
    for (int i = 0; i < 28; ++i)
        ident += "004300480031000000000000000000";
    ident += ',';
    std::string status = "%Q,01,";
    for (int i = 0; i < 62; ++i)
        status += "7F";
    status += ',';

    std::vector<std::string> datagrams;
    const std::string d = framed(dump), y = framed(ident), q = framed(status);
    datagrams.push_back(d.substr(0, 1000));
    datagrams.push_back(d.substr(1000));
    datagrams.push_back(y);
    for (int i = 0; i < 50; ++i) {
        if (i % 5 == 0) {
            datagrams.push_back(q.substr(0, 40));
            datagrams.push_back(q.substr(40));
        } else {
            datagrams.push_back(q);
        }
    }
    return datagrams;
}

void BM_SplitFramesStream(benchmark::State& state) {
    const auto stream = makeStream();
    std::size_t bytes = 0;
    for (const auto& s : stream)
        bytes += s.size();
    long frames = 0;
    for (auto _ : state) {
        krm::FrameSplitter splitter;
        for (const auto& datagram : stream)
            frames += splitter.split(
                datagram, [](std::string_view f) { benchmark::DoNotOptimize(f.data()); });
    }
    state.SetBytesProcessed(static_cast<long>(bytes) * state.iterations());
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SplitFramesStream);

} // namespace
