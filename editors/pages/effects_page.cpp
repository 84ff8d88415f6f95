#include "editors/pages/effects_page.h"

#include "editors/pages/effects_levels.h"
#include "kit/kit_style.h"
#include "kit/level_meter.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace krm {

namespace {

struct KnobInfo {
    EffectsPage::Effect effect;
    ParamKind kind;
    int sub;
    int reset;
};

// clang-format off
constexpr std::array<KnobInfo, EffectsPage::KnobCount> kKnobs{{
    {EffectsPage::Reverb, ParamKind::FxTap,       0, 61},
    {EffectsPage::Reverb, ParamKind::FxTap,       1, 48},
    {EffectsPage::Reverb, ParamKind::FxTap,       2, 47},
    {EffectsPage::Reverb, ParamKind::FxTap,       3, 50},
    {EffectsPage::Reverb, ParamKind::FxRevTime,   0, 3},
    {EffectsPage::Reverb, ParamKind::FxRevLpf,    0, 20000},
    {EffectsPage::Delay,  ParamKind::FxPreDelay1, 0, 133},
    {EffectsPage::Delay,  ParamKind::FxPreDelay2, 0, 232},
    {EffectsPage::Delay,  ParamKind::FxFeedback,  0, 38},
    {EffectsPage::Delay,  ParamKind::FxDelayLpf,  0, 20000},
}};
// clang-format on

struct LevelInfo {
    EffectsPage::Effect effect;
    int record;
    bool second; // gain2/mute2/meter2 rather than gain/mute/meter
    TextPair caption;
};

// One effect's output reads "OUTPUT", the other's "OUPUT" (the device's own spelling).
const std::array<LevelInfo, EffectsPage::LevelCount> kLevels{{
    {EffectsPage::Reverb, kReverbReturn, true, {"INPUT", "输入"}},
    {EffectsPage::Reverb, kReverbReturn, false, {"OUTPUT", "输出"}},
    {EffectsPage::Delay, kDelayReturn, true, {"INPUT", "输入"}},
    {EffectsPage::Delay, kDelayReturn, false, {"OUPUT", "输出"}},
}};

const Parameter& knobParameter(int k) {
    const KnobInfo& info = kKnobs[static_cast<std::size_t>(k)];
    return Param(info.kind, info.sub);
}

const Parameter& levelParameter(const LevelInfo& info) {
    return Param(info.second ? ParamKind::InGain2 : ParamKind::InGain);
}

const Parameter& muteParameter(const LevelInfo& info) {
    return Param(info.second ? ParamKind::InMute2 : ParamKind::InMute);
}

int recordOf(EffectsPage::Effect effect) {
    return effect == EffectsPage::Reverb ? kReverbReturn : kDelayReturn;
}

constexpr int kMargin = 10;
constexpr int kTitleHeight = 30;
constexpr int kRowPitch = 36;
constexpr int kRowHeight = 24;
constexpr int kCaptionWidth = 90;
constexpr int kValueWidth = 76;
constexpr int kLevelWidth = 84;
constexpr int kMinListHeight = 90;

} // namespace

