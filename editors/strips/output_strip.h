#pragma once
// OutputStrip: the vertical panel of one output bus 1..8: name, output label, a small
// graphic-EQ picture, the limiter button (captioned "COMP"), L and R meters, the fader,
// the delay list, MUTE, FBK and the LINE/MIC switch.
//
// Each control is bound to its parameter; the table gives the frames (level and name with
// wire channel 21..28, the rest with bus 1..8) and the spreading over a control group
// (fader, delay, FBK and LINE/MIC spread; mute does not). The device reports one level
// per bus; both meters show it.
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

class GeqThumbnail;

class OutputStrip : public ChannelStrip {
    Q_OBJECT
public:
    OutputStrip(EditService& edits, int bus, QWidget* parent = nullptr);

    void refreshFromImage() override;
    // Rebuilds the delay list (201 entries, 0.0 .. 100.0 ms) and the texts.
    void applyLanguage() override;
    // Reloads the small graph from the image (the graphic-EQ editor calls it per band).
    void refreshGeqGraph();

    void chooseDelay(int index);
    void toggleMute();
    void toggleFeedback();
    void toggleLineLevel();

    ui::DropList* delayList() const { return m_delay; }
    ui::ToggleButton* limiterButton() const { return m_limiter; }
    ui::ToggleButton* muteButton() const { return m_mute; }
    ui::ToggleButton* feedbackButton() const { return m_feedback; }
    ui::ToggleButton* lineButton() const { return m_line; }
    ui::LevelMeter* meter() const { return m_meter; }
    GeqThumbnail* geqGraph() const { return m_graph; }

signals:
    // COMP opens the limiter, the graphic-EQ picture the graphic EQ, for this output.
    void editorRequested(int output, krm::OutputEditorKind kind);

public:
protected:
    const Name16& nameField() const override { return record().name; }
    const Name16& labelField() const override { return record().label; }
    QString shownLabel() const override;
    void updateStatus() override;
    void channelChanged() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const OutputChannel& record() const {
        return m_image.outputs[static_cast<std::size_t>(m_channel)];
    }

    GeqThumbnail* m_graph;
    ui::ToggleButton* m_limiter;
    ui::LevelMeter* m_meter;
    ui::DropList* m_delay;
    ui::ToggleButton* m_mute;
    ui::ToggleButton* m_feedback;
    ui::ToggleButton* m_line;
    ui::ParameterBinding* m_delayBinding;
    ui::ParameterBinding* m_muteBinding;
    ui::ParameterBinding* m_feedbackBinding;
    ui::ParameterBinding* m_lineBinding;
};

} // namespace krm
