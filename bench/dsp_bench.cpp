// Response-graph recompute as the PEQ editor runs it before every repaint: four PEQ bands
// (a low shelf, two peaking bands, a high shelf), a -24 dB/Oct high-pass and a -48 dB/Oct
// low-pass, 241 grid points each. Also the single pieces for comparison.
#include "dsp/response_graph.h"
#include "dsp/responses.h"

#include <benchmark/benchmark.h>

namespace {

void fillSixSlots(krm::ResponseGraph& g) {
    g.setSlotCount(6);
    g.setEqBand(0, 200, 180, 20, krm::ShapeLowShelf);
    g.setEqBand(1, 500, 120, 10, krm::ShapePeaking);
    g.setEqBand(2, 1250, 270, 40, krm::ShapePeaking);
    g.setEqBand(3, 5000, 100, 20, krm::ShapeHighShelf);
    g.setPassFilter(4, krm::kSlotHighPass, 1, 80, 4);
    g.setPassFilter(5, krm::kSlotLowPass, 1, 12000, 8);
}

void BM_RecomputeSixSlots(benchmark::State& state) {
    krm::ResponseGraph graph;
    fillSixSlots(graph);
    for (auto _ : state) {
        graph.recompute();
        benchmark::DoNotOptimize(graph.summed().data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RecomputeSixSlots);

void BM_PeakingResponse(benchmark::State& state) {
    krm::Curve c{};
    for (auto _ : state) {
        krm::peakingResponse(1000.0, 12.0, 1.0, c);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_PeakingResponse);

void BM_LowPass48(benchmark::State& state) {
    krm::Curve c{};
    for (auto _ : state) {
        krm::lowPassResponse(1000.0, 6, c);
        benchmark::DoNotOptimize(c.data());
    }
}
BENCHMARK(BM_LowPass48);

} // namespace