EffectsPage::EffectsPage(EditService& edits, std::function<ModulePresets*()> presets,
                         PresetListServices presetServices, QWidget* parent)
    : EditorPage(parent), m_edits(edits), m_presets(std::move(presets)),
      m_presetServices(std::move(presetServices)) {
    for (int e = 0; e < EffectCount; ++e) {
        auto* title = new ui::TextLabel(QString(), this);
        title->setPixelSize(18);
        title->setBold(true);
        m_titles[static_cast<std::size_t>(e)] = title;
        auto* reset = new ui::ToggleButton(QString(), this);
        m_reset[static_cast<std::size_t>(e)] = reset;
        connect(reset, &ui::ToggleButton::clicked, this,
                [this, e] { e == Reverb ? resetReverb() : resetDelay(); });
    }
    for (int k = 0; k < KnobCount; ++k) {
        KnobRow& row = m_knobs[static_cast<std::size_t>(k)];
        const Parameter& p = knobParameter(k);
        row.caption = new ui::TextLabel(QString(), this);
        row.caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.knob = new ui::Slider(Qt::Horizontal, this);
        row.knob->setRange(p.range.min, p.range.max);
        // A page step of about a twentieth of the range.
        row.knob->setPageStep(std::max(1, (p.range.max - p.range.min) / 20));
        row.value = new ui::TextLabel(QString(), this);
        row.value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row.value->setPlate(true);
        const auto knob = static_cast<Knob>(k);
        connect(row.knob, &ui::Slider::valueChanging, this,
                [this, knob](int, int v) { dragKnob(knob, v); });
        connect(row.knob, &ui::Slider::valueSet, this,
                [this, knob](int, int v) { releaseKnob(knob, v); });
    }
    for (int l = 0; l < LevelCount; ++l) {
        LevelColumn& col = m_levels[static_cast<std::size_t>(l)];
        col.caption = new ui::TextLabel(QString(), this);
        col.caption->setAlignment(Qt::AlignCenter);
        col.value = new ui::TextLabel(QString(), this);
        col.value->setAlignment(Qt::AlignCenter);
        col.value->setPlate(true);
        // Position 0 (+10 dB) at the top, -60 dB from 186 down.
        col.knob = new ui::Slider(Qt::Vertical, this);
        col.knob->setRange(0, kLevelPositions);
        col.knob->setPageStep(10);
        col.knob->setThumbSize(QSize(24, 14));
        col.meter = new ui::LevelMeter(1, this);
        col.meter->setRange(0, kLevelPositions);
        col.mute = new ui::ToggleButton(QString(), this);
        col.mute->setLitColor(ui::style::kLitRed);
        const auto level = static_cast<Level>(l);
        connect(col.knob, &ui::Slider::valueChanging, this,
                [this, level](int, int v) { moveLevel(level, v); });
        connect(col.knob, &ui::Slider::valueSet, this,
                [this, level](int, int v) { moveLevel(level, v); });
        connect(col.mute, &ui::ToggleButton::clicked, this, [this, level] { clickMute(level); });
    }
    m_meterTimer = new ui::TimerWhileShown(
        this, kMeterMs, [this] { tick(); }, ui::TimerWhileShown::OnShow::TickAtOnce);
    m_edits.addListener(this);
    applyLanguage();
    refresh();
}

EffectsPage::~EffectsPage() {
    m_edits.removeListener(this);
}

void EffectsPage::openFor(int) {
    if (!m_listsAsked) {
        m_listsAsked = true;
        createPresetLists();
        layoutControls();
    }
    refresh();
}

void EffectsPage::createPresetLists() {
    ModulePresets* store = m_presets ? m_presets() : nullptr;
    if (!store)
        return;
    // The reverb list answers with the first menu's commands, the delay list with the
    // second's, so that a command names its list.
    for (int e = 0; e < EffectCount; ++e) {
        const bool reverb = e == Reverb;
        auto* list = new PresetList(*store, reverb ? PresetTable::Reverb : PresetTable::Delay,
                                    reverb ? PresetList::Menu::A : PresetList::Menu::B,
                                    m_presetServices, this);
        list->setChannel(Channel::input(recordOf(static_cast<Effect>(e))));
        connect(list, &PresetList::recalled, this, [this](Channel) { refresh(); });
        list->show();
        m_lists[static_cast<std::size_t>(e)] = list;
    }
}

void EffectsPage::applyLanguage() {
    m_titles[Reverb]->setText(ui::text("Reverberation", "混响"));
    m_titles[Delay]->setText(ui::text("Delay", "延时"));
    for (ui::ToggleButton* reset : m_reset) {
        reset->setText(ui::text("RESET", "复位"));
        reset->setToolTip(
            ui::text("Set this effect back to its reset values", "将此效果恢复为复位值"));
    }
    for (int k = 0; k < KnobCount; ++k)
        m_knobs[static_cast<std::size_t>(k)].caption->setText(ui::text(knobParameter(k).label));
    for (int l = 0; l < LevelCount; ++l) {
        LevelColumn& col = m_levels[static_cast<std::size_t>(l)];
        col.caption->setText(ui::text(kLevels[static_cast<std::size_t>(l)].caption));
        col.mute->setText(ui::text("MUTE", "静音"));
        col.mute->setToolTip(ui::text("Mute or unmute this level", "静音或取消静音此电平"));
    }
}

QString EffectsPage::valueText(Knob k) const {
    return m_knobs[static_cast<std::size_t>(k)].value->text();
}

