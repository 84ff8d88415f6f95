#pragma once
// LevelMeter: up to eight vertical bars on a common min..max scale, with optional captions
// under the bars (10-pixel font) and an optional dB scale in a left margin. A bar is
// painted from the bottom up in 2-pixel rows, each row coloured by its own height h
// (0 bottom, 1 top): green-yellow below 0.7, orange below 0.9, red above. A hanging bar
// (gain reduction) is painted from the top down in one amber colour instead.
//
// Every bar keeps its own peak and clip lamp, so a short overload stays visible:
// - the peak tick (a 2-pixel line 2 pixels wider than the bar each side) marks the highest
//   level of the last kPeakHold, then falls across the whole range in kPeakFall until it
//   meets the bar; white, or pure red while the clip lamp is lit;
// - the clip lamp above the bar lights while the level stands at the clip level (the top of
//   the range unless set otherwise) and stays lit for kClipHold after it last did.
// Hanging bars hold their peak (the deepest reduction) but have no lamp.
// Time is read from the meter's clock at each setValue: pages feed their meters from a
// timer, never once per received report, and that feed is what moves the holds on (a meter
// that is no longer fed keeps what it shows). Setting a value repaints only the bar's slot,
// and only when a painted pixel changes. UI thread only.

#include "link/clock.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QWidget>

#include <array>
#include <optional>

namespace krm::ui {

class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxBars = 8;
    static constexpr Millis kPeakHold{1500};
    static constexpr Millis kPeakFall{3000};
    static constexpr Millis kClipHold{2000};

    struct ScaleMark {
        int value = 0; // on the meter's min..max scale
        QString label;
    };

    explicit LevelMeter(int bars = 1, QWidget* parent = nullptr);

    // The clock of the peak and clip holds (the process's steady clock unless set). It must
    // outlive the meter.
    void setClock(const Clock& clock) { m_clock = &clock; }

    void setBarCount(int bars); // 1..8
    int barCount() const { return m_bars; }
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // A level at or above this lights the clip lamp; the maximum unless set.
    void setClipLevel(int level);
    int clipLevel() const { return m_clipLevel.value_or(m_max); }
    void setHanging(int bar, bool hanging);
    void setValue(int bar, int level);
    int value(int bar) const;
    // The peak the tick shows now (as of the last setValue), limited to the range; the
    // minimum while nothing was held.
    int peak(int bar) const;
    bool clipLit(int bar) const;
    // Forgets every peak and lamp: the meter starts showing another channel.
    void clearHolds();
    void setCaptions(const QStringList& captions);
    QStringList captions() const { return m_captions; }
    void setScaleMarks(const QList<ScaleMark>& marks);

    // Height in pixels of a bar drawn for a level within a well of wellHeight pixels:
    // trunc(wellHeight * (level - min) / (max - min)), the level first limited to min..max.
    static int barHeight(int level, int min, int max, int wellHeight);
    // Colour of a row at relative height h (0 bottom, 1 top).
    static QColor rowColour(double h);
    // The peak shown `elapsed` after a peak `held` was taken, with the level now at `level`
    // on a range `span` wide: held through kPeakHold, then falling by span per kPeakFall,
    // never below the level.
    static int peakAfter(int held, Millis elapsed, int level, int span);
    // The rectangle of one bar's well (where its rows are painted), in widget pixels.
    QRect wellRect(int bar) const;
    // The clip lamp above a bar's well.
    QRect lampRect(int bar) const;

    static const QColor kLampLit;
    static const QColor kHangingColour;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {scaleWidth() + 12 + 14 * m_bars, 200}; }

private:
    struct Bar {
        int level = 0;
        int held = 0; // the peak taken at heldAt
        Millis heldAt{};
        Millis clipUntil = Millis::min(); // the lamp is lit until this time
        int peak = 0;                     // as shown
        bool lamp = false;                // as shown
        bool hanging = false;
        bool holding = false; // a peak was taken since the last clearHolds
    };
    int captionHeight() const;
    int scaleWidth() const;
    // What the bar's well, peak tick and lamp cover.
    QRect slotRect(int bar) const;
    int peakPixel(const Bar& b, const QRect& well) const;
    void paintBar(QPainter& p, const Bar& b, int bar) const;
    void paintScale(QPainter& p) const;

    const Clock* m_clock;
    int m_bars;
    int m_min = 0;
    int m_max = 60;
    std::optional<int> m_clipLevel;
    std::array<Bar, kMaxBars> m_values{};
    QStringList m_captions;
    QList<ScaleMark> m_marks;
};

} // namespace krm::ui
