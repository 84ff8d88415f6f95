#include "dsp/plot_mapping.h"

#include <cmath>

namespace krm {
namespace {

bool logAxisUsable(const AxisRanges& axes) {
    return axes.xMin > 0.0 && axes.xMax > axes.xMin;
}

} // namespace

PlotRect plotRectFor(int width, int height, bool framed) {
    if (!framed)
        return {0, 0, width, height};
    return {width / 20, height / 20, width - width / 20, height - height / 10};
}

double logPixelX(double freq, const PlotRect& rect, const AxisRanges& axes) {
    if (!logAxisUsable(axes) || !(freq > 0.0))
        return rect.left;
    return rect.left + (rect.right - rect.left) * std::log10(freq / axes.xMin) /
                           std::log10(axes.xMax / axes.xMin);
}

double logValueFromPixelX(double x, const PlotRect& rect, const AxisRanges& axes) {
    if (!logAxisUsable(axes) || rect.right == rect.left)
        return axes.xMin;
    return axes.xMin * std::pow(10.0, (x - rect.left) * std::log10(axes.xMax / axes.xMin) /
                                          (rect.right - rect.left));
}

double curvePixelY(double value, const PlotRect& rect, const AxisRanges& axes) {
    if (!(axes.yMax > axes.yMin) || value < axes.yMin)
        return rect.bottom;
    if (value > axes.yMax)
        return rect.top;
    return rect.bottom - (rect.bottom - rect.top) * (value - axes.yMin) / (axes.yMax - axes.yMin);
}

std::vector<PlotPoint> responsePolygon(const Curve& curve, const PlotRect& rect,
                                       const AxisRanges& axes) {
    std::vector<PlotPoint> points;
    points.reserve(curve.size() + 2);
    const double middle = rect.middleY();
    points.push_back({static_cast<double>(rect.left), middle});
    for (std::size_t i = 0; i < curve.size(); ++i) {
        const double g = FrequencyGrid[i];
        if (g < axes.xMin || g > axes.xMax)
            continue;
        points.push_back({logPixelX(g, rect, axes), curvePixelY(curve[i], rect, axes)});
    }
    points.push_back({static_cast<double>(rect.right), middle});
    return points;
}

PlotPoint markerPoint(double freq, double gainDb, const PlotRect& rect, const AxisRanges& axes) {
    return {logPixelX(freq, rect, axes),
            rect.middleY() - (rect.bottom - rect.top) * gainDb / kMarkerSpanDb};
}

MarkerValue markerValueFromPixel(PlotPoint p, const PlotRect& rect, const AxisRanges& axes) {
    const int height = rect.bottom - rect.top;
    const double gain = height == 0 ? 0.0 : (rect.middleY() - p.y) * kMarkerSpanDb / height;
    return {logValueFromPixelX(p.x, rect, axes), gain};
}

PlotPoint linearPoint(double vx, double vy, const PlotRect& rect, const AxisRanges& axes) {
    const double xSpan = axes.xMax - axes.xMin;
    const double ySpan = axes.yMax - axes.yMin;
    const double x =
        xSpan == 0.0 ? rect.left : rect.left + (rect.right - rect.left) * (vx - axes.xMin) / xSpan;
    const double y = ySpan == 0.0
                         ? rect.bottom
                         : rect.bottom - (rect.bottom - rect.top) * (vy - axes.yMin) / ySpan;
    return {x, y};
}

MarkerValue linearValueFromPixel(PlotPoint p, const PlotRect& rect, const AxisRanges& axes) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const double x =
        width == 0 ? axes.xMin : axes.xMin + (axes.xMax - axes.xMin) * (p.x - rect.left) / width;
    const double y = height == 0
                         ? axes.yMin
                         : axes.yMin + (axes.yMax - axes.yMin) * (rect.bottom - p.y) / height;
    return {x, y};
}

PlotPoint markerImageTopLeft(PlotPoint markerCentre) {
    const double half = kMarkerSize / 2.0;
    return {markerCentre.x - half, markerCentre.y - half};
}

CurveStyle curveStyle(bool framed) {
    return framed ? CurveStyle{0xFF2B5C6Du, 3} : CurveStyle{0xFF29A4D0u, 1};
}

} // namespace krm
