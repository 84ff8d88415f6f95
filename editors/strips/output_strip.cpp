#include "editors/strips/output_strip.h"

#include "dsp/channel_scales.h"
#include "dsp/eq_scales.h"
#include "editors/strips/geq_thumbnail.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/kit_style.h"
#include "kit/level_meter.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/frame_builders.h"

namespace krm {

OutputStrip::OutputStrip(DeviceImage& image, CommandSet& commands, PacedSender& linked, int bus,
                         QWidget* parent)
    : ChannelStrip(image, commands, linked, bus, parent), m_graph(new GeqThumbnail(this)),
      m_limiter(new ui::ToggleButton(QString(), this)), m_meter(new ui::LevelMeter(2, this)),
      m_delay(new ui::DropList(this)), m_mute(new ui::ToggleButton(QString(), this)),
      m_feedback(new ui::ToggleButton(QStringLiteral("FBK"), this)),
      m_line(new ui::ToggleButton(QString(), this)) {
    m_limiter->setLitColor(ui::style::kLitBlue);
    m_mute->setLitColor(ui::style::kLitRed);
    m_feedback->setLitColor(ui::style::kLitAmber);
    m_line->setLitColor(ui::style::kLitGreen);
    m_meter->setRange(0, 60);
    m_meter->setCaptions({QStringLiteral("L"), QStringLiteral("R")});
    m_delay->setMaxDropHeight(12 * ui::DropList::kRowHeight);

    connect(m_delay, &ui::DropList::listSelected, this, [this](int, int i) { chooseDelay(i); });
    connect(m_mute, &ui::ToggleButton::clicked, this, &OutputStrip::toggleMute);
    connect(m_feedback, &ui::ToggleButton::clicked, this, &OutputStrip::toggleFeedback);
    connect(m_line, &ui::ToggleButton::clicked, this, &OutputStrip::toggleLineLevel);
    connect(m_limiter, &ui::ToggleButton::clicked, this, [this] { openEditor(kOpenLimiter); });
    connect(m_graph, &GeqThumbnail::clicked, this, [this] { openEditor(kOpenGeq); });

    applyLanguage();
    refreshFromImage();
}

void OutputStrip::refreshFromImage() {
    const OutputChannel& out = record();
    refreshCommon(out.gain);
    m_delay->setSelection(out.delay);
    m_limiter->setState(out.limiter.enable != 0);
    m_mute->setState(out.mute != 0);
    m_feedback->setState(out.outK != 0);
    m_line->setState(out.lineLevel != 0);
    m_line->setText(QString::fromStdString(lineLevelText(out.lineLevel)));
    refreshGeqGraph();
    updateStatus();
}

void OutputStrip::applyLanguage() {
    m_limiter->setText(ui::text("COMP", "限幅器"));
    m_mute->setText(ui::text("MUTE", "静音"));
    // Every delay code 0..200 has its entry, so a stored 200 (100.0 ms) can be shown and
    // chosen whatever the language.
    QStringList delays;
    for (const std::string& label : delayListLabels())
        delays << QString::fromStdString(label);
    m_delay->setItems(delays);
    m_delay->setSelection(record().delay);
}

void OutputStrip::refreshGeqGraph() {
    std::array<double, kGeqBands> gains{};
    for (int b = 0; b < kGeqBands; ++b)
        gains[static_cast<std::size_t>(b)] =
            eqGainDb(record().geq[static_cast<std::size_t>(b)].gain);
    m_graph->setGains(gains);
}

void OutputStrip::updateStatus() {
    const int level = meterDisplayValue(record().meter);
    m_meter->setValue(0, level);
    m_meter->setValue(1, level);
}

void OutputStrip::chooseDelay(int index) {
    record().delay = kDelayCodes.clamp(index);
    m_delay->setSelection(record().delay);
    if (online())
        m_commands.SendJ(m_channel + 1);
    const int delay = record().delay;
    propagate(
        LinkDelay, 'J', [&](int m) { m_image.outputs[static_cast<std::size_t>(m)].delay = delay; },
        [&](int m) { return BuildJ(m_image, m + 1); });
}

void OutputStrip::toggleMute() {
    record().mute = record().mute != 0 ? 0 : 1;
    m_mute->setState(record().mute != 0);
    emit overviewChanged(m_channel);
    emit readoutRequested(readoutChannel(), kReadoutMute);
    if (online())
        m_commands.SendA(wireChannel());
}

void OutputStrip::toggleFeedback() {
    record().outK = record().outK != 0 ? 0 : 1;
    m_feedback->setState(record().outK != 0);
    if (online())
        m_commands.SendK(m_channel + 1);
    const int value = record().outK;
    propagate(
        LinkFbk, 'K', [&](int m) { m_image.outputs[static_cast<std::size_t>(m)].outK = value; },
        [&](int m) { return BuildK(m_image, m + 1); });
}

void OutputStrip::toggleLineLevel() {
    record().lineLevel = record().lineLevel != 0 ? 0 : 1;
    m_line->setState(record().lineLevel != 0);
    m_line->setText(QString::fromStdString(lineLevelText(record().lineLevel)));
    if (online())
        m_commands.SendI(m_channel + 1);
    const int value = record().lineLevel;
    propagate(
        LinkLine, 'I',
        [&](int m) { m_image.outputs[static_cast<std::size_t>(m)].lineLevel = value; },
        [&](int m) { return BuildI(m_image, m + 1); });
}

void OutputStrip::storeFader(int code) {
    record().gain = code;
}

void OutputStrip::propagateFader(int code) {
    propagate(
        LinkVol, 'A',
        [&](int m) {
            m_image.outputs[static_cast<std::size_t>(m)].gain = code;
            emit overviewChanged(m);
        },
        [&](int m) { return BuildA(m_image, m + 21); });
}

void OutputStrip::resizeEvent(QResizeEvent* event) {
    ChannelStrip::resizeEvent(event);
    const int m = 6;
    const int w = width() - 2 * m;
    int y = layoutTop(m);
    channelLabel()->setGeometry(m, y, w, 22);
    y += 26;
    m_graph->setGeometry(m, y, w, 56);
    y += 60;
    m_limiter->setGeometry(m, y, w, 24);
    y += 30;

    int bottom = height() - 8;
    for (ui::ToggleButton* b : {m_line, m_feedback, m_mute}) {
        b->setGeometry(m, bottom - 24, w, 24);
        bottom -= 28;
    }
    m_delay->setGeometry(m, bottom - 24, w, 24);
    bottom -= 30;

    const int faderWidth = std::min(w - 34, 96);
    layoutFader(QRect(m, y, faderWidth, bottom - y), faderWidth);
    const QRect faderRect = fader()->geometry();
    m_meter->setGeometry(faderRect.right() + 4, faderRect.top(), std::min(30, w - faderWidth - 4),
                         faderRect.height());
}

} // namespace krm
