// How long a stored setting takes to reach the device, against the sum of the pauses the
// sequence prescribes, and the longest stall of the user-interface thread meanwhile.
//
// A small driver, offscreen, against an in-process virtual device on loopback, with the
// real clock:
//   bench_setting_recall
// A 1 ms QTimer measures the event loop: the longest gap between two of its ticks is how
// long the UI thread was blocked.

#include "presets/setting_recall.h"
#include "app/program.h"
#include "bench/bench_window.h"
#include "bench/stall_probe.h"
#include "kit/qt_glyph_renderer.h"
#include "sim/virtual_device.h"
#include "ui/main_window.h"
#include "ui/settings_section.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    krm::sim::VirtualDevice device;
    if (!device.start(*krm::Endpoint::parse("127.0.0.2", 0)))
        return 1;
    QTemporaryDir dir;
    krm::ui::MainWindowOptions options = BenchWindowOptions(device, dir);
    const krm::QtGlyphRenderer glyphs; // the name bitmaps are drawn as the program draws them
    options.glyphs = &glyphs;
    krm::app::Program program(options);
    krm::ui::MainWindow& window = program.window();
    if (!ShowAndConnect(window, 1920, 1080) || !window.settingsSection()) {
        std::fprintf(stderr, "not online\n");
        return 1;
    }
    window.settingsSection()->save();
    const krm::Millis pauses =
        krm::TotalPause(krm::SettingResendSequence(window.image(), window.edits().glyphRenderer()));

    StallProbe probe;
    probe.start();
    const int namesBefore = device.framesReceived('V');
    QElapsedTimer took;
    took.start();
    krm::SettingRecall& recall = window.settingRecall();
    if (recall.start("1:SAVE1") != krm::SettingRecall::Start::Sending) {
        std::fprintf(stderr, "the recall did not start\n");
        return 1;
    }
    const qint64 startStall = took.nsecsElapsed();
    while (recall.running() && took.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    const qint64 elapsed = took.elapsed();
    probe.stop();
    std::printf("setting recall: %d frames (%d dropped) in %lld ms; prescribed pauses %lld ms "
                "(+%.2f %%)\n",
                recall.sent(), recall.dropped(), static_cast<long long>(elapsed),
                static_cast<long long>(pauses.count()),
                100.0 * (elapsed - pauses.count()) / pauses.count());
    std::printf("name frames at the device: %d; window online throughout: %s\n",
                device.framesReceived('V') - namesBefore,
                window.session().isOnline() ? "yes" : "no");
    std::printf("UI thread: loading and queueing took %.1f ms; longest stall while it played "
                "%.1f ms\n",
                startStall / 1e6, probe.worstMs());
    window.close();
    return 0;
}
