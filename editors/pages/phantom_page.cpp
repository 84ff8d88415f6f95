#include "editors/pages/phantom_page.h"

#include "kit/kit_style.h"
#include "kit/parameter_binding.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/parameters.h"

#include <QPainter>

#include <algorithm>

namespace krm {

namespace {
constexpr int kPerRow = 8;
}

PhantomPage::PhantomPage(EditService& edits, QWidget* parent)
    : QWidget(parent), m_edits(edits), m_title(new ui::TextLabel({}, this)) {
    m_title->setPixelSize(20);
    m_title->setBold(true);
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int ch = 0; ch < kMicInputCount; ++ch) {
        auto* b = new ui::ToggleButton({}, this);
        b->setControlId(ch);
        b->setLitColor(ui::style::kLitRed);
        b->setTextPixelSize(14);
        m_buttons[idx(ch)] = b;
        m_bindings[idx(ch)] = ui::ParameterBinding::bindToggle(b, edits, Param(ParamKind::Phantom),
                                                               Channel::input(ch));
    }
    m_edits.addListener(this);
    applyLanguage();
    refresh();
}

PhantomPage::~PhantomPage() {
    m_edits.removeListener(this);
}

QString PhantomPage::title() const {
    return m_title->text();
}

void PhantomPage::applyLanguage() {
    m_title->setText(ui::text("PHANTOM", "幻象电源"));
}

void PhantomPage::refresh() {
    // The window retranslates only its editors: the title follows the language here.
    applyLanguage();
    for (int ch = 0; ch < kMicInputCount; ++ch) {
        m_bindings[idx(ch)]->load();
        m_buttons[idx(ch)]->setText(
            QString::fromStdString(m_edits.image().inputs[idx(ch)].name.toUtf8()));
    }
}

void PhantomPage::edited(const Parameter*, const std::vector<Channel>& channels) {
    // A strip's 48V button, a linked member or a rename: any of the sixteen may show it.
    if (std::any_of(channels.begin(), channels.end(),
                    [](Channel c) { return c.isInput() && c.index < kMicInputCount; }))
        refresh();
}

void PhantomPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void PhantomPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int m = 16;
    m_title->setGeometry(m, m, std::min(width() - 2 * m, 400), 36);
    // Two rows of eight buttons, as wide as the page allows, at most 150 x 60 pixels.
    const int gap = 10;
    const int bw = std::clamp((width() - 2 * m - (kPerRow - 1) * gap) / kPerRow, 60, 150);
    const int bh = std::clamp(bw / 2, 32, 60);
    const int top = m + 36 + 2 * m;
    for (int ch = 0; ch < kMicInputCount; ++ch) {
        const int row = ch / kPerRow;
        const int col = ch % kPerRow;
        m_buttons[idx(ch)]->setGeometry(m + col * (bw + gap), top + row * (bh + 2 * gap), bw, bh);
    }
}

void PhantomPage::paintEvent(QPaintEvent*) {
    // MainWindow::refreshAll() repaints the pages after a dump: the buttons follow the
    // image here (setting a state that did not change repaints nothing).
    refresh();
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
}

} // namespace krm
