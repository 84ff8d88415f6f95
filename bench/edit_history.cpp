// Undo on the user-interface thread: the cost of taking back one fader edit (the image's
// diff, the restore, the frame built and handed to the sink), and the memory the history
// holds after 1,000 PEQ marker drags (each a band's gain and frequency).
#include "model/edit_service.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace krm {
namespace {

class CountingSink final : public FrameSink {
public:
    bool SendFrame(std::string_view frame) override {
        bytes += frame.size();
        return true;
    }
    bool isOnline() const override { return true; }
    std::size_t bytes = 0;
};

struct Rig {
    Rig() {
        ResetToStartupValues(image);
        edits.deviceReplaced();
    }
    DeviceImage image;
    SteadyClock clock;
    CountingSink sink;
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
};

void BM_UndoSingleParameterEdit(benchmark::State& state) {
    Rig rig;
    const Parameter& fader = Param(ParamKind::InGain);
    int code = 10;
    for (auto _ : state) {
        state.PauseTiming();
        code = code == 10 ? 20 : 10;
        rig.edits.set(fader, Channel::input(3), code);
        state.ResumeTiming();
        benchmark::DoNotOptimize(rig.edits.undo().step);
    }
}
BENCHMARK(BM_UndoSingleParameterEdit)->Unit(benchmark::kMicrosecond);

void BM_ThousandDragSteps(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig;
        const Channel ch = Channel::input(2);
        for (int drag = 0; drag < 1000; ++drag) {
            // Ten positions per drag, then the release.
            for (int move = 0; move < 10; ++move) {
                rig.edits.store(Param(ParamKind::PeqGain, 1), ch, 100 + (drag + move) % 100);
                rig.edits.store(Param(ParamKind::PeqFreq, 1), ch, 200 + 10 * ((drag + move) % 90));
            }
            rig.edits.commit(Param(ParamKind::PeqGain, 1), ch);
        }
        const std::size_t bytes = rig.edits.history().memoryBytes();
        state.counters["steps"] = static_cast<double>(rig.edits.history().undoSteps().size());
        state.counters["history_bytes"] = static_cast<double>(bytes);
        static bool printed = false;
        if (!printed) {
            std::printf("1,000 drag steps hold %zu bytes (%.1f KB) of history\n", bytes,
                        static_cast<double>(bytes) / 1024.0);
            printed = true;
        }
    }
}
BENCHMARK(BM_ThousandDragSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecallSizedStep(benchmark::State& state) {
    // The largest step: every field of the image differs once.
    for (auto _ : state) {
        DeviceImage image;
        ResetToStartupValues(image);
        EditHistory history(image);
        for (const Parameter& p : Parameters())
            for (int index = 0; index < (p.side == Side::Input    ? kInputCount
                                         : p.side == Side::Output ? kOutputCount
                                                                  : 1);
                 ++index) {
                const Channel c{p.side, index};
                if (p.existsOn(c))
                    p.set(image, c,
                          p.get(image, c) == p.rangeFor(c).min ? p.rangeFor(c).max
                                                               : p.rangeFor(c).min);
            }
        const EditStep* step = history.close(image);
        state.counters["fields"] = static_cast<double>(step ? step->size() : 0);
        state.counters["step_bytes"] = static_cast<double>(history.memoryBytes());
    }
}
BENCHMARK(BM_RecallSizedStep)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace krm
