#pragma once
// ResponseGraph: the data model behind the editors' response graph. It holds up to 32 slots
// (one per curve contribution or marker), the axis ranges, the plot mode and the summed
// frequency-response curve; recompute() rebuilds the slot curves and their sum. Painting is
// the editors' business (see plot_mapping.h for the geometry).
//
// Threading: plain object without locks; used by the one thread that owns the editor (the
// user-interface thread).

#include "dsp/frequency_grid.h"
#include "dsp/plot_mapping.h"

#include <array>

namespace krm {

// Slot kinds.
inline constexpr int kSlotEqBand = 1;
inline constexpr int kSlotHighPass = 2;
inline constexpr int kSlotLowPass = 3;

// Plot modes.
inline constexpr int kPlotFrequencyResponse = 1;
inline constexpr int kPlotCompressor = 2; // compressor or limiter curve
inline constexpr int kPlotNoiseGate = 3;
inline constexpr int kPlotGraphicEq = 4;

struct GraphSlot {
    int kind = kSlotEqBand;
    int eqShape = 0;      // kind 1: 0 peaking, 1 low shelf, 2 high shelf
    int enabled = 0;      // kinds 2 and 3: 0 = filter off, a flat curve
    double freq = 1000.0; // Hz (in the linear modes: the marker's x value)
    double gainDb = 0.0;  // kind 1 (in the linear modes: the marker's y value)
    double param = 1.0;   // kind 1 peaking: Q; kinds 2 and 3: slope index 0..6 (truncated)
    Curve curve{};        // this slot's contribution, dB per grid point
};

class ResponseGraph {
public:
    static constexpr int kMaxSlots = 32;

    GraphSlot& slot(int index);
    const GraphSlot& slot(int index) const;

    // Number of slots that make up the curve (and show markers); held to 0..kMaxSlots.
    int slotCount() const { return m_slotCount; }
    void setSlotCount(int count);

    // Fills a slot from the device codes of an EQ band (Hz, gain 0..300, Q 1..200, shape
    // 0..2) or of a filter (kind 2 or 3, on switch, Hz, slope code 2..8).
    void setEqBand(int index, int freqHz, int gainCode, int qCode, int shape);
    void setPassFilter(int index, int kind, int enable, int freqHz, int slopeCode);

    const AxisRanges& axes() const { return m_axes; }
    void setAxes(const AxisRanges& axes) { m_axes = axes; }
    int plotMode() const { return m_plotMode; }
    void setPlotMode(int mode) { m_plotMode = mode; }
    bool framed() const { return m_framed; }
    void setFramed(bool framed) { m_framed = framed; }

    const std::array<double, kGridSize>& grid() const { return FrequencyGrid; }
    const Curve& summed() const { return m_summed; }

    // Recomputes the curve of each of the first slotCount() slots and their sum: EQ bands
    // as peaking or shelf, filters as high- or low-pass when enabled and flat when not.
    void recompute();

    // Geometry for a client area of width x height pixels.
    PlotRect plotRect(int width, int height) const { return plotRectFor(width, height, m_framed); }

private:
    std::array<GraphSlot, kMaxSlots> m_slots{};
    int m_slotCount = 4;
    Curve m_summed{};
    AxisRanges m_axes{};
    int m_plotMode = kPlotFrequencyResponse;
    bool m_framed = true;
};

// The curve of one slot, as recompute() computes it.
void slotResponse(const GraphSlot& slot, Curve& out);

} // namespace krm