QString EffectsPage::captionText(Knob k) const {
    return m_knobs[static_cast<std::size_t>(k)].caption->text();
}

QString EffectsPage::levelText(Level l) const {
    return m_levels[static_cast<std::size_t>(l)].value->text();
}

QString EffectsPage::levelCaption(Level l) const {
    return m_levels[static_cast<std::size_t>(l)].caption->text();
}

void EffectsPage::refresh() {
    const DeviceImage& image = m_edits.image();
    for (int k = 0; k < KnobCount; ++k)
        m_knobs[static_cast<std::size_t>(k)].knob->setPosition(
            knobParameter(k).get(image, Channel::device()));
    for (int l = 0; l < LevelCount; ++l) {
        const LevelInfo& info = kLevels[static_cast<std::size_t>(l)];
        const Channel ch = Channel::input(info.record);
        LevelColumn& col = m_levels[static_cast<std::size_t>(l)];
        col.knob->setPosition(effectLevelPosition(levelParameter(info).get(image, ch)));
        col.mute->setState(muteParameter(info).get(image, ch) != 0);
    }
    updateTexts();
}

void EffectsPage::updateTexts() {
    const DeviceImage& image = m_edits.image();
    for (int k = 0; k < KnobCount; ++k) {
        const Parameter& p = knobParameter(k);
        // A dump or a file may hold a code outside the knob's range: it reads as the knob
        // stands, at the nearest end.
        const int code = p.range.clamp(p.get(image, Channel::device()));
        m_knobs[static_cast<std::size_t>(k)].value->setText(
            QString::fromStdString(ValueText(p, Channel::device(), code)));
    }
    for (int l = 0; l < LevelCount; ++l) {
        const LevelInfo& info = kLevels[static_cast<std::size_t>(l)];
        const Channel ch = Channel::input(info.record);
        const Parameter& p = levelParameter(info);
        m_levels[static_cast<std::size_t>(l)].value->setText(
            QString::fromStdString(ValueText(p, ch, p.range.clamp(p.get(image, ch)))));
    }
}

void EffectsPage::commit(const Parameter& p, Channel channel) {
    // The service tells every listener (the strips follow the return channel); this page
    // has already drawn the change and must not snap a knob back mid-drag.
    m_sending = true;
    m_edits.commitEffect(p, channel);
    m_sending = false;
}

void EffectsPage::dragKnob(Knob k, int position) {
    const Parameter& p = knobParameter(k);
    m_edits.store(p, Channel::device(), position);
    updateTexts();
    emit readoutRequested(recordOf(kKnobs[static_cast<std::size_t>(k)].effect), p.readoutKind);
}

void EffectsPage::releaseKnob(Knob k, int position) {
    dragKnob(k, position);
    commit(knobParameter(k), Channel::device());
}

void EffectsPage::moveLevel(Level l, int position) {
    const LevelInfo& info = kLevels[static_cast<std::size_t>(l)];
    const Parameter& p = levelParameter(info);
    m_edits.store(p, Channel::input(info.record), effectLevelCode(position));
    updateTexts();
    // Every step goes out, as a fader's does.
    commit(p, Channel::input(info.record));
    emit readoutRequested(info.record, p.readoutKind);
}

void EffectsPage::clickMute(Level l) {
    const LevelInfo& info = kLevels[static_cast<std::size_t>(l)];
    const Parameter& p = muteParameter(info);
    const Channel ch = Channel::input(info.record);
    m_edits.store(p, ch, p.get(m_edits.image(), ch) != 0 ? 0 : 1);
    m_levels[static_cast<std::size_t>(l)].mute->setState(p.get(m_edits.image(), ch) != 0);
    commit(p, ch);
}

void EffectsPage::reset(Effect effect) {
    std::vector<EditService::FieldValue> values;
    for (int k = 0; k < KnobCount; ++k) {
        const KnobInfo& info = kKnobs[static_cast<std::size_t>(k)];
        if (info.effect == effect)
            values.push_back({&knobParameter(k), Channel::device(), info.reset});
    }
    const TextPair module =
        effect == Reverb ? TextPair{"REVERB", "混响"} : TextPair{"DELAY", "延时"};
    // The service's listeners include this page, which redraws from the image.
    m_edits.resetEffect(
        values, CommandStepName({"RESET", "复位"}, module, m_edits.image(), Channel::device()));
}

