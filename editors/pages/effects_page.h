#pragma once
// EffectsPage: the editor of the device's two effects, whatever input the window opened it
// for. The reverb keeps its settings in the record of CH18, the delay in CH17's. Each
// effect has its knobs (caption, knob, value text), a RESET, a preset list, and two
// level/mute pairs with a meter each: the second level and mute of a record are the
// effect's INPUT, the first ones (the return channel's own fader and mute) its OUTPUT.
//
// What goes out while online: an effect knob stores while dragged and sends the effect's
// frame once let go ("%M," for the reverb, "%N," for the delay — the device has no frame of
// the effect fields, so the page sends these as the device's own program does); a level
// knob sends the level frame of the effect's wire number (27/28 delay, 29/30 reverb) on
// every step, a MUTE the same frame per click, a RESET the effect's frame (the parameter
// table knows each of these frames). Offline every change stays in the image. Edits go
// through the edit service, whose listeners (the strips among them) reload the return
// channel, so the main window's fader follows the OUTPUT knob; a RESET is one undo step.
//
// A 50 ms timer, running while the page is shown, moves the four meters from the image.
//
// UI thread only.

#include "editors/editor_page.h"
#include "editors/presets/preset_list.h"
#include "kit/timer_while_shown.h"
#include "model/edit_service.h"
#include "presets/module_presets.h"

#include <QTimer>

#include <array>
#include <functional>

namespace krm {

namespace ui {
class LevelMeter;
class Slider;
class TextLabel;
class ToggleButton;
} // namespace ui

class EffectsPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    enum Effect { Reverb, Delay, EffectCount };
    enum Knob {
        Tap1,
        Tap2,
        Tap3,
        Tap4,
        RevTime,
        RevLpf,
        PreDelay1,
        PreDelay2,
        Feedback,
        DelayLpf,
        KnobCount
    };
    enum Level { ReverbInput, ReverbOutput, DelayInput, DelayOutput, LevelCount };
    static constexpr int kMeterMs = 50;

    EffectsPage(EditService& edits, std::function<ModulePresets*()> presets,
                PresetListServices presetServices, QWidget* parent = nullptr);
    ~EffectsPage() override;

    // The page edits CH17 and CH18 whichever input it is opened for.
    void openFor(int channel) override;
    void applyLanguage() override;
    void reload() override { refresh(); }
    // Every knob, button and text from the image.
    void refresh();
    void resetReverb();
    void resetDelay();
    // Body of the meter timer.
    void tick();

    // What the controls do, as a drag, a release or a click would.
    void dragKnob(Knob knob, int position);
    void releaseKnob(Knob knob, int position);
    void moveLevel(Level level, int position);
    void clickMute(Level level);

    // The controls, for the window's tests and screenshots.
    ui::Slider* knob(Knob k) const { return m_knobs[static_cast<std::size_t>(k)].knob; }
    QString valueText(Knob k) const;
    QString captionText(Knob k) const;
    ui::Slider* levelKnob(Level l) const { return m_levels[static_cast<std::size_t>(l)].knob; }
    QString levelText(Level l) const;
    QString levelCaption(Level l) const;
    ui::ToggleButton* muteButton(Level l) const {
        return m_levels[static_cast<std::size_t>(l)].mute;
    }
    ui::LevelMeter* meter(Level l) const { return m_levels[static_cast<std::size_t>(l)].meter; }
    ui::ToggleButton* resetButton(Effect e) const { return m_reset[static_cast<std::size_t>(e)]; }
    PresetList* presetList(Effect e) const { return m_lists[static_cast<std::size_t>(e)]; }
    QTimer& meterTimer() { return m_meterTimer->timer(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct KnobRow {
        ui::TextLabel* caption = nullptr;
        ui::Slider* knob = nullptr;
        ui::TextLabel* value = nullptr;
    };
    struct LevelColumn {
        ui::TextLabel* caption = nullptr;
        ui::TextLabel* value = nullptr;
        ui::Slider* knob = nullptr;
        ui::LevelMeter* meter = nullptr;
        ui::ToggleButton* mute = nullptr;
    };

    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    void layoutControls();
    void layoutEffect(Effect effect, const QRect& area);
    void createPresetLists();
    void updateTexts();
    // Sends the field's frame through the edit service, which tells its listeners, without
    // reloading this page's own controls in the middle of a drag.
    void commit(const Parameter& parameter, Channel channel);
    void reset(Effect effect);

    EditService& m_edits;
    std::function<ModulePresets*()> m_presets;
    PresetListServices m_presetServices;
    std::array<ui::TextLabel*, EffectCount> m_titles{};
    std::array<ui::ToggleButton*, EffectCount> m_reset{};
    std::array<PresetList*, EffectCount> m_lists{};
    std::array<KnobRow, KnobCount> m_knobs{};
    std::array<LevelColumn, LevelCount> m_levels{};
    bool m_listsAsked = false;
    bool m_sending = false;
    ui::TimerWhileShown* m_meterTimer;
};

} // namespace krm
