#include "editors/pages/matrix_page.h"

#include "kit/kit_style.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QPainter>

#include <algorithm>

namespace krm {

namespace {

// Page pixels of the 1920-wide layout: row headers 100 x 24 at x 20 from y 100, 30 apart;
// column headers 60 x 24 at y 50 from x 120; 20 x 20 cells centred under the headers.
constexpr int kRowHeaderX = 20;
constexpr int kRowHeaderWidth = 100;
constexpr int kHeaderHeight = 24;
constexpr int kColumnHeaderY = 50;
constexpr int kFirstRowY = 100;
constexpr int kRowPitch = 30;
constexpr int kGridX = kRowHeaderX + kRowHeaderWidth;
constexpr int kWidePitch = 60;
constexpr int kNarrowPitch = 42; // still shows a four-character name at 11 px
constexpr int kCell = 20;

} // namespace

MatrixPage::MatrixPage(EditService& edits, QWidget* parent) : EditorPage(parent), m_edits(edits) {
    for (int bus = 0; bus < kRows; ++bus) {
        auto* header = new ui::TextLabel(QString::asprintf("OUT %d", bus + 1), this);
        header->setPixelSize(12);
        header->setPlate(true);
        m_rowHeaders[idx(bus)] = header;
    }
    for (int ch = 0; ch < kColumns; ++ch) {
        auto* header = new ui::TextLabel(QString::asprintf("CH %d", ch + 1), this);
        header->setPixelSize(11);
        header->setPlate(true);
        m_columnHeaders[idx(ch)] = header;
    }
    for (int bus = 0; bus < kRows; ++bus)
        for (int ch = 0; ch < kColumns; ++ch) {
            auto* cell = new ui::ToggleButton(QString(), this);
            cell->setLitColor(ui::style::kLitGreen);
            cell->setControlId(bus * kColumns + ch);
            connect(cell, &ui::ToggleButton::clicked, this,
                    [this](int id) { clickCell(id % kColumns, id / kColumns); });
            m_cells[idx(bus * kColumns + ch)] = cell;
        }
    m_edits.addListener(this);
    layoutGrid();
    reload();
}

MatrixPage::~MatrixPage() {
    m_edits.removeListener(this);
}

ui::ToggleButton* MatrixPage::cell(int input, int bus) const {
    return m_cells[idx(bus * kColumns + input)];
}

void MatrixPage::reload() {
    for (ui::ToggleButton* cell : m_cells)
        cell->setToolTip(ui::text("Send this column's input to this row's output, or stop it",
                                  "将该列的输入送到该行的输出，或停止发送"));
    const DeviceImage& im = m_edits.image();
    for (int bus = 0; bus < kRows; ++bus)
        m_rowHeaders[idx(bus)]->setText(QString::fromStdString(im.outputs[idx(bus)].name.toUtf8()));
    for (int ch = 0; ch < kColumns; ++ch) {
        const InputChannel& in = im.inputs[idx(ch)];
        m_columnHeaders[idx(ch)]->setText(QString::fromStdString(in.name.toUtf8()));
        // A cell code other than 0 routes the input (the device may report any hex digit).
        for (int bus = 0; bus < kRows; ++bus)
            cell(ch, bus)->setState(in.matrix[idx(bus)] != 0);
    }
}

void MatrixPage::clickCell(int input, int bus) {
    if (input < 0 || input >= kColumns || bus < 0 || bus >= kRows)
        return;
    m_edits.toggle(Param(ParamKind::Matrix, bus), Channel::input(input));
    cell(input, bus)->setState(m_edits.image().inputs[idx(input)].matrix[idx(bus)] != 0);
}

void MatrixPage::edited(const Parameter* parameter, const std::vector<Channel>&) {
    if (!isVisible())
        return; // loaded at the next showing
    // Names (bulk changes) and matrix cells are what this page shows.
    if (parameter == nullptr || parameter->kind == ParamKind::Matrix)
        reload();
}

void MatrixPage::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    reload();
}

void MatrixPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutGrid();
}

int MatrixPage::columnPitch() const {
    const int fits = (width() - kGridX - kRowHeaderX) / kColumns;
    return std::clamp(fits, kNarrowPitch, kWidePitch);
}

QSize MatrixPage::sizeHint() const {
    return {kGridX + kColumns * kNarrowPitch + kRowHeaderX,
            kFirstRowY + kRows * kRowPitch + kRowHeaderX};
}

void MatrixPage::layoutGrid() {
    const int pitch = columnPitch();
    for (int bus = 0; bus < kRows; ++bus)
        m_rowHeaders[idx(bus)]->setGeometry(kRowHeaderX, kFirstRowY + bus * kRowPitch,
                                            kRowHeaderWidth - 8, kHeaderHeight);
    for (int ch = 0; ch < kColumns; ++ch) {
        const int x = kGridX + ch * pitch;
        m_columnHeaders[idx(ch)]->setGeometry(x + 2, kColumnHeaderY, pitch - 4, kHeaderHeight);
        for (int bus = 0; bus < kRows; ++bus)
            cell(ch, bus)->setGeometry(x + (pitch - kCell) / 2,
                                       kFirstRowY + bus * kRowPitch + (kHeaderHeight - kCell) / 2,
                                       kCell, kCell);
    }
}

void MatrixPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), ui::style::kWindow);
    const int pitch = columnPitch();
    const QRectF panel(kRowHeaderX - 10, kColumnHeaderY - 14, kGridX + kColumns * pitch,
                       kFirstRowY + kRows * kRowPitch - kColumnHeaderY + 20);
    ui::style::paintPanel(p, panel, 6, ui::style::kPanel, ui::style::kBorder);
    // Faint guides between the buses and between every fourth input help the eye along a
    // row of twenty small switches.
    p.setPen(ui::style::kBorder);
    for (int bus = 1; bus < kRows; ++bus) {
        const int y = kFirstRowY + bus * kRowPitch - (kRowPitch - kHeaderHeight) / 2;
        p.drawLine(kGridX, y, kGridX + kColumns * pitch, y);
    }
    for (int ch = 4; ch < kColumns; ch += 4) {
        const int x = kGridX + ch * pitch;
        p.drawLine(x, kColumnHeaderY, x, kFirstRowY + kRows * kRowPitch - 6);
    }
}

} // namespace krm