void EffectsPage::resetReverb() {
    reset(Reverb);
}

void EffectsPage::resetDelay() {
    reset(Delay);
}

void EffectsPage::tick() {
    const DeviceImage& image = m_edits.image();
    for (int l = 0; l < LevelCount; ++l) {
        const LevelInfo& info = kLevels[static_cast<std::size_t>(l)];
        const InputChannel& in = image.inputs[static_cast<std::size_t>(info.record)];
        const double bar = effectMeterBar(effectMeterLevel(info.second ? in.meter2 : in.meter));
        m_levels[static_cast<std::size_t>(l)].meter->setValue(0, static_cast<int>(bar));
    }
}

void EffectsPage::edited(const Parameter*, const std::vector<Channel>& channels) {
    if (m_sending)
        return;
    for (const Channel& c : channels)
        if (c.side == Side::Device ||
            (c.isInput() && (c.index == kDelayReturn || c.index == kReverbReturn))) {
            // The readout's typed entry, a recall, a strip's fader or mute of a return.
            refresh();
            return;
        }
}

void EffectsPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutControls();
}

void EffectsPage::layoutControls() {
    // The reverb on the left half, the delay on the right.
    const int half = width() / 2;
    layoutEffect(Reverb, QRect(0, 0, half, height()));
    layoutEffect(Delay, QRect(half, 0, width() - half, height()));
}

void EffectsPage::layoutEffect(Effect effect, const QRect& area) {
    // Title and RESET on top; the knobs in rows below them with the preset list under the
    // knobs; the INPUT and OUTPUT columns (caption, value, level knob beside its meter,
    // MUTE) at the right edge.
    const int e = static_cast<int>(effect);
    const int x = area.x() + kMargin;
    const int levelsX = area.right() - kMargin - 2 * kLevelWidth + 1;
    const int knobsRight = levelsX - kMargin;
    m_titles[static_cast<std::size_t>(e)]->setGeometry(x, kMargin, 200, kTitleHeight);
    m_reset[static_cast<std::size_t>(e)]->setGeometry(knobsRight - 90, kMargin, 90, 26);

    const int first = effect == Reverb ? Tap1 : PreDelay1;
    const int last = effect == Reverb ? RevLpf : DelayLpf;
    int y = kMargin + kTitleHeight + 14;
    const int knobWidth = std::max(60, knobsRight - x - kCaptionWidth - kValueWidth - 12);
    for (int k = first; k <= last; ++k) {
        KnobRow& row = m_knobs[static_cast<std::size_t>(k)];
        row.caption->setGeometry(x, y, kCaptionWidth, kRowHeight);
        row.knob->setGeometry(x + kCaptionWidth + 6, y, knobWidth, kRowHeight);
        row.value->setGeometry(x + kCaptionWidth + knobWidth + 12, y, kValueWidth, kRowHeight);
        y += kRowPitch;
    }
    if (PresetList* list = m_lists[static_cast<std::size_t>(e)]) {
        const int top = y + 6;
        list->setGeometry(x, top, std::min(260, knobsRight - x),
                          std::max(kMinListHeight, area.bottom() - kMargin - top));
    }

    const int valueY = kMargin + kTitleHeight + 14;
    const int knobTop = valueY + 30;
    const int muteY = area.bottom() - kMargin - 26;
    const int knobHeight = std::max(80, muteY - 10 - knobTop);
    for (int side = 0; side < 2; ++side) {
        LevelColumn& col = m_levels[static_cast<std::size_t>(effect == Reverb ? ReverbInput + side
                                                                              : DelayInput + side)];
        const int cx = levelsX + side * kLevelWidth;
        col.caption->setGeometry(cx, kMargin, kLevelWidth - 6, kTitleHeight);
        col.value->setGeometry(cx + 4, valueY, kLevelWidth - 14, kRowHeight);
        col.knob->setGeometry(cx + 4, knobTop, 30, knobHeight);
        col.meter->setGeometry(cx + 40, knobTop, 30, knobHeight);
        col.mute->setGeometry(cx + 4, muteY, kLevelWidth - 14, 26);
    }
}

void EffectsPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
    // A rule between the two effects.
    p.setPen(ui::style::kPanelLight);
    p.drawLine(width() / 2, kMargin, width() / 2, height() - kMargin);
}

} // namespace krm
