#pragma once
// Geometry of the response graph: the plot rectangle, value <-> pixel mappings of the curve
// and of the draggable markers, and the polygon of a frequency-response curve. No painting:
// the editors draw what these functions place.
//
// Pure functions; callable from any thread.

#include "dsp/frequency_grid.h"

#include <cstdint>
#include <vector>

namespace krm {

// Plot area in client pixels; right and bottom are the client width and height when the
// graph is not framed.
struct PlotRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // The vertical middle, where the filled curve closes and 0 dB markers sit (exact, so
    // that a 0 dB marker sits on a 0 dB curve of a symmetric axis).
    double middleY() const { return (top + bottom) / 2.0; }
};

struct AxisRanges {
    double xMin = 20.0;
    double xMax = 20000.0;
    double yMin = 0.0;
    double yMax = 100.0;
};

struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
};

// A marker's values: frequency (Hz) and gain (dB) in mode 1, the two axis values otherwise.
struct MarkerValue {
    double x = 0.0;
    double y = 0.0;
};

// Framed graphs leave width/20 left and right, height/20 at the top and height/10 at the
// bottom (integer divisions) for the axis captions.
PlotRect plotRectFor(int width, int height, bool framed);

// Frequency-response mode: x is logarithmic in frequency. A degenerate axis (xMin <= 0,
// xMax <= xMin) or a frequency <= 0 maps to the left edge.
double logPixelX(double freq, const PlotRect& rect, const AxisRanges& axes);
double logValueFromPixelX(double x, const PlotRect& rect, const AxisRanges& axes);

// Curve points: y is linear in value, drawn on the top edge above yMax and on the bottom
// edge below yMin (a degenerate range draws on the bottom edge).
double curvePixelY(double value, const PlotRect& rect, const AxisRanges& axes);

// The filled outline of a curve: (left, middle), then one point per grid entry inside
// xMin..xMax, then (right, middle).
std::vector<PlotPoint> responsePolygon(const Curve& curve, const PlotRect& rect,
                                       const AxisRanges& axes);

// Markers of the frequency-response mode: the marker scale is +-15 dB over the plot height,
// whatever the axis range. markerValueFromPixel is the exact inverse of markerPoint.
inline constexpr double kMarkerSpanDb = 30.0;
PlotPoint markerPoint(double freq, double gainDb, const PlotRect& rect, const AxisRanges& axes);
MarkerValue markerValueFromPixel(PlotPoint p, const PlotRect& rect, const AxisRanges& axes);

// Markers and points of the other modes (compressor, gate, graphic EQ): both axes linear.
PlotPoint linearPoint(double vx, double vy, const PlotRect& rect, const AxisRanges& axes);
MarkerValue linearValueFromPixel(PlotPoint p, const PlotRect& rect, const AxisRanges& axes);

// A marker is a 32 x 32 image centred on its point.
inline constexpr int kMarkerSize = 32;
PlotPoint markerImageTopLeft(PlotPoint markerCentre);

// How the frequency-response curve is drawn: fill and outline share one colour.
struct CurveStyle {
    std::uint32_t argb;
    int outlineWidth;
};
CurveStyle curveStyle(bool framed);

} // namespace krm
