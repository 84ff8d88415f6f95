#include "kit/timer_while_shown.h"

#include <QEvent>
#include <QWidget>

#include <utility>

namespace krm::ui {

TimerWhileShown::TimerWhileShown(QWidget* widget, int intervalMs, std::function<void()> tick,
                                 OnShow onShow)
    : QObject(widget), m_tick(std::move(tick)), m_onShow(onShow) {
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_tick(); });
    widget->installEventFilter(this);
    if (widget->isVisible())
        m_timer.start();
}

bool TimerWhileShown::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (m_onShow == OnShow::TickAtOnce)
            m_tick();
        m_timer.start();
    } else if (event->type() == QEvent::Hide) {
        m_timer.stop();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace krm::ui
