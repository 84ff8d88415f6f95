#pragma once
// MatrixPage: the routing grid of the main window's MATRIX view. Eight rows (output buses
// 1..8, headed by the outputs' current names) by twenty columns (inputs CH1..CH20, headed
// by the inputs' current names), one on/off switch per cell. A click flips the cell of
// that input and bus in the image and sends the input's "%B," (all eight cells of that
// input) through the edit service; no other input or bus is touched.
//
// The grid keeps the 1920-wide spacing where the page is wide enough and narrows its
// columns on smaller windows (never below what the names need to stay legible).
// Cells and headers load from the image when the page is shown and after every edit the
// service reports.
//
// UI thread only.

#include "editors/editor_page.h"
#include "model/edit_service.h"

#include <array>

namespace krm::ui {
class TextLabel;
class ToggleButton;
} // namespace krm::ui

namespace krm {

class MatrixPage : public EditorPage, private EditListener {
    Q_OBJECT
public:
    static constexpr int kRows = kOutputCount; // output buses
    static constexpr int kColumns = kInputCount;

    explicit MatrixPage(EditService& edits, QWidget* parent = nullptr);
    ~MatrixPage() override;

    void openFor(int) override { reload(); }
    void applyLanguage() override { reload(); }
    // Cells and headers from the image.
    void reload() override;

    // A click on the cell of input `input` (0..19) and bus `bus` (0..7).
    void clickCell(int input, int bus);

    ui::ToggleButton* cell(int input, int bus) const;
    ui::TextLabel* rowHeader(int bus) const { return m_rowHeaders[idx(bus)]; }
    ui::TextLabel* columnHeader(int input) const { return m_columnHeaders[idx(input)]; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QSize sizeHint() const override;

private:
    static std::size_t idx(int i) { return static_cast<std::size_t>(i); }
    void edited(const Parameter* parameter, const std::vector<Channel>& channels) override;
    void layoutGrid();
    int columnPitch() const;

    EditService& m_edits;
    std::array<ui::TextLabel*, kRows> m_rowHeaders{};
    std::array<ui::TextLabel*, kColumns> m_columnHeaders{};
    std::array<ui::ToggleButton*, kRows * kColumns> m_cells{}; // row-major: bus, then input
};

} // namespace krm
