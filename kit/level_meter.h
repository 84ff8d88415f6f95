#pragma once
// LevelMeter: up to eight vertical bars on a common min..max scale, each with a level, a
// peak and a clip flag, and optional captions under the bars (10-pixel font). A bar is
// painted from the bottom up in 2-pixel rows, each row coloured by its own height h
// (0 bottom, 1 top): green-yellow below 0.7, orange below 0.9, red above. A peak shows as
// a 2-pixel line 2 pixels wider than the bar each side: white, or pure red while clipped.
// Setting a value only redraws when the painted height changes; pages feed it from a
// timer, never once per received report. UI thread only.

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <array>

namespace krm::ui {

class LevelMeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxBars = 8;

    explicit LevelMeter(int bars = 1, QWidget* parent = nullptr);

    void setBarCount(int bars); // 1..8
    int barCount() const { return m_bars; }
    void setRange(int min, int max);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setValue(int bar, int level);
    int value(int bar) const;
    void setPeak(int bar, int peak); // a negative peak hides the line
    void setClip(int bar, bool clipped);
    void setCaptions(const QStringList& captions);
    QStringList captions() const { return m_captions; }

    // Height in pixels of a bar drawn for a level within a well of wellHeight pixels:
    // trunc(wellHeight * (level - min) / (max - min)), the level first limited to min..max.
    static int barHeight(int level, int min, int max, int wellHeight);
    // Colour of a row at relative height h (0 bottom, 1 top).
    static QColor rowColour(double h);
    // The rectangle of one bar's well (where its rows are painted), in widget pixels.
    QRect wellRect(int bar) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override { return {12 + 14 * m_bars, 200}; }

private:
    struct Bar {
        int level = 0;
        int peak = -1;
        bool clip = false;
    };
    int captionHeight() const;

    int m_bars;
    int m_min = 0;
    int m_max = 60;
    std::array<Bar, kMaxBars> m_values{};
    QStringList m_captions;
};

} // namespace krm::ui
