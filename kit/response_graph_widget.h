#pragma once
// ResponseGraphWidget: the painted response graph of the editors. It owns a ResponseGraph
// model (slots, axes, plot mode, framed flag) and draws it with the geometry of
// dsp/plot_mapping.h, so every pixel it paints is one the pure mappings give:
//   mode 1 (frequency response): logarithmic frequency grid, the summed curve filled to the
//     vertical middle in the model's framed / unframed colours, each slot's own curve as a
//     faint line, and one draggable marker per slot (marker scale +-15 dB);
//   modes 2 and 3 (compressor / gate): linear axes, a line curve the page supplies (for
//     instance setStaticCurve) and the page's markers;
//   mode 4 (graphic EQ): linear axes, one bar per slot from 0 dB to its gain, slot i
//     standing at x = i + 1, with a marker cap on each bar, and a freehand DRAW mode.
// Framed graphs keep the model's margins for the axis captions; unframed ones use the
// whole client area and draw no captions.
//
// Markers: a press on a marker emits markerPressed with its current values; each change of
// value while dragging emits markerMoving; the release emits markerReleased once, only if
// the drag changed the value (a plain click or a double-click reports no move).
// The marker follows the pointer with the offset of the press, clamped to the plot area,
// and its values are written back into the model slot. Values are the marker's axis
// values: frequency (Hz) and gain (dB) in mode 1, x and y otherwise; filter markers
// (kinds 2 and 3) move only along the frequency axis, graphic-EQ markers only up and down.
// Throttling of frames is the pages' business: the widget only reports.
//
// Painting is done straight onto the widget with vector drawing (no cached images), so it
// stays sharp at any device pixel ratio.
//
// UI thread only.

#include "dsp/plot_mapping.h"
#include "dsp/response_graph.h"

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace krm::ui {

class ResponseGraphWidget : public QWidget {
    Q_OBJECT
public:
    // Pointer positions kept for drawing one freehand stroke.
    static constexpr int kMaxStrokePoints = 2048;
    // A freehand stroke sets every band whose bar lies this close to the pointer.
    static constexpr int kFreehandReach = 5;

    explicit ResponseGraphWidget(QWidget* parent = nullptr);

    // The model. Pages fill slots, axes and mode through it, then call refresh().
    ResponseGraph& graph() { return m_graph; }
    const ResponseGraph& graph() const { return m_graph; }
    // Repaints from the model (mode 1 recomputes its curves before each paint).
    void refresh() { update(); }

    // Modes 2 and 3: the curve as points in axis values, drawn as a line.
    void setLineCurve(std::vector<PlotPoint> valuePoints);
    const std::vector<PlotPoint>& lineCurve() const { return m_lineCurve; }
    // The compressor / limiter curve over the current x axis (set the axes first).
    void setStaticCurve(double thresholdDb, double ratio, double makeupDb);

    void setMarkersVisible(bool visible);
    bool markersVisible() const { return m_markersVisible; }
    // Text on each marker; an empty list gives the band number ("H" / "L" for filters).
    void setMarkerLabels(const QStringList& labels);
    // Mode 4 captions under the bars; an empty list numbers the bars 1..n.
    void setBarLabels(const QStringList& labels);
    // Mode 1: each slot's own curve as a faint line under the summed curve.
    void setSlotCurvesVisible(bool visible);
    // Mode 4: the processor is switched off; its bars are grey and their caps hollow (they
    // can still be edited).
    void setSwitchedOff(bool off);
    bool switchedOff() const { return m_switchedOff; }

    // Mode 4 DRAW: a press starts a stroke that sets the bands under the pointer; markers
    // cannot be dragged meanwhile. Ignored in the other modes.
    void setFreehand(bool on);
    bool freehand() const { return m_freehand; }
    const std::vector<QPointF>& strokePoints() const { return m_stroke; }

    // Geometry in widget pixels, from the pure mappings.
    PlotRect plotRect() const { return m_graph.plotRect(width(), height()); }
    QPointF markerCentre(int slot) const;
    // Mode 4: the bar of a slot, from the 0 dB line to its gain (held to the plot).
    QRectF barRect(int slot) const;
    // The marker under a point (the nearest centre when several overlap), or -1.
    int markerAt(QPointF pos) const;
    int draggedMarker() const { return m_dragSlot; }

    // Colour of a slot's marker and own curve.
    static QColor slotColour(int slot);

signals:
    void markerPressed(int slot, double x, double y);
    void markerMoving(int slot, double x, double y);
    void markerReleased(int slot, double x, double y);
    void markerDoubleClicked(int slot, double x, double y);
    // Freehand: band `slot` took gain y (dB) from the stroke; then the stroke's end.
    void bandDrawn(int slot, double y);
    void strokeEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    QSize sizeHint() const override { return {500, 300}; }

private:
    bool linearMode() const { return m_graph.plotMode() != kPlotFrequencyResponse; }
    bool freehandActive() const { return m_freehand && m_graph.plotMode() == kPlotGraphicEq; }
    MarkerValue slotValue(int slot) const;
    MarkerValue valueAtCentre(int slot, QPointF centre) const;
    void storeSlotValue(int slot, MarkerValue v);
    // The dragged marker's centre for a pointer position, held to the plot.
    QPointF clampedCentre(QPointF pointer) const;
    void dragTo(QPointF pointer);
    void strokeTo(QPointF pointer);
    void drawBandsBetween(QPointF from, QPointF to);
    void setHover(int slot);

    // The parts that change only with the size, the mode and the axes (panel, well, grid,
    // captions), drawn once into m_background and blitted on every paint: a marker drag
    // repaints the graph tens of times a second.
    void paintBackground(QPainter& p, const PlotRect& r) const;
    const QPixmap& background(const PlotRect& r) const;
    void paintFrequencyGrid(QPainter& p, const PlotRect& r) const;
    void paintLinearGrid(QPainter& p, const PlotRect& r) const;
    void paintResponse(QPainter& p, const PlotRect& r);
    void paintLineCurve(QPainter& p, const PlotRect& r) const;
    void paintBars(QPainter& p, const PlotRect& r) const;
    void paintMarkers(QPainter& p) const;
    void paintMarker(QPainter& p, int slot) const;
    QString markerLabel(int slot) const;

    ResponseGraph m_graph;
    struct BackgroundKey {
        QSize size;
        qreal dpr = 0;
        int mode = -1;
        bool framed = false;
        double xMin = 0, xMax = 0, yMin = 0, yMax = 0;
        bool operator==(const BackgroundKey&) const = default;
    };
    mutable QPixmap m_background;
    mutable BackgroundKey m_backgroundKey;
    std::vector<PlotPoint> m_lineCurve;
    QStringList m_markerLabels;
    QStringList m_barLabels;
    bool m_markersVisible = true;
    bool m_slotCurvesVisible = true;
    bool m_freehand = false;
    bool m_switchedOff = false;

    int m_dragSlot = -1;
    int m_hoverSlot = -1;
    QPointF m_grabOffset;
    MarkerValue m_lastValue;
    bool m_dragMoved = false;

    bool m_stroking = false;
    std::vector<QPointF> m_stroke;
};

} // namespace krm::ui
