#pragma once
// InputStrip: the vertical panel of one input channel CH1..CH20: name, source and input
// gain lists, a small PEQ curve, COMP / MUTE / PRIORITY / 48V buttons, the auto-mixer
// open-state indicator, the channel label, the fader and the level meter.
//
// Each control is bound to its parameter; the table says which frame carries it and
// whether a control group spreads it (fader, PRIORITY, 48V and input gain spread; mute and
// source do not). A Dante source D1..D4 that another input already uses is refused with a
// message naming the channel that holds it. CH17..CH20 hide COMP, PRIORITY, 48V and the
// indicators, offer the input gains "0 dB" / "10 dB" and draw their curve from four slots.
// UI thread only.

#include "editors/editor_page.h"
#include "editors/strips/channel_strip.h"

namespace krm::ui {
class DropList;
class LevelMeter;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class PeqThumbnail;

class InputStrip : public ChannelStrip {
    Q_OBJECT
public:
    InputStrip(EditService& edits, int channel, QWidget* parent = nullptr);

    void refreshFromImage() override;
    void applyLanguage() override;

    // What the controls do; public so the readout and tests can drive them.
    // Returns false when the source is refused (another input uses that Dante stream).
    bool chooseSource(int index);
    void chooseInputGain(int index);
    void toggleMute();
    void togglePriority();
    void togglePhantom();

    ui::DropList* sourceList() const { return m_source; }
    ui::DropList* gainList() const { return m_gain; }
    ui::ToggleButton* compButton() const { return m_comp; }
    ui::ToggleButton* muteButton() const { return m_mute; }
    ui::ToggleButton* priorityButton() const { return m_priority; }
    ui::ToggleButton* phantomButton() const { return m_phantom; }
    ui::ToggleButton* openStateIndicator() const { return m_openState; }
    ui::ToggleButton* lastHoldIndicator() const { return m_lastHold; }
    ui::TextLabel* sourceCaption() const { return m_sourceCaption; }

signals:
    // COMP opens the dynamics editor, the PEQ picture the PEQ editor, for this channel.
    void editorRequested(int channel, krm::InputEditorKind kind);

public:
    ui::LevelMeter* meter() const { return m_meter; }
    PeqThumbnail* peqGraph() const { return m_graph; }

protected:
    const Name16& nameField() const override { return record().name; }
    const Name16& labelField() const override { return record().label; }
    void updateStatus() override;
    void channelChanged() override;
    // The name menu also opens the channel's aux sends and, on the effect returns CH17 and
    // CH18, the effects page: nothing else on the strip leads to those two pages.
    std::vector<ui::PopupMenuItem> extraNameMenuItems() const override;
    void nameMenuCommand(int command) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const InputChannel& record() const {
        return m_image.inputs[static_cast<std::size_t>(m_channel)];
    }
    bool isMic() const { return IsMicInput(m_channel); }
    void showOpenState(bool open);
    void showLastHold(bool held);
    void refuseSource(int holder);

    ui::TextLabel* m_sourceCaption;
    ui::DropList* m_source;
    ui::DropList* m_gain;
    PeqThumbnail* m_graph;
    ui::ToggleButton* m_comp;
    ui::ToggleButton* m_mute;
    ui::ToggleButton* m_priority;
    ui::ToggleButton* m_phantom;
    ui::ToggleButton* m_openState;
    ui::ToggleButton* m_lastHold;
    ui::LevelMeter* m_meter;
    ui::ParameterBinding* m_sourceBinding;
    ui::ParameterBinding* m_gainBinding;
    ui::ParameterBinding* m_muteBinding;
    ui::ParameterBinding* m_priorityBinding;
    ui::ParameterBinding* m_phantomBinding;
    int m_shownOpen = -1; // what the indicator shows: -1 not yet, 0 waiting, 1 active
    int m_shownHold = -1;
};

} // namespace krm
