#pragma once
// StallProbe: how long the user-interface thread was blocked. A 1 ms precise QTimer ticks on
// it; the longest gap between two ticks is the longest stall.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class StallProbe {
public:
    StallProbe() {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last)
                m_worst = std::max(m_worst, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_clock.start();
        m_last = 0;
        m_worst = 0;
        m_timer.start(1);
    }
    void stop() { m_timer.stop(); }
    // Forgets the longest gap so far (the probe keeps running).
    void resetWorst() { m_worst = 0; }
    double worstMs() const { return m_worst / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
};
