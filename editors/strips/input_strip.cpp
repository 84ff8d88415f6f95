#include "editors/strips/input_strip.h"

#include "dsp/channel_scales.h"
#include "editors/strips/peq_thumbnail.h"
#include "editors/strips/strip_rows.h"
#include "kit/drop_list.h"
#include "kit/fader.h"
#include "kit/kit_style.h"
#include "kit/level_meter.h"
#include "kit/parameter_binding.h"
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

InputStrip::InputStrip(EditService& edits, int channel, QWidget* parent)
    : ChannelStrip(edits, false, channel, parent),
      m_sourceCaption(new ui::TextLabel(QString(), this)), m_source(new ui::DropList(this)),
      m_gain(new ui::DropList(this)), m_graph(new PeqThumbnail(this)),
      m_comp(new ui::ToggleButton(QString(), this)), m_mute(new ui::ToggleButton(QString(), this)),
      m_priority(new ui::ToggleButton(QString(), this)),
      m_phantom(new ui::ToggleButton(QStringLiteral("48V"), this)),
      m_openState(new ui::ToggleButton(QString(), this)),
      m_lastHold(new ui::ToggleButton(QString(), this)), m_meter(new ui::LevelMeter(1, this)) {
    m_sourceCaption->setPixelSize(11);
    m_sourceCaption->setColor(ui::style::kTextDim);
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

    using ui::ParameterBinding;
    const Channel ch = channelRef();
    m_sourceBinding =
        bind(ParameterBinding::bindList(m_source, edits, Param(ParamKind::Source), ch),
             kReadoutNone, [this](const EditResult& r) {
                 if (r.refused())
                     refuseSource(r.holder);
             });
    m_gainBinding = bind(ParameterBinding::bindList(m_gain, edits, Param(ParamKind::InputGain), ch),
                         kReadoutNone);
    m_muteBinding = bind(ParameterBinding::bindToggle(m_mute, edits, Param(ParamKind::InMute), ch),
                         kReadoutMute);
    m_priorityBinding =
        bind(ParameterBinding::bindToggle(m_priority, edits, Param(ParamKind::Priority), ch),
             kReadoutNone);
    m_phantomBinding =
        bind(ParameterBinding::bindToggle(m_phantom, edits, Param(ParamKind::Phantom), ch),
             kReadoutNone);
    connect(m_comp, &ui::ToggleButton::clicked, this, [this] {
        clearReadout();
        emit editorRequested(m_channel, InputEditorKind::Dynamics);
    });
    connect(m_graph, &PeqThumbnail::clicked, this, [this] {
        clearReadout();
        emit editorRequested(m_channel, InputEditorKind::Peq);
    });

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
    m_meter->clearHolds(); // a held peak or clip belongs to the channel shown before
}

void InputStrip::refreshFromImage() {
    const InputChannel& in = record();
    refreshCommon(in.gain);
    loadBindings();
    m_graph->load(in, isMic());
    m_comp->setState(in.comp.enable != 0);
    updateStatus();
}

void InputStrip::applyLanguage() {
    m_sourceCaption->setText(ui::text("SIGNAL", "信号源"));
    QStringList sources;
    for (std::string_view label : sourceLabels()) {
        const std::string shown(label);
        sources << QString::fromStdString(
            ui::currentLanguage() == ui::Language::Chinese ? ValueWordsZh(shown) : shown);
    }
    const int source = m_source->selection();
    m_source->setItems(sources);
    m_source->setSelection(source);
    m_comp->setText(ui::text("COMP", "压缩器"));
    m_mute->setText(ui::text("MUTE", "静音"));
    m_priority->setText(ui::text("PRIORITY", "优先"));
    nameButton()->setToolTip(
        ui::text("Name this channel or copy its settings", "为本通道命名或复制其设置"));
    m_comp->setToolTip(
        ui::text("Open the compressor and gate of this channel", "打开本通道的压缩器和噪声门"));
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
    return !m_sourceBinding->choose(index).refused();
}

void InputStrip::refuseSource(int holder) {
    const QString name =
        QString::fromStdString(m_image.inputs[static_cast<std::size_t>(holder)].name.toUtf8());
    showMessage(
        ui::text("Dante input source already in use by %1", "已经设了Dante输入源（%1）").arg(name));
}

void InputStrip::chooseInputGain(int index) {
    m_gainBinding->choose(index);
}

void InputStrip::toggleMute() {
    m_muteBinding->toggle();
}

void InputStrip::togglePriority() {
    m_priorityBinding->toggle();
}

void InputStrip::togglePhantom() {
    m_phantomBinding->toggle(); // the line inputs have no phantom power: nothing happens
}

void InputStrip::resizeEvent(QResizeEvent* event) {
    ChannelStrip::resizeEvent(event);
    const StripRows r = StripRows::forHeight(height());
    const int m = 6;
    const int w = width() - 2 * m;
    int y = layoutTop(m);
    m_sourceCaption->setGeometry(m, y, w, r.caption);
    y += r.caption + 1;
    m_source->setGeometry(m, y, w, r.row);
    y += r.row + r.gap;
    m_gain->setGeometry(m, y, w, r.row);
    y += r.row + r.gap;
    m_graph->setGeometry(m, y, w, r.graph);
    y += r.graph + r.gap;
    for (ui::ToggleButton* b : {m_comp, m_mute, m_priority, m_phantom}) {
        b->setGeometry(m, y, w, r.row);
        y += r.row + r.gap;
    }
    m_openState->setGeometry(m, y, w, r.indicator);
    m_lastHold->setGeometry(m, y, w, r.indicator);
    y += r.indicator + r.gap;
    channelLabel()->setGeometry(m, y, w, r.label);
    y += r.label + r.gap + 2;

    // The fader takes what is left.
    const int faderWidth = std::min(w - 26, 96);
    const QRect area(m, y, faderWidth, height() - y - r.bottom);
    layoutFader(area, faderWidth);
    const QRect faderRect = fader()->geometry();
    m_meter->setGeometry(faderRect.right() + 4, faderRect.top(), std::min(22, w - faderWidth - 4),
                         faderRect.height());
}

namespace {
constexpr int kOpenSends = 32790;
constexpr int kOpenEffects = 32791;
} // namespace

std::vector<ui::PopupMenuItem> InputStrip::extraNameMenuItems() const {
    std::vector<ui::PopupMenuItem> items{{ui::text("AUX SENDS", "辅助发送"), kOpenSends}};
    if (m_channel == 16 || m_channel == 17)
        items.push_back({ui::text("EFFECTS", "效果"), kOpenEffects});
    return items;
}

void InputStrip::nameMenuCommand(int command) {
    if (command == kOpenSends)
        emit editorRequested(m_channel, InputEditorKind::AuxSends);
    else if (command == kOpenEffects)
        emit editorRequested(m_channel, InputEditorKind::Effects);
}

} // namespace krm
