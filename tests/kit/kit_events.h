#pragma once
// Synthetic input for the control-kit tests: mouse, wheel and key events sent straight
// to a widget, so the tests do not depend on a window system moving a cursor.

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace krm::test {

inline void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void press(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
inline void moveTo(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
}
inline void release(QWidget* w, QPoint at) {
    sendMouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
inline void click(QWidget* w, QPoint at) {
    press(w, at);
    release(w, at);
}
// What a window system delivers for a double-click: press, release, double-click, release.
inline void doubleClick(QWidget* w, QPoint at) {
    press(w, at);
    release(w, at);
    sendMouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
    release(w, at);
}
inline void wheel(QWidget* w, int angleDeltaY) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), QPoint(), QPoint(0, angleDeltaY), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}
// A wheel notch over a widget, delivered as the window system's events are: a widget that
// ignores it passes it on to its parents until one takes it. Qt passes on only events
// that come from the window system, which a test cannot make, so the walk is done here.
// Returns the widget that took the event, or null.
inline QWidget* wheelOver(QWidget* w, int angleDeltaY) {
    QPointF at(w->width() / 2.0, w->height() / 2.0);
    for (QWidget* target = w; target; target = target->parentWidget()) {
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, angleDeltaY), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
        if (e.isAccepted())
            return target;
        if (target->isWindow())
            break;
        at = target->mapToParent(at);
    }
    return nullptr;
}
// Gives a shown widget the keyboard focus, as a click or Tab would; its window becomes the
// active one first. True when the widget has the focus.
inline bool focus(QWidget* w) {
    QWidget* window = w->window();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    w->setFocus(Qt::OtherFocusReason);
    return w->hasFocus();
}
inline void key(QWidget* w, int keyCode) {
    QKeyEvent e(QEvent::KeyPress, keyCode, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
inline void hover(QWidget* w, bool inside) {
    if (inside) {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QEnterEvent e(at, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &e);
    } else {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    }
}

} // namespace krm::test
