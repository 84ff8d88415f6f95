#pragma once
// DynamicsPage: the page shared by the compressor editor of an input and the limiter
// editor of an output. It shows the processor's switch ("COMP"), RESET, the preset list,
// the square static-curve graph with its three markers (threshold on the diagonal, ratio at
// 0 dB input, make-up gain on the left edge), the IN / GR / OUT meter on a dB scale (GR
// hanging from the 0 dB mark) and five knobs with caption and value text. The DynamicsSet says
// which parameters it edits; whether a knob sends while dragged or once let go, which frame goes
// out and which channels are linked is the parameter table's business, so the two editors differ
// only in their set.
//
// Marker drags write the image at once and send through the drag throttle; the page's
// 50 ms timer (running while shown) sends a stopped drag's value and moves the meters,
// which show the static curve applied to the level the device last reported (they stay
// still while offline).
//
// UI thread only.

#include "editors/dynamics/dynamics_services.h"
#include "editors/dynamics/dynamics_set.h"
#include "editors/editor_page.h"
#include "kit/marker_send.h"

#include <array>

namespace krm {

namespace ui {
class LevelMeter;
class ParameterBinding;
class ResponseGraphWidget;
class Slider;
class TextLabel;
class ToggleButton;
} // namespace ui

class DynamicsPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    enum Marker { ThresholdMarker, RatioMarker, GainMarker, MarkerCount };
    static constexpr int kTimerMs = 50;

    DynamicsPage(DynamicsSet set, DynamicsServices services, QWidget* parent = nullptr);
    ~DynamicsPage() override;

    void openFor(int channel) override;
    void applyLanguage() override;

    int channelIndex() const { return m_channel; }
    Channel channel() const { return m_set.channel(m_channel); }
    // Loads every control, value text, marker and the curve from the image.
    void refresh();
    void reload() override { refresh(); }
    // RESET: switch on, -30 dB, 1:1.0, 0.0 dB, 100 ms, 100 ms; sent and copied to the
    // linked channels.
    void reset();
    // A marker dragged to (x, y) dB; `released` at the end of the drag.
    void moveMarker(int marker, double x, double y, bool released);
    // Body of the 50 ms timer.
    void tick();

    // The controls, for the window's tests and screenshots.
    ui::Slider* knob(int k) const { return m_knobs[static_cast<std::size_t>(k)].knob; }
    QString valueText(int k) const;
    QString captionText(int k) const;
    ui::ToggleButton* enableButton() const { return m_enable; }
    ui::ToggleButton* resetButton() const { return m_reset; }
    ui::ResponseGraphWidget* graph() const { return m_graph; }
    ui::LevelMeter* meter() const { return m_meter; }
    PresetList* presetList() const { return m_presetList; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // Lays out the visible controls; the right edge they use is returned.
    int layoutControls();
    DynamicsServices& services() { return m_services; }
    // A preset list of `table` with `menu` in `parent`, or null without a preset store.
    PresetList* makePresetList(PresetTable table, PresetList::Menu menu, QWidget* parent);
    // Builds the page's preset lists, once, when it first opens (the window's preset store
    // exists only by then).
    virtual void createPresetLists();

private:
    struct KnobRow {
        ui::TextLabel* caption = nullptr;
        ui::Slider* knob = nullptr;
        ui::TextLabel* value = nullptr;
        ui::ParameterBinding* binding = nullptr;
    };

    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    // Value texts, markers and curve from the image (the knobs stay where they are).
    void updateViews();
    void updateMeters();
    int code(DynamicsSet::Knob k) const;
    const Parameter& markerParameter(int marker) const;
    void touched(const Parameter& parameter);

    DynamicsSet m_set;
    DynamicsServices m_services;
    int m_channel = 0;
    ui::ToggleButton* m_enable;
    ui::ToggleButton* m_reset;
    ui::ResponseGraphWidget* m_graph;
    ui::LevelMeter* m_meter;
    ui::ParameterBinding* m_enableBinding;
    std::array<KnobRow, DynamicsSet::KnobCount> m_knobs{};
    PresetList* m_presetList = nullptr;
    bool m_presetsAsked = false;
    ui::MarkerSend m_markers;
};

} // namespace krm
