#pragma once
// Fader: the vertical channel fader of the strips. It behaves exactly as a vertical
// Slider (press on the cap only, grab without jumping, valueChanging while dragged,
// valueSet on release and on keys); it only looks like a console fader: a slot, a cap,
// and a scale drawn in the 32-pixel left margin. The minimum position sits at the top;
// the page decides what a position means (the strips store 70 - position).
// A double-click returns the fader to its home position, 0 dB of the channel scale unless
// set otherwise, and emits valueSet as a release does, so the page stores and sends it.
// UI thread only.

#include "kit/slider.h"

#include <QList>

namespace krm::ui {

class Fader : public Slider {
    Q_OBJECT
public:
    struct ScaleMark {
        int position; // slider position the mark stands at
        QString label;
    };

    explicit Fader(QWidget* parent = nullptr);

    void setScaleMarks(const QList<ScaleMark>& marks);
    const QList<ScaleMark>& scaleMarks() const { return m_marks; }
    void setHomePosition(int position) { m_home = position; }
    int homePosition() const { return m_home; }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintTrack(QPainter& p) override;
    void paintThumb(QPainter& p, const QRect& thumb) override;
    QSize sizeHint() const override { return {76, 300}; }

private:
    QList<ScaleMark> m_marks;
    int m_home;
};

} // namespace krm::ui
