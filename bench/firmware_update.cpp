// A local firmware update through the window against an in-process virtual device on
// loopback, with the real clock: how long the transfer of both files took against the sum
// of the pauses and waits the protocol prescribes (every sleep the update asked for), and
// the longest stall of the user-interface thread meanwhile.
//
//   bench_firmware_update [KILOBYTES per file, default 8]
//
// A 1 ms QTimer measures the event loop: the longest gap between two of its ticks is how
// long the UI thread was blocked.

#include "app/program.h"
#include "bench/bench_window.h"
#include "bench/stall_probe.h"
#include "sim/virtual_device.h"
#include "ui/main_window.h"
#include "ui/maintenance_section.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

// The steady clock, adding up what the update's worker asked to sleep.
class CountingClock final : public krm::Clock {
public:
    krm::Millis now() const override { return m_steady.now(); }
    void sleepFor(krm::Millis d) override {
        m_slept += d.count();
        m_steady.sleepFor(d);
    }
    long long slept() const { return m_slept.load(); }
    void reset() { m_slept = 0; }

private:
    krm::SteadyClock m_steady;
    std::atomic<long long> m_slept{0};
};

void writeFile(const QString& path, int size, int seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    QByteArray bytes(size, 0);
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * seed + i / 7) & 0xFF);
    f.write(bytes);
}

bool answerBoxes(QWidget& window, QMessageBox::StandardButton button) {
    bool any = false;
    for (QMessageBox* box : window.findChildren<QMessageBox*>()) {
        if (!box->isVisible())
            continue;
        if (QAbstractButton* b = box->button(button))
            b->click();
        any = true;
    }
    return any;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kilobytes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;

    krm::sim::VirtualDevice device;
    if (!device.start(*krm::Endpoint::parse("127.0.0.2", 0)))
        return 1;
    QTemporaryDir dir;
    writeFile(QDir(dir.path()).filePath("Digital-KRM416X-3.bin"), kilobytes * 1024 - 300, 7);
    writeFile(QDir(dir.path()).filePath("DSP-KRM416X-3.bin"), kilobytes * 1024 + 100, 11);
    CountingClock clock;
    krm::ui::MainWindowOptions options = BenchWindowOptions(device, dir);
    options.clock = &clock;
    krm::app::Program program(options);
    krm::ui::MainWindow& window = program.window();
    QElapsedTimer waited;
    waited.start();
    if (!ShowAndConnect(window, 1366, 768)) {
        std::fprintf(stderr, "not online\n");
        return 1;
    }
    krm::ui::MaintenanceSection& help = *window.maintenanceSection();
    help.pressLocal();
    while (!answerBoxes(window, QMessageBox::Ok) && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);

    // From the moment the link is down the update's worker runs.
    while (window.session().receiverRunning() && waited.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    clock.reset();
    StallProbe probe;
    probe.start();
    QElapsedTimer took;
    took.start();
    while (help.busy() && took.elapsed() < 300000)
        QApplication::processEvents(QEventLoop::AllEvents, 1);
    const qint64 elapsed = took.elapsed();
    probe.stop();
    const long long slept = clock.slept();
    answerBoxes(window, QMessageBox::Cancel);

    const std::vector<krm::sim::FirmwareRecord> got = device.firmwareTransfers();
    int good = 0;
    for (const auto& r : got)
        good += r.status == 0 && r.computedChecksum == r.carriedChecksum ? 1 : 0;
    std::printf("firmware update of two %d KB files: %zu transfers at the device, %d with "
                "matching checksums\n",
                kilobytes, got.size(), good);
    std::printf("took %lld ms; prescribed pauses and waits %lld ms (+%.2f %%)\n",
                static_cast<long long>(elapsed), slept,
                slept > 0 ? 100.0 * (static_cast<double>(elapsed) - slept) / slept : 0.0);
    std::printf("UI thread: longest stall during the update %.1f ms\n", probe.worstMs());
    window.close();
    return good == 2 ? 0 : 1;
}
