#pragma once
// Slider: the self-drawn value slider. Horizontal it is the editors' parameter "knob";
// vertical it is the base of the channel Fader. It holds only its own display state
// (range, position, margins); the page that owns it stores values in the device image.
//
// Mouse: a horizontal slider reacts to a press anywhere, a vertical one only on the thumb.
// A press within half a thumb of the thumb centre keeps the distance as a grab offset so
// the thumb never jumps; a press elsewhere jumps the thumb under the pointer. During the
// drag each value change emits valueChanging; the release emits valueSet. Keys (while
// enabled and focused): PageUp/PageDown -/+page, Home/End min/max, Left/Up -1,
// Right/Down +1, each press emitting valueSet even when the value did not move.
// Double-click emits valueResetRequested with the unchanged value. The wheel moves a
// slider that has the focus (clicked or tabbed to) one step per notch, emitting valueSet
// as a key does: a notch up moves a horizontal slider's value up and a vertical slider's
// thumb up. Over a slider without the focus the wheel scrolls the page it sits on.
// UI thread only.

#include "kit/slider_math.h"

#include <QMargins>
#include <QSize>
#include <QString>
#include <QWidget>

namespace krm::ui {

class Slider : public QWidget {
    Q_OBJECT
public:
    enum class CaptionMode { None = 0, Mapped = 1, Fixed = 2 };

    explicit Slider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void setControlId(int id) { m_id = id; }
    int controlId() const { return m_id; }
    Qt::Orientation orientation() const { return m_orientation; }

    // Swaps a reversed range; the position is clamped into the new range.
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Clamps to the range and redraws; emits nothing (pages load values with it).
    void setPosition(int value);
    int position() const { return m_pos; }
    void setPageStep(int step) { m_page = step; }
    int pageStep() const { return m_page; }

    // Pixels kept free at the track ends (left, top, right, bottom).
    void setTrackMargins(const QMargins& margins);
    QMargins trackMargins() const { return m_margins; }
    void setThumbSize(const QSize& size);
    QSize thumbSize() const { return m_thumb; }

    // Caption: Mapped shows the position mapped onto captionTop..captionBottom ("%0.2f",
    // or "%d" when whole); Fixed shows the number set with setCaptionNumber.
    void setCaptionMode(CaptionMode mode);
    void setCaptionRange(double top, double bottom);
    void setCaptionNumber(int number);
    QString captionText() const;
    // Drawn in white on the thumb while greater than 0.
    void setThumbNumber(int number);
    int thumbNumber() const { return m_thumbNumber; }

    // Geometry of the current position, in widget pixels.
    TrackGeometry geometryOfTrack() const;
    QRect thumbRect() const;
    bool isDragging() const { return m_dragging; }

signals:
    void valueChanging(int id, int value);
    void valueSet(int id, int value);
    void valueResetRequested(int id, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    QSize sizeHint() const override;

    // Painting hooks for looks built on the same behaviour (the Fader).
    virtual void paintTrack(QPainter& p);
    virtual void paintThumb(QPainter& p, const QRect& thumb);
    void paintThumbNumber(QPainter& p, const QRect& thumb) const;
    void paintCaption(QPainter& p) const;
    void paintFocusMark(QPainter& p) const;
    // The track rectangle between the margins (cross-axis: full extent minus margins).
    QRect trackRect() const;

private:
    int pixelAlong(const QPoint& point) const;
    void dragTo(int pixel);
    void stepBy(int target);

    Qt::Orientation m_orientation;
    int m_id = 0;
    int m_min = 0;
    int m_max = 100;
    int m_pos = 0;
    int m_page = 20;
    QMargins m_margins;
    QSize m_thumb{12, 18};
    CaptionMode m_captionMode = CaptionMode::None;
    double m_captionTop = 10.0;
    double m_captionBottom = -50.0;
    int m_captionNumber = 0;
    int m_thumbNumber = 0;
    bool m_dragging = false;
    int m_grabOffset = 0;
    WheelAccumulator m_wheel;
};

} // namespace krm::ui
