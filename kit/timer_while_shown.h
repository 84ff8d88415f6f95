#pragma once
// TimerWhileShown: runs a page's periodic work (meters, states, a settled marker's frame)
// only while the page is on screen: the timer starts with the widget's show event and stops
// with its hide event, so pages in the background cost nothing. A child of the widget it
// watches. UI thread only.

#include <QObject>
#include <QTimer>

#include <functional>

class QWidget;

namespace krm::ui {

class TimerWhileShown : public QObject {
public:
    enum class OnShow { Wait, TickAtOnce };

    TimerWhileShown(QWidget* widget, int intervalMs, std::function<void()> tick,
                    OnShow onShow = OnShow::Wait);
    QTimer& timer() { return m_timer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTimer m_timer;
    std::function<void()> m_tick;
    OnShow m_onShow;
};

} // namespace krm::ui
