#pragma once
// GeqEditor: the graphic-EQ page of an output bus, beside the large output strip. 31 bars
// (20 Hz .. 20 kHz, -15..+15 dB) whose markers drag up and down, a double-click setting a
// band back to 0 dB, RESET of all bands, the GEQ switch (the bars grey while it is off),
// DRAW mode with freehand strokes over the bars, and the GEQ preset list.
//
// Every change goes through the edit service, so the image, the "%H," frame and the output
// strip's small GEQ graph follow it (the strip bank reloads on the service's listener
// call, also while a marker is dragged). A dragged marker sends at most one frame per
// 100 ms (SendThrottle) and the linked outputs follow once the marker is let go; a
// freehand stroke sends the edited output's frame at every band it changes and copies the
// whole curve to the linked outputs when it ends.
//
// UI thread only.

#include "editors/editor_page.h"
#include "editors/presets/preset_list.h"
#include "kit/marker_send.h"
#include "model/edit_service.h"

#include <functional>
#include <memory>

namespace krm {

namespace ui {
class ParameterBinding;
class ResponseGraphWidget;
class ToggleButton;
} // namespace ui

class GeqEditor : public EditorPage {
    Q_OBJECT
public:
    static constexpr int kTimerMs = 50;

    // `presets` is asked on each opening (the window's preset library may come later, or
    // never: no list then).
    GeqEditor(EditService& edits, Clock& clock, std::function<ModulePresets*()> presets,
              PresetListServices presetServices, QWidget* parent = nullptr);

    // Output 0..7.
    void openFor(int output) override;
    void applyLanguage() override;

    int output() const { return m_output; }
    ui::ResponseGraphWidget* graph() const { return m_graph; }
    ui::ToggleButton* geqButton() const { return m_geqButton; }
    ui::ToggleButton* resetButton() const { return m_resetButton; }
    ui::ToggleButton* drawButton() const { return m_drawButton; }
    PresetList* presetList() const { return m_presetList; }

    // All bands to 0 dB, sent and copied to the linked outputs.
    void reset();
    void setDrawMode(bool on);
    bool drawMode() const { return m_drawMode; }
    // Body of the 50 ms timer: a drag that stopped without a release sends its band.
    void tick() { m_markers.tick(); }
    // Loads the bars and the switch from the image.
    void reload() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Channel channel() const { return Channel::output(m_output); }
    // Writes the gain a marker or a stroke reports into the image; true when it changed.
    bool storeBand(int band, double gainDb);
    void markerMoving(int band, double gainDb);
    void markerReleased(int band, double gainDb);
    void sendBand(int band, ui::MarkerSend::Moment moment);
    void markerDoubleClicked(int band);
    void bandDrawn(int band, double gainDb);
    void strokeEnded();
    // Sends the output's "%H," without touching the linked outputs (a drag or a stroke in
    // progress); with `send` false only tells the listeners the image changed.
    void sendOwnFrame(bool send);
    // The whole curve to the linked outputs; `ownFrame`: the edited output's frame first.
    void commitCurve(bool ownFrame, StepName name = {});
    void showReadout(int band);
    // The bars grey while the GEQ is switched off.
    void showSwitch();
    void ensurePresetList();
    void layoutChildren();

    EditService& m_edits;
    ui::MarkerSend m_markers;
    std::unique_ptr<EditService::StepScope> m_stroke; // while a DRAW stroke runs
    std::function<ModulePresets*()> m_presets;
    PresetListServices m_presetServices;
    int m_output = 0;
    bool m_drawMode = false;

    ui::ResponseGraphWidget* m_graph;
    ui::ToggleButton* m_geqButton;
    ui::ToggleButton* m_resetButton;
    ui::ToggleButton* m_drawButton;
    ui::ParameterBinding* m_geqBinding;
    PresetList* m_presetList = nullptr;
};

} // namespace krm
