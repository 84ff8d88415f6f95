#pragma once
// SendsPage: the aux-send editor beside the large input strip. Nine knobs, each with a
// MUTE button, set the selected input's level to the main mix, the six aux buses and the
// delay and reverb effects (codes 0..70, shown as code - 60 dB).
//
// A knob stores while dragged and sends when let go. A muted send is stored as 0 while its
// knob keeps the level that was set; unmuting stores that level again. The page remembers
// each channel's knob levels for as long as it lives, so a send muted on one channel still
// shows its level after another channel was edited. What a change sends is the parameter
// table's business: nothing for the main send, the aux sends of CH1..CH18, the effect
// sends of CH1..CH16.
//
// UI thread only.

#include "editors/editor_page.h"
#include "model/edit_service.h"

#include <array>

namespace krm::ui {
class Slider;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class SendsPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    // Knob 0 is the main send, 1..6 the aux sends, 7 the delay send, 8 the reverb send.
    static constexpr int kSends = 9;

    explicit SendsPage(EditService& edits, QWidget* parent = nullptr);
    ~SendsPage() override;

    void openFor(int channel) override;
    void applyLanguage() override;
    void reload() override { refresh(); }
    // Loads knobs, values and mute buttons from the image.
    void refresh();

    int channel() const { return m_channel; }
    static const Parameter& sendParameter(int send);

    // What the controls do; public so that tests can drive them. `dragging` is true while
    // the knob is held (the image only), false when it is let go (stored and sent).
    void moveKnob(int send, int level, bool dragging);
    void pressMute(int send);

    ui::Slider* knob(int send) const { return m_rows[idx(send)].knob; }
    ui::ToggleButton* muteButton(int send) const { return m_rows[idx(send)].mute; }
    QString valueText(int send) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Row {
        ui::TextLabel* caption = nullptr;
        ui::Slider* knob = nullptr;
        ui::TextLabel* value = nullptr;
        ui::ToggleButton* mute = nullptr;
    };
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    Channel channelRef() const { return Channel::input(m_channel); }
    int& level(int send) { return m_levels[idx(m_channel)][idx(send)]; }
    void showRow(int send);
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;

    EditService& m_edits;
    int m_channel = 0;
    ui::TextLabel* m_title;
    std::array<Row, kSends> m_rows{};
    // The knob level of every send of every input; -1 until the page has seen one.
    std::array<std::array<int, kSends>, kInputCount> m_levels{};
};

} // namespace krm
