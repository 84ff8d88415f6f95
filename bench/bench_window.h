#pragma once
// What the window benchmarks share: the window's options for an in-process virtual device
// on loopback (a temporary folder for its settings and data, any local port), and the
// connect that waits for the device to answer.

#include "sim/virtual_device.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

inline krm::ui::MainWindowOptions BenchWindowOptions(const krm::sim::VirtualDevice& device,
                                                     const QTemporaryDir& dir) {
    krm::ui::MainWindowOptions options;
    options.settingsPath = dir.filePath(QStringLiteral("krm416x.ini"));
    options.deviceOverride = QString::fromStdString(device.endpoint().addressText());
    options.devicePort = device.endpoint().port;
    options.localPort = 0;
    options.dataFolder = dir.path();
    return options;
}

// Shows the window at the size, connects, and waits up to 5 s for the device to answer.
inline bool ShowAndConnect(krm::ui::MainWindow& window, int width, int height) {
    window.resize(width, height);
    window.show();
    window.session().connect();
    QElapsedTimer waited;
    waited.start();
    while (!window.session().isOnline() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return window.session().isOnline();
}
