// How the window behaves while connected: meter repaint rate, the longest stall of the
// user-interface thread while a mute group of all 28 channels sends its 28 paced "%A,"
// frames (20 ms apart, 560 ms on the wire), and how fast a click is answered and how the
// memory moves while another host floods the window's port with 5,000 identification
// reports a second for 5 s (the link drops them unread).
//
// A small driver, offscreen, against an in-process virtual device on loopback:
//   bench_ui_responsiveness
// A 1 ms QTimer measures the event loop: the longest gap between two of its ticks is how
// long the UI thread was blocked.

#include "app/program.h"
#include "bench/bench_window.h"
#include "bench/stall_probe.h"
#include "kit/toggle_button.h"
#include "link/udp_socket.h"
#include "sim/demo_image.h"
#include "sim/device_frames.h"
#include "sim/virtual_device.h"
#include "ui/main_window.h"
#include "ui/top_bar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>

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

long residentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

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
    krm::ui::MainWindowOptions options = BenchWindowOptions(device, dir);
    options.dataFolder.clear(); // no presets: the meters and the link are measured alone
    krm::app::Program root(options);
    krm::ui::MainWindow& window = root.window();
    if (!ShowAndConnect(window, 1920, 1080)) {
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
    StallProbe probe;
    probe.start();
    runFor(50);
    const double worstIdle = probe.worstMs();
    probe.resetWorst();
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
                probe.worstMs(), worstIdle);
    // The flood: a second host sends identification reports at the window's port, as a
    // second processor still reporting to this computer or a forger would. The link drops
    // them before they are split; what is measured is what dropping them costs.
    krm::UdpSocket flooder;
    if (!flooder.open(*krm::Endpoint::parse("127.0.0.2", 0)))
        return 1;
    const krm::Endpoint program = *krm::Endpoint::parse("127.0.0.1", window.session().boundPort());
    const std::string ident = krm::sim::BuildIdentReply(window.image());
    std::atomic<bool> flooding{true};
    std::atomic<long> sent{0};
    std::thread flood([&] {
        using namespace std::chrono;
        auto next = steady_clock::now();
        while (flooding) {
            if (flooder.sendTo(program, ident))
                ++sent;
            next += microseconds(200); // 5,000 a second
            std::this_thread::sleep_until(next);
        }
    });
    const long memoryBefore = residentKib();
    long memoryMost = memoryBefore;
    qint64 slowestClick = 0;
    int clicks = 0;
    QElapsedTimer floodTime;
    floodTime.start();
    while (floodTime.elapsed() < 5000) {
        // A click on a mute-group button, answered when the button has changed.
        const bool before = window.topBar()->muteGroupLit(2);
        QElapsedTimer answer;
        answer.start();
        QMetaObject::invokeMethod(
            window.topBar(),
            [&] { QTest::mouseClick(window.topBar()->muteGroupButton(2), Qt::LeftButton); },
            Qt::QueuedConnection);
        while (window.topBar()->muteGroupLit(2) == before && answer.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 1);
        slowestClick = std::max(slowestClick, answer.nsecsElapsed());
        ++clicks;
        runFor(100);
        memoryMost = std::max(memoryMost, residentKib());
    }
    flooding = false;
    flood.join();
    std::printf("flood of %ld identification reports in 5 s (%llu dropped as foreign): %d clicks, "
                "slowest answered in %.1f ms\n",
                sent.load(), static_cast<unsigned long long>(window.session().foreignDatagrams()),
                clicks, slowestClick / 1e6);
    std::printf("resident memory: %ld KiB before, at most %ld KiB during the flood\n", memoryBefore,
                memoryMost);
    window.close();
    runFor(300);
    return 0;
}
