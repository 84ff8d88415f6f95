#pragma once
// PeqEditor: the PEQ and filter page of an input. A response graph with one marker per
// band (and, on CH1..CH16, the high-pass and low-pass markers), four live band columns of
// gain / frequency / Q knobs (a fifth laid out but hidden), shelf switches on bands 1 and
// 4, the filter block (on/off, frequency knob, slope list) on CH1..CH16, BYPASS, RESET and
// the PEQ preset list.
//
// Knobs, switches and lists are bound to the parameter table and go through the edit
// service (knobs store while dragged and send on release; linked "EQ" members follow).
// Graph markers store at once and send through a SendThrottle: one frame per 100 ms while
// dragging, the last value on release, a drag that stops without a release sent by the
// page's 50 ms timer, which runs while the page is shown. RESET and BYPASS rewrite the
// whole module and play its frames 20 ms apart; BYPASS keeps one save area per input.
//
// UI thread only.

#include "editors/editor_page.h"
#include "editors/peq/peq_module.h"
#include "editors/presets/preset_list.h"
#include "kit/marker_send.h"
#include "model/edit_service.h"

#include <array>
#include <functional>

namespace krm::ui {
class DropList;
class ParameterBinding;
class ResponseGraphWidget;
class Slider;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class PeqEditor : public EditorPage, private EditListener {
    Q_OBJECT
public:
    static constexpr int kBandColumns = 5; // the fifth is laid out but hidden
    static constexpr int kHighPassSlot = 4;
    static constexpr int kLowPassSlot = 5;
    static constexpr int kTimerMs = 50;

    // `presets` is asked when the page opens (the preset library may come later than the
    // page, or never: no list then).
    PeqEditor(EditService& edits, Clock& clock, std::function<ModulePresets*()> presets,
              PresetListServices presetServices, QWidget* parent = nullptr);
    ~PeqEditor() override;

    void openFor(int channel) override;
    void applyLanguage() override;
    // Loads every control and the graph from the image.
    void refresh();
    void reload() override { refresh(); }

    int channel() const { return m_channel; }

    // What the graph's markers, the buttons and the timer do; public so that tests and the
    // readout can drive them. `dragging` is true while the button is held.
    void moveMarker(int slot, double freqHz, double gainDb, bool dragging);
    void doubleClickMarker(int slot, double freqHz, double gainDb);
    void toggleShelf(int band);
    void pressReset();
    void pressBypass();
    void tick() { m_markers.tick(); }
    bool bypassed() const { return m_bypass.bypassed(m_channel); }

    ui::ResponseGraphWidget* graph() const { return m_graph; }
    ui::Slider* gainKnob(int band) const { return m_columns[idx(band)].gain; }
    ui::Slider* freqKnob(int band) const { return m_columns[idx(band)].freq; }
    ui::Slider* qKnob(int band) const { return m_columns[idx(band)].q; }
    ui::ToggleButton* shelfButton(int band) const { return band == 0 ? m_lowShelf : m_highShelf; }
    ui::ToggleButton* filterButton(bool lowPass) const { return m_filters[lowPass].button; }
    ui::Slider* filterKnob(bool lowPass) const { return m_filters[lowPass].freq; }
    ui::DropList* slopeList(bool lowPass) const { return m_filters[lowPass].slope; }
    ui::ToggleButton* bypassButton() const { return m_bypassButton; }
    ui::ToggleButton* resetButton() const { return m_resetButton; }
    PresetList* presetList() const { return m_presetList; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Column {
        ui::TextLabel* header = nullptr;
        ui::Slider* gain = nullptr;
        ui::Slider* freq = nullptr;
        ui::Slider* q = nullptr;
        std::array<ui::TextLabel*, 3> values{};
        std::array<ui::ParameterBinding*, 3> bindings{};
    };
    struct FilterBlock {
        ui::ToggleButton* button = nullptr;
        ui::Slider* freq = nullptr;
        ui::TextLabel* value = nullptr;
        ui::DropList* slope = nullptr;
        ui::ParameterBinding* enableBinding = nullptr;
        ui::ParameterBinding* freqBinding = nullptr;
        ui::ParameterBinding* slopeBinding = nullptr;
    };
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }

    Channel channelRef() const { return Channel::input(m_channel); }
    bool hasFilters() const { return IsMicInput(m_channel); }
    ui::ParameterBinding* bind(ui::ParameterBinding* binding);
    void buildColumn(int band);
    void buildFilter(bool lowPass);
    void ensurePresetList();
    void refreshGraph();
    void refreshValues();
    void showReadout(int kind);
    // A marker's values into the image of the channel (the edit service copies them to
    // its linked "EQ" members).
    void storeMarker(int slot, double freqHz, double gainDb);
    // The marker's frame now (through the edit service: linked members follow).
    void sendMarker(int slot);
    void playModule(bool bypass);
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;

    EditService& m_edits;
    std::function<ModulePresets*()> m_presets;
    PresetListServices m_presetServices;
    int m_channel = 0;
    ui::MarkerSend m_markers;
    PeqBypassStore m_bypass;
    bool m_refreshing = false;

    ui::TextLabel* m_title;
    ui::ToggleButton* m_bypassButton;
    ui::ToggleButton* m_resetButton;
    ui::ToggleButton* m_polarButton; // laid out, never shown: the page has no polarity control
    ui::ResponseGraphWidget* m_graph;
    std::array<ui::TextLabel*, 3> m_rowCaptions{};
    std::array<Column, kBandColumns> m_columns{};
    ui::ToggleButton* m_lowShelf;
    ui::ToggleButton* m_highShelf;
    std::array<FilterBlock, 2> m_filters{}; // [0] high-pass, [1] low-pass
    PresetList* m_presetList = nullptr;
    std::vector<ui::ParameterBinding*> m_bindings;
};

} // namespace krm
