// What a marker drag costs in the PEQ editor at the size it has on a 1920 x 1080 screen:
// each step stores the dragged band, recomputes the six-slot curve, moves the knobs and
// repaints the page; the throttled frames go to a sink that counts them.
//
// A small driver, offscreen:
//   bench_peq_drag [steps]
// It reports the time per step and what a 60 frames-per-second drag costs of one core.

#include "editors/peq/peq_editor.h"
#include "model/paced_sender.h"

#include <QApplication>
#include <QElapsedTimer>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

class CountingSink final : public krm::FrameSink {
public:
    bool SendFrame(std::string_view) override {
        ++frames;
        return true;
    }
    bool isOnline() const override { return true; }
    std::atomic<int> frames{0};
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int steps = argc > 1 ? std::atoi(argv[1]) : 600;

    krm::DeviceImage image;
    krm::ResetToStartupValues(image);
    CountingSink sink;
    krm::Clock& clock = krm::systemClock();
    krm::PacedSender linked(sink, clock);
    krm::PacedSender bulk(sink, clock);
    krm::EditService edits(image, sink, linked, bulk);
    krm::PeqEditor editor(edits, clock, [] { return nullptr; }, {});
    editor.resize(1560, 860); // the editor area beside the large strip at 1920 x 1080
    editor.show();
    editor.openFor(2);
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        // Band 2 swept back and forth across the graph, its gain along a wave.
        const double t = static_cast<double>(i) / steps;
        const double freq = 50.0 * std::pow(10.0, 2.5 * (0.5 - 0.5 * std::cos(6.283 * t)));
        const double gain = 12.0 * std::sin(6.283 * 3 * t);
        editor.moveMarker(1, freq, gain, true);
        // One paint cycle: what the move made dirty (the graph, the moved knobs and
        // texts) is painted, as the window's event loop does.
        QApplication::processEvents();
    }
    editor.moveMarker(1, 1000.0, 0.0, false);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double perStep = ms / steps;
    std::printf("PEQ marker drag at 1560 x 860: %d steps in %.1f ms, %.3f ms per step "
                "(store, curve, knobs, paint of what changed)\n",
                steps, ms, perStep);
    std::printf("a 60 fps drag costs %.1f %% of one core; %d frames sent (throttled)\n",
                perStep * 60.0 / 10.0, sink.frames.load());
    return 0;
}
