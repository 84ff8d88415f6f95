#pragma once
// GateSection: the noise gate of an input — threshold, range, attack, release and a spare
// knob, the GATE switch, its RESET, its meter, its curve (one marker that sets the range)
// and the NOISE preset list. The dynamics editor keeps it as part of the page but never
// shows it; its controls still edit the gate fields, which travel with the channel's matrix
// row frame, presets and setting files.
//
// UI thread only.

#include "editors/dynamics/dynamics_services.h"

#include <QWidget>

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

class GateSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kKnobs = 5; // threshold, range, attack, release, spare

    GateSection(DynamicsServices& services, QWidget* parent = nullptr);

    void setChannel(Channel channel);
    void setPresetList(PresetList* list);
    void refresh();
    void applyLanguage();
    // RESET: gate on, threshold code 0, attack 1 ms, release 20 ms.
    void reset();
    // The range marker dragged to output level y dB.
    void moveRangeMarker(double y, bool released);

    ui::Slider* knob(int k) const { return m_knobs[static_cast<std::size_t>(k)]; }
    ui::ToggleButton* enableButton() const { return m_enable; }

private:
    DynamicsServices& m_services;
    Channel m_channel = Channel::input(0);
    ui::ToggleButton* m_enable;
    ui::ToggleButton* m_reset;
    ui::LevelMeter* m_meter;
    ui::ResponseGraphWidget* m_graph;
    std::array<ui::TextLabel*, kKnobs> m_captions{};
    std::array<ui::Slider*, kKnobs> m_knobs{};
    std::vector<ui::ParameterBinding*> m_bindings;
    PresetList* m_presetList = nullptr;
};

} // namespace krm
