#pragma once
// GeqThumbnail: the small, unframed picture of an output's 31-band graphic EQ on the
// output strip: one bar per band from 0 dB to its gain, x 0..32 with the bands at 1..31,
// y -15..+15 dB, grey while the equaliser is switched off. A click emits clicked (the strip
// opens the graphic-EQ editor).
// UI thread only.

#include "model/device_image.h"

#include <QWidget>

#include <array>

namespace krm {

class GeqThumbnail : public QWidget {
    Q_OBJECT
public:
    explicit GeqThumbnail(QWidget* parent = nullptr);

    // Band gains in dB, band 1 first.
    void setGains(const std::array<double, kGeqBands>& gainsDb);
    const std::array<double, kGeqBands>& gains() const { return m_gains; }
    void setSwitchedOff(bool off);
    bool switchedOff() const { return m_switchedOff; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::array<double, kGeqBands> m_gains{};
    bool m_switchedOff = false;
};

} // namespace krm
