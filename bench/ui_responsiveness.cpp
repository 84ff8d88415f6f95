// How the window behaves while connected: meter repaint rate and the longest stall of
// the user-interface thread while a mute group of all 28 channels sends its 28 paced
// "%A," frames (20 ms apart, 560 ms on the wire).
//
// A small driver, offscreen, against an in-process virtual device on loopback:
//   bench_ui_responsiveness
// A 1 ms QTimer measures the event loop: the longest gap between two of its ticks is how
// long the UI thread was blocked.

#include "sim/virtual_device.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <map>

namespace {

class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint &&
            QByteArray(watched->metaObject()->className()).endsWith("LevelMeter"))
            ++paints[watched];
        return false;
    }
    std::map<QObject*, long> paints;
};

void runFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    krm::sim::VirtualDevice device;
    if (!device.start(*krm::Endpoint::parse("127.0.0.2", 0)))
        return 1;
    QTemporaryDir dir;
    krm::ui::MainWindowOptions options;
    options.settingsPath = dir.filePath(QStringLiteral("krm416x.ini"));
    options.deviceOverride = QString::fromStdString(device.endpoint().addressText());
    options.devicePort = device.endpoint().port;
    options.localPort = 0;
    krm::ui::MainWindow window(options);
    window.resize(1920, 1080);
    window.show();
    window.session().connect();
    QElapsedTimer waited;
    waited.start();
    while (!window.session().isOnline() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!window.session().isOnline()) {
        std::fprintf(stderr, "not online\n");
        return 1;
    }

    // Meter repaints over 3 s of 10 Hz reports.
    PaintCounter counter;
    app.installEventFilter(&counter);
    runFor(3000);
    app.removeEventFilter(&counter);
    long most = 0, total = 0;
    for (const auto& [meter, n] : counter.paints) {
        most = std::max(most, n);
        total += n;
    }
    std::printf("meters: %zu painted, at most %.1f repaints/s each, %.1f repaints/s in all\n",
                counter.paints.size(), most / 3.0, total / 3.0);

    // A mute group holding every channel and bus.
    auto& group = window.image().muteGroups[0];
    for (int c = 0; c < krm::kInputCount; ++c)
        group.input(c) = 1;
    for (int o = 0; o < krm::kOutputCount; ++o)
        group.output(o) = 1;
    const int framesBefore = device.framesReceived('A');
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last)
            worst = std::max(worst, now - last);
        last = now;
    });
    probe.start(1);
    runFor(50);
    const qint64 worstIdle = worst;
    worst = 0;
    QElapsedTimer sequence;
    sequence.start();
    window.toggleMuteGroup(1);
    while (device.framesReceived('A') < framesBefore + 28 && sequence.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    const qint64 took = sequence.elapsed();
    probe.stop();
    std::printf("mute group of 28: %d frames reached the device in %lld ms\n",
                device.framesReceived('A') - framesBefore, static_cast<long long>(took));
    std::printf("longest UI-thread stall: %.1f ms during the sequence (%.1f ms idle before)\n",
                worst / 1e6, worstIdle / 1e6);
    window.close();
    runFor(300);
    return 0;
}
