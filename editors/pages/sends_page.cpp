#include "editors/pages/sends_page.h"

#include "kit/kit_style.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/parameters.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace krm {

namespace {

constexpr int kFirstAux = 1;
constexpr int kDelaySend = 7;
constexpr int kRevSend = 8;

// The captions under which the operator knows the knobs (not the readout's labels).
QString caption(int send) {
    if (send == 0)
        return ui::text("MAIN VOL", "主音量");
    if (send == kDelaySend)
        return ui::text("DELAY", "延时");
    if (send == kRevSend)
        return ui::text("Reverberation", "混响");
    const int aux = send - kFirstAux + 1;
    return ui::text("AUX %1", "辅助 %1").arg(aux);
}

} // namespace

const Parameter& SendsPage::sendParameter(int send) {
    if (send == 0)
        return Param(ParamKind::MainSend);
    if (send == kDelaySend)
        return Param(ParamKind::DelaySend);
    if (send == kRevSend)
        return Param(ParamKind::RevSend);
    return Param(ParamKind::AuxSend, send - kFirstAux);
}

SendsPage::SendsPage(EditService& edits, QWidget* parent)
    : EditorPage(parent), m_edits(edits), m_title(new ui::TextLabel({}, this)) {
    for (auto& levels : m_levels)
        levels.fill(-1);
    m_title->setPixelSize(16);
    m_title->setBold(true);
    m_title->setPlate(true);
    for (int send = 0; send < kSends; ++send) {
        Row& row = m_rows[idx(send)];
        const CodeRange range = sendParameter(send).range;
        row.caption = new ui::TextLabel({}, this);
        row.caption->setPixelSize(14);
        row.caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row.knob = new ui::Slider(Qt::Horizontal, this);
        row.knob->setControlId(send);
        row.knob->setRange(range.min, range.max);
        row.knob->setPageStep(10);
        row.value = new ui::TextLabel({}, this);
        row.value->setPixelSize(14);
        row.value->setPlate(true);
        row.mute = new ui::ToggleButton({}, this);
        row.mute->setControlId(send);
        row.mute->setLitColor(ui::style::kLitRed);
        connect(row.knob, &ui::Slider::valueChanging, this,
                [this](int id, int v) { moveKnob(id, v, true); });
        connect(row.knob, &ui::Slider::valueSet, this,
                [this](int id, int v) { moveKnob(id, v, false); });
        connect(row.mute, &ui::ToggleButton::clicked, this, [this](int id) { pressMute(id); });
    }
    m_edits.addListener(this);
    applyLanguage();
    refresh();
}

SendsPage::~SendsPage() {
    m_edits.removeListener(this);
}

void SendsPage::openFor(int channel) {
    m_channel = std::clamp(channel, 0, kInputCount - 1);
    refresh();
}

void SendsPage::applyLanguage() {
    for (int send = 0; send < kSends; ++send) {
        m_rows[idx(send)].caption->setText(caption(send));
        m_rows[idx(send)].mute->setText(ui::text("MUTE", "静音"));
        m_rows[idx(send)].mute->setToolTip(
            ui::text("Mute or unmute this send", "静音或取消静音此发送"));
    }
    refresh();
}

void SendsPage::refresh() {
    m_title->setText(QString::fromStdString(m_edits.image().inputs[idx(m_channel)].name.toUtf8()));
    for (int send = 0; send < kSends; ++send) {
        // A send the image holds above 0 is open at that level; at 0 it is muted and the
        // knob keeps the level the page last saw (0 when it never saw one).
        const int code = sendParameter(send).get(m_edits.image(), channelRef());
        if (code != 0)
            level(send) = code;
        showRow(send);
    }
}

void SendsPage::showRow(int send) {
    const Parameter& p = sendParameter(send);
    const int code = p.get(m_edits.image(), channelRef());
    const int knobLevel = code != 0 ? code : std::max(0, level(send));
    Row& row = m_rows[idx(send)];
    if (!row.knob->isDragging())
        row.knob->setPosition(knobLevel);
    row.value->setText(QString::fromStdString(ValueText(p, channelRef(), knobLevel)));
    row.mute->setState(code == 0);
}

QString SendsPage::valueText(int send) const {
    return m_rows[idx(send)].value->text();
}

void SendsPage::moveKnob(int send, int code, bool dragging) {
    if (send < 0 || send >= kSends)
        return;
    const Parameter& p = sendParameter(send);
    level(send) = std::clamp(code, p.range.min, p.range.max);
    if (dragging)
        m_edits.store(p, channelRef(), level(send));
    else
        m_edits.set(p, channelRef(), level(send));
    showRow(send);
    emit readoutRequested(m_channel, p.readoutKind);
}

void SendsPage::pressMute(int send) {
    if (send < 0 || send >= kSends)
        return;
    const Parameter& p = sendParameter(send);
    const bool muted = p.get(m_edits.image(), channelRef()) == 0;
    // Unmuting stores the knob's level again; muting stores 0 and leaves the knob alone.
    m_edits.set(p, channelRef(), muted ? std::max(0, level(send)) : 0);
    showRow(send);
    emit readoutRequested(m_channel, p.readoutKind);
}

void SendsPage::edited(const Parameter*, const std::vector<Channel>& channels) {
    // The readout's typed entry, a preset or a linked strip changed this channel.
    if (std::find(channels.begin(), channels.end(), channelRef()) != channels.end())
        refresh();
}

void SendsPage::showEvent(QShowEvent* event) {
    EditorPage::showEvent(event);
    refresh();
}

void SendsPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    const int m = 12;
    const int w = width() - 2 * m;
    m_title->setGeometry(m, m, std::min(w, 240), 30);
    // Nine rows share the height below the title, never taller than 48 pixels a row.
    const int top = m + 30 + m;
    const int rowH = std::clamp((height() - top - m) / kSends, 24, 48);
    const int captionW = std::clamp(w / 6, 90, 170);
    const int valueW = 80;
    const int muteW = 80;
    const int knobW = std::max(60, w - captionW - valueW - muteW - 3 * m);
    for (int send = 0; send < kSends; ++send) {
        const Row& row = m_rows[idx(send)];
        const int y = top + send * rowH;
        const int ch = rowH - 8;
        int x = m;
        row.caption->setGeometry(x, y, captionW, ch);
        x += captionW + m;
        row.knob->setGeometry(x, y, knobW, ch);
        x += knobW + m;
        row.value->setGeometry(x, y, valueW, ch);
        x += valueW + m;
        row.mute->setGeometry(x, y, muteW, ch);
    }
}

void SendsPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
}

} // namespace krm
