#pragma once
// PhantomPage: the phantom-power page of the main window. Sixteen two-state buttons in two
// rows of eight, captioned with the names of CH1..CH16, under the page title. A press
// flips the channel's phantom switch through the edit service, which sends the channel's
// "%O," frame while online (every such frame carries all sixteen switches).
//
// The page reads its states and captions from the image when shown, when the edit
// service reports a change, and when the window asks it to repaint (a dump arrived).
//
// UI thread only.

#include "model/edit_service.h"

#include <QWidget>

#include <array>

namespace krm::ui {
class ParameterBinding;
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class PhantomPage : public QWidget, private EditListener {
    Q_OBJECT
public:
    explicit PhantomPage(EditService& edits, QWidget* parent = nullptr);
    ~PhantomPage() override;

    void applyLanguage();
    // Loads the sixteen buttons' states and captions from the image.
    void refresh();

    // Channel 0..15.
    ui::ToggleButton* button(int channel) const { return m_buttons[idx(channel)]; }
    QString title() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;

    EditService& m_edits;
    ui::TextLabel* m_title;
    std::array<ui::ToggleButton*, kMicInputCount> m_buttons{};
    std::array<ui::ParameterBinding*, kMicInputCount> m_bindings{};
};

} // namespace krm
