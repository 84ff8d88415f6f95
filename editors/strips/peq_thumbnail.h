#pragma once
// PeqThumbnail: the small, unframed response curve of a channel's PEQ on the input strip
// (-15..+15 dB, 20 Hz..20 kHz, no markers). Slots 0..3 are PEQ bands 1..4, slot 4 the
// high-pass and slot 5 the low-pass (six slots on CH1..CH16, four on CH17..CH20). A click
// emits clicked (the strip opens the PEQ editor). UI thread only.

#include "dsp/response_graph.h"
#include "model/device_image.h"

#include <QWidget>

namespace krm {

class PeqThumbnail : public QWidget {
    Q_OBJECT
public:
    explicit PeqThumbnail(QWidget* parent = nullptr);

    // Loads the bands (and, with filters, the high- and low-pass) and redraws.
    void load(const InputChannel& channel, bool withFilters);
    const ResponseGraph& graph() const { return m_graph; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ResponseGraph m_graph;
};

} // namespace krm
