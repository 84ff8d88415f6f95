#include "editors/strips/input_strip.h"

#include "dsp/channel_scales.h"
#include "editors/strips/peq_thumbnail.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/kit_style.h"
#include "kit/level_meter.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/frame_builders.h"

namespace krm {

namespace {

QStringList toQStrings(auto labels) {
    QStringList list;
    for (const auto& label : labels)
        list << QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    return list;
}

} // namespace

InputStrip::InputStrip(DeviceImage& image, CommandSet& commands, PacedSender& linked, int channel,
                       QWidget* parent)
    : ChannelStrip(image, commands, linked, channel, parent),
      m_sourceCaption(new ui::TextLabel(QString(), this)), m_source(new ui::DropList(this)),
      m_gain(new ui::DropList(this)), m_graph(new PeqThumbnail(this)),
      m_comp(new ui::ToggleButton(QString(), this)), m_mute(new ui::ToggleButton(QString(), this)),
      m_priority(new ui::ToggleButton(QString(), this)),
      m_phantom(new ui::ToggleButton(QStringLiteral("48V"), this)),
      m_openState(new ui::ToggleButton(QString(), this)),
      m_lastHold(new ui::ToggleButton(QString(), this)), m_meter(new ui::LevelMeter(1, this)) {
    m_sourceCaption->setPixelSize(11);
    m_sourceCaption->setColor(ui::style::kTextDim);
    m_source->setItems(toQStrings(sourceLabels()));
    m_source->setMaxDropHeight(5 * ui::DropList::kRowHeight);
    m_gain->setMaxDropHeight(4 * ui::DropList::kRowHeight);

    m_comp->setLitColor(ui::style::kLitBlue);
    m_mute->setLitColor(ui::style::kLitRed);
    m_priority->setLitColor(ui::style::kLitAmber);
    m_phantom->setLitColor(ui::style::kLitRed);
    m_openState->setLitColor(ui::style::kLitGreen);
    m_openState->setDisplayOnly(true);
    m_openState->setTextPixelSize(11);
    m_lastHold->setDisplayOnly(true);
    m_lastHold->setTextPixelSize(11);
    m_lastHold->hide(); // the input strip never shows the last-hold state
    m_meter->setRange(0, 60);

    connect(m_source, &ui::DropList::listSelected, this, [this](int, int i) { chooseSource(i); });
    connect(m_gain, &ui::DropList::listSelected, this, [this](int, int i) { chooseInputGain(i); });
    connect(m_mute, &ui::ToggleButton::clicked, this, &InputStrip::toggleMute);
    connect(m_priority, &ui::ToggleButton::clicked, this, &InputStrip::togglePriority);
    connect(m_phantom, &ui::ToggleButton::clicked, this, &InputStrip::togglePhantom);
    connect(m_comp, &ui::ToggleButton::clicked, this, [this] { openEditor(kOpenDynamics); });
    connect(m_graph, &PeqThumbnail::clicked, this, [this] { openEditor(kOpenPeq); });

    channelChanged();
    applyLanguage();
    refreshFromImage();
}

void InputStrip::channelChanged() {
    m_gain->setItems(toQStrings(inputGainLabels(m_channel)));
    const bool mic = isMic();
    m_comp->setVisible(mic);
    m_priority->setVisible(mic);
    m_phantom->setVisible(mic);
    m_openState->setVisible(mic);
    m_shownOpen = -1;
    m_shownHold = -1;
}

void InputStrip::refreshFromImage() {
    const InputChannel& in = record();
    refreshCommon(in.gain);
    m_source->setSelection(in.source);
    m_gain->setSelection(in.inputGain);
    m_graph->load(in, isMic());
    m_comp->setState(in.comp.enable != 0);
    m_mute->setState(in.mute != 0);
    m_priority->setState(in.autoMixPriority != 0);
    m_phantom->setState(in.phantom != 0);
    updateStatus();
}

void InputStrip::applyLanguage() {
    m_sourceCaption->setText(ui::text("SIGNAL", "信号源"));
    m_comp->setText(ui::text("COMP", "压缩器"));
    m_mute->setText(ui::text("MUTE", "静音"));
    m_priority->setText(ui::text("PRIORITY", "优先"));
    if (m_shownOpen >= 0)
        showOpenState(m_shownOpen != 0);
    if (m_shownHold >= 0)
        showLastHold(m_shownHold != 0);
}

void InputStrip::updateStatus() {
    const InputChannel& in = record();
    m_meter->setValue(0, meterDisplayValue(in.meter));
    if (!isMic())
        return;
    const bool open = in.autoMixOpen != 0 || in.autoMixLast != 0;
    if (m_shownOpen != static_cast<int>(open))
        showOpenState(open);
    const bool held = in.autoMixLast != 0;
    if (m_shownHold != static_cast<int>(held))
        showLastHold(held);
}

void InputStrip::showOpenState(bool open) {
    m_shownOpen = open ? 1 : 0;
    m_openState->setState(open);
    m_openState->setText(open ? ui::text("ACTIVE", "通道打开") : ui::text("WAITING", "通道关闭"));
}

void InputStrip::showLastHold(bool held) {
    m_shownHold = held ? 1 : 0;
    m_lastHold->setState(held);
    m_lastHold->setText(held ? ui::text("Last keep", "最后保持") : ui::text("NO", "无"));
}

bool InputStrip::chooseSource(int index) {
    const int source = kSourceCodes.clamp(index);
    if (source != 0) {
        for (int other = 0; other < kInputCount; ++other) {
            if (other != m_channel &&
                m_image.inputs[static_cast<std::size_t>(other)].source == source) {
                m_source->setSelection(record().source);
                showMessage(QString::fromUtf8("已经设了Dante输入源"));
                return false;
            }
        }
    }
    record().source = source;
    m_source->setSelection(source);
    if (online())
        m_commands.SendO(wireChannel());
    return true;
}

void InputStrip::chooseInputGain(int index) {
    record().inputGain = inputGainCodes(m_channel).clamp(index);
    m_gain->setSelection(record().inputGain);
    if (online())
        m_commands.SendO(wireChannel());
    const int step = record().inputGain;
    propagate(
        LinkGain, 'O',
        [&](int m) {
            m_image.inputs[static_cast<std::size_t>(m)].inputGain = inputGainCodes(m).clamp(step);
        },
        [&](int m) { return BuildO(m_image, m + 1); });
}

void InputStrip::toggleMute() {
    record().mute = record().mute != 0 ? 0 : 1;
    m_mute->setState(record().mute != 0);
    emit overviewChanged(m_channel);
    emit readoutRequested(readoutChannel(), kReadoutMute);
    if (online())
        m_commands.SendA(wireChannel());
}

void InputStrip::togglePriority() {
    record().autoMixPriority = record().autoMixPriority != 0 ? 0 : 1;
    m_priority->setState(record().autoMixPriority != 0);
    if (online())
        m_commands.SendL(wireChannel());
    const int value = record().autoMixPriority;
    propagate(
        LinkPriority, 'L',
        [&](int m) { m_image.inputs[static_cast<std::size_t>(m)].autoMixPriority = value; },
        [&](int m) { return BuildL(m_image, m + 1); });
}

void InputStrip::togglePhantom() {
    if (!isMic())
        return; // the line inputs have no phantom power
    record().phantom = record().phantom != 0 ? 0 : 1;
    m_phantom->setState(record().phantom != 0);
    if (online())
        m_commands.SendO(wireChannel());
    const int value = record().phantom;
    propagate(
        LinkPhantom, 'O',
        [&](int m) {
            if (IsMicInput(m))
                m_image.inputs[static_cast<std::size_t>(m)].phantom = value;
        },
        [&](int m) { return BuildO(m_image, m + 1); });
}

void InputStrip::storeFader(int code) {
    record().gain = code;
}

void InputStrip::propagateFader(int code) {
    propagate(
        LinkVol, 'A',
        [&](int m) {
            m_image.inputs[static_cast<std::size_t>(m)].gain = code;
            emit overviewChanged(m);
        },
        [&](int m) { return BuildA(m_image, m + 1); });
}

void InputStrip::resizeEvent(QResizeEvent* event) {
    ChannelStrip::resizeEvent(event);
    const int m = 6;
    const int w = width() - 2 * m;
    int y = layoutTop(m);
    m_sourceCaption->setGeometry(m, y, w, 16);
    y += 17;
    m_source->setGeometry(m, y, w, 24);
    y += 28;
    m_gain->setGeometry(m, y, w, 24);
    y += 28;
    m_graph->setGeometry(m, y, w, 56);
    y += 60;
    for (ui::ToggleButton* b : {m_comp, m_mute, m_priority, m_phantom}) {
        b->setGeometry(m, y, w, 24);
        y += 28;
    }
    m_openState->setGeometry(m, y, w, 20);
    m_lastHold->setGeometry(m, y, w, 20);
    y += 24;
    channelLabel()->setGeometry(m, y, w, 22);
    y += 28;

    const int faderWidth = std::min(w - 26, 96);
    const QRect area(m, y, faderWidth, height() - y - 8);
    layoutFader(area, faderWidth);
    const QRect faderRect = fader()->geometry();
    m_meter->setGeometry(faderRect.right() + 4, faderRect.top(), std::min(22, w - faderWidth - 4),
                         faderRect.height());
}

} // namespace krm
