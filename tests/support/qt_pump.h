#pragma once
// Runs the Qt event loop until a condition holds. The guard only stops a broken test from
// hanging; a passing test never waits for it.

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace krm::test {

inline bool PumpEventsUntil(const std::function<bool()>& done, int guardMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > guardMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

} // namespace krm::test
