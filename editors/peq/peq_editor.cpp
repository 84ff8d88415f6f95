#include "editors/peq/peq_editor.h"

#include "dsp/eq_scales.h"
#include "kit/drop_list.h"
#include "kit/kit_style.h"
#include "kit/parameter_binding.h"
#include "kit/response_graph_widget.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/timer_while_shown.h"
#include "kit/toggle_button.h"

#include <QPainter>

#include <algorithm>

namespace krm {

namespace {

constexpr Millis kModulePause{20};      // after each frame of RESET / BYPASS
constexpr Millis kMemberPause{10};      // before a linked member's frames
constexpr Millis kMemberFramePause{50}; // after each of a linked member's frames

ui::ParameterBinding::Mapping frequencyMapping() {
    return {[](int code) { return knobFromFrequency(code); },
            [](int position) { return frequencyFromKnob(position); }};
}

ui::ParameterBinding::Mapping qMapping() {
    return {[](int code) { return qKnobFromCode(code); },
            [](int position) { return qCodeFromKnob(position); }};
}

ui::ParameterBinding::Mapping slopeMapping() {
    return {[](int code) { return slopeListIndexFromCode(code); },
            [](int index) { return slopeCodeFromListIndex(index); }};
}

ui::Slider* makeKnob(QWidget* parent, CodeRange positions) {
    auto* knob = new ui::Slider(Qt::Horizontal, parent);
    knob->setRange(positions.min, positions.max);
    knob->setPageStep(10);
    return knob;
}

ui::TextLabel* makeValueLabel(QWidget* parent) {
    auto* label = new ui::TextLabel(QString(), parent);
    label->setPixelSize(11);
    label->setAlignment(Qt::AlignCenter);
    label->setColor(ui::style::kTextDim);
    return label;
}

} // namespace

PeqEditor::PeqEditor(EditService& edits, Clock& clock, std::function<ModulePresets*()> presets,
                     PresetListServices presetServices, QWidget* parent)
    : EditorPage(parent), m_edits(edits), m_presets(std::move(presets)),
      m_presetServices(std::move(presetServices)),
      m_markers(edits, clock, [this](int slot, ui::MarkerSend::Moment) { sendMarker(slot); }),
      m_title(new ui::TextLabel(QString(), this)),
      m_bypassButton(new ui::ToggleButton(QString(), this)),
      m_resetButton(new ui::ToggleButton(QString(), this)),
      m_polarButton(new ui::ToggleButton(QString(), this)),
      m_graph(new ui::ResponseGraphWidget(this)), m_lowShelf(new ui::ToggleButton(QString(), this)),
      m_highShelf(new ui::ToggleButton(QString(), this)) {
    m_title->setPixelSize(16);
    m_title->setBold(true);
    m_bypassButton->setLitColor(ui::style::kLitAmber);
    m_polarButton->hide();
    m_lowShelf->setLitColor(ui::style::kLitBlue);
    m_highShelf->setLitColor(ui::style::kLitBlue);
    m_lowShelf->setTextPixelSize(11);
    m_highShelf->setTextPixelSize(11);

    ResponseGraph& g = m_graph->graph();
    g.setPlotMode(kPlotFrequencyResponse);
    g.setFramed(true);
    g.setAxes(AxisRanges{20.0, 20000.0, -15.0, 15.0});
    connect(m_graph, &ui::ResponseGraphWidget::markerMoving, this,
            [this](int slot, double x, double y) { moveMarker(slot, x, y, true); });
    connect(m_graph, &ui::ResponseGraphWidget::markerReleased, this,
            [this](int slot, double x, double y) { moveMarker(slot, x, y, false); });
    connect(m_graph, &ui::ResponseGraphWidget::markerDoubleClicked, this,
            &PeqEditor::doubleClickMarker);

    for (auto*& caption : m_rowCaptions) {
        caption = new ui::TextLabel(QString(), this);
        caption->setPixelSize(12);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int band = 0; band < kBandColumns; ++band)
        buildColumn(band);
    buildFilter(false);
    buildFilter(true);

    connect(m_lowShelf, &ui::ToggleButton::clicked, this, [this] { toggleShelf(0); });
    connect(m_highShelf, &ui::ToggleButton::clicked, this, [this] { toggleShelf(3); });
    connect(m_bypassButton, &ui::ToggleButton::clicked, this, &PeqEditor::pressBypass);
    connect(m_resetButton, &ui::ToggleButton::clicked, this, &PeqEditor::pressReset);

    new ui::TimerWhileShown(this, kTimerMs, [this] { tick(); });
    m_edits.addListener(this);

    applyLanguage();
    refresh();
}

PeqEditor::~PeqEditor() {
    m_edits.removeListener(this);
}

ui::ParameterBinding* PeqEditor::bind(ui::ParameterBinding* binding) {
    const int readout = binding->parameter().readoutKind;
    // Dragging a knob only stores: the graph and texts follow here. A sent change also
    // reaches refresh() through the edit service's listeners.
    binding->setOnEdited([this, readout](const EditResult&) {
        if (readout > 0)
            showReadout(readout);
        refreshGraph();
        refreshValues();
    });
    m_bindings.push_back(binding);
    return binding;
}

void PeqEditor::buildColumn(int band) {
    using ui::ParameterBinding;
    Column& c = m_columns[idx(band)];
    c.header = new ui::TextLabel(QString(), this);
    c.header->setPixelSize(12);
    c.header->setBold(true);
    c.gain = makeKnob(this, kEqGainCodes);
    c.freq = makeKnob(this, kFrequencyKnob);
    c.q = makeKnob(this, kQKnob);
    for (auto*& v : c.values)
        v = makeValueLabel(this);
    const Channel ch = channelRef();
    c.bindings[0] =
        bind(ParameterBinding::bindSlider(c.gain, m_edits, Param(ParamKind::PeqGain, band), ch));
    c.bindings[1] = bind(ParameterBinding::bindSlider(
        c.freq, m_edits, Param(ParamKind::PeqFreq, band), ch, frequencyMapping()));
    c.bindings[2] = bind(
        ParameterBinding::bindSlider(c.q, m_edits, Param(ParamKind::PeqQ, band), ch, qMapping()));
    if (band >= kPeqLiveBands) {
        // Band 5 belongs to the channel but the page neither shows nor changes it.
        c.header->hide();
        for (QWidget* w : {static_cast<QWidget*>(c.gain), static_cast<QWidget*>(c.freq),
                           static_cast<QWidget*>(c.q)})
            w->hide();
        for (auto* v : c.values)
            v->hide();
    }
}

void PeqEditor::buildFilter(bool lowPass) {
    using ui::ParameterBinding;
    FilterBlock& f = m_filters[lowPass ? 1 : 0];
    f.button = new ui::ToggleButton(QString(), this);
    f.button->setLitColor(ui::style::kLitGreen);
    f.freq = makeKnob(this, kFrequencyKnob);
    f.freq->setPosition(lowPass ? kFrequencyKnob.max : kFrequencyKnob.min);
    f.value = makeValueLabel(this);
    f.slope = new ui::DropList(this);
    QStringList slopes;
    for (std::string_view s : slopeLabels())
        slopes << QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
    f.slope->setItems(slopes);
    f.slope->setMaxDropHeight(7 * ui::DropList::kRowHeight);
    const Channel ch = channelRef();
    f.enableBinding = bind(ParameterBinding::bindToggle(
        f.button, m_edits, Param(lowPass ? ParamKind::LpfEnable : ParamKind::HpfEnable), ch));
    f.freqBinding = bind(ParameterBinding::bindSlider(
        f.freq, m_edits, Param(lowPass ? ParamKind::LpfFreq : ParamKind::HpfFreq), ch,
        frequencyMapping()));
    f.slopeBinding = bind(ParameterBinding::bindList(
        f.slope, m_edits, Param(lowPass ? ParamKind::LpfSlope : ParamKind::HpfSlope), ch,
        slopeMapping()));
}

void PeqEditor::openFor(int channel) {
    m_channel = std::clamp(channel, 0, kInputCount - 1);
    m_markers.cancel(); // a drag of the previous channel ends here
    for (ui::ParameterBinding* b : m_bindings)
        b->setChannel(channelRef());
    ensurePresetList();
    if (m_presetList)
        m_presetList->setChannel(channelRef());
    show();
    refresh();
    resizeEvent(nullptr);
}

void PeqEditor::ensurePresetList() {
    if (m_presetList || !m_presets)
        return;
    ModulePresets* presets = m_presets();
    if (!presets)
        return;
    m_presetList =
        new PresetList(*presets, PresetTable::Peq, PresetList::Menu::A, m_presetServices, this);
    connect(m_presetList, &PresetList::recalled, this, [this](Channel) { refresh(); });
    m_presetList->show();
}

void PeqEditor::refresh() {
    if (m_refreshing)
        return;
    m_refreshing = true;
    const InputChannel& in = m_edits.image().inputs[idx(m_channel)];
    for (ui::ParameterBinding* b : m_bindings)
        b->load();
    m_lowShelf->setState(in.peq[0].type >= 1);
    m_highShelf->setState(in.peq[3].type >= 1);
    const bool filters = hasFilters();
    for (int i = 0; i < 2; ++i) {
        const FilterBlock& f = m_filters[idx(i)];
        const bool on = (i == 0 ? in.hpf.enable : in.lpf.enable) != 0;
        f.freq->setEnabled(on);
        for (QWidget* w : {static_cast<QWidget*>(f.button), static_cast<QWidget*>(f.freq),
                           static_cast<QWidget*>(f.value), static_cast<QWidget*>(f.slope)})
            w->setVisible(filters);
    }
    m_bypassButton->setState(bypassed());
    refreshValues();
    refreshGraph();
    m_refreshing = false;
}

void PeqEditor::refreshGraph() {
    const InputChannel& in = m_edits.image().inputs[idx(m_channel)];
    ResponseGraph& g = m_graph->graph();
    for (int b = 0; b < kPeqLiveBands; ++b) {
        const PeqBand& band = in.peq[idx(b)];
        g.setEqBand(b, band.freq, band.gain, band.q, band.type);
    }
    g.setPassFilter(kHighPassSlot, kSlotHighPass, in.hpf.enable, in.hpf.freq, in.hpf.slope);
    g.setPassFilter(kLowPassSlot, kSlotLowPass, in.lpf.enable, in.lpf.freq, in.lpf.slope);
    g.setSlotCount(hasFilters() ? 6 : 4);
    m_graph->refresh();
}

void PeqEditor::refreshValues() {
    const Channel ch = channelRef();
    const DeviceImage& image = m_edits.image();
    auto show = [&](ui::TextLabel* label, const Parameter& p) {
        label->setText(QString::fromStdString(ValueText(p, ch, p.get(image, ch))));
    };
    for (int b = 0; b < kPeqLiveBands; ++b) {
        const Column& c = m_columns[idx(b)];
        show(c.values[0], Param(ParamKind::PeqGain, b));
        show(c.values[1], Param(ParamKind::PeqFreq, b));
        show(c.values[2], Param(ParamKind::PeqQ, b));
    }
    show(m_filters[0].value, Param(ParamKind::HpfFreq));
    show(m_filters[1].value, Param(ParamKind::LpfFreq));
}

void PeqEditor::showReadout(int kind) {
    emit readoutRequested(m_channel, kind);
}

void PeqEditor::storeMarker(int slot, double freqHz, double gainDb) {
    // The service copies the band (or filter) to the EQ-linked members with it.
    const int freq = frequencyFromGraph(freqHz);
    const Channel ch = channelRef();
    if (slot < kPeqLiveBands) {
        m_edits.store(Param(ParamKind::PeqFreq, slot), ch, freq);
        m_edits.store(Param(ParamKind::PeqGain, slot), ch, eqGainCodeFromDb(gainDb));
    } else {
        m_edits.store(Param(slot == kHighPassSlot ? ParamKind::HpfFreq : ParamKind::LpfFreq), ch,
                      freq);
    }
    showReadout(slot < kPeqLiveBands    ? kReadoutBandMarker + slot
                : slot == kHighPassSlot ? kReadoutHighPassMarker
                                        : kReadoutLowPassMarker);
    refresh();
}

void PeqEditor::sendMarker(int slot) {
    // The band's frame carries every field of the band; the filter's every field of the
    // filter. The members take them all with it.
    const Parameter& p = slot < kPeqLiveBands    ? Param(ParamKind::PeqGain, slot)
                         : slot == kHighPassSlot ? Param(ParamKind::HpfFreq)
                                                 : Param(ParamKind::LpfFreq);
    m_edits.commit(p, channelRef());
}

void PeqEditor::moveMarker(int slot, double freqHz, double gainDb, bool dragging) {
    if (slot < 0 || slot >= m_graph->graph().slotCount())
        return;
    storeMarker(slot, freqHz, gainDb);
    if (dragging)
        m_markers.moved(slot);
    else
        m_markers.released(slot);
}

void PeqEditor::doubleClickMarker(int slot, double freqHz, double gainDb) {
    if (slot < 0 || slot >= m_graph->graph().slotCount())
        return;
    storeMarker(slot, freqHz, gainDb);
    sendMarker(slot);
}

void PeqEditor::toggleShelf(int band) {
    // Band 1 switches between peaking and low shelf, band 4 between peaking and high shelf.
    const Parameter& p = Param(ParamKind::PeqType, band);
    const int shelf = band == 0 ? 1 : 2;
    m_edits.set(p, channelRef(), p.get(m_edits.image(), channelRef()) >= 1 ? 0 : shelf);
    refresh();
}

void PeqEditor::playModule(bool bypass) {
    EditService::ModuleEdit edit;
    edit.link = LinkEq;
    edit.copy = CopyPeqModule;
    edit.frames = bypass ? PeqBypassFrames : PeqResetFrames;
    edit.pause = kModulePause;
    edit.memberPause = kMemberPause;
    edit.memberFramePause = kMemberFramePause;
    edit.name = CommandStepName(bypass ? TextPair{"BYPASS", "旁通"} : TextPair{"RESET", "复位"},
                                {"PEQ", "PEQ"}, m_edits.image(), channelRef());
    m_edits.commitModuleEdit(channelRef(), edit);
    refresh();
}

void PeqEditor::pressReset() {
    ResetPeqModule(m_edits.image().inputs[idx(m_channel)]);
    playModule(false);
}

void PeqEditor::pressBypass() {
    m_bypass.toggle(m_edits.image().inputs[idx(m_channel)], m_channel);
    playModule(true);
}

void PeqEditor::edited(const Parameter*, const std::vector<Channel>& channels) {
    if (std::find(channels.begin(), channels.end(), channelRef()) != channels.end())
        refresh();
}

void PeqEditor::applyLanguage() {
    m_title->setText(ui::text("PEG", "参量均衡"));
    m_bypassButton->setText(ui::text("BYPASS", "直通"));
    m_resetButton->setText(ui::text("RESET", "复位"));
    m_polarButton->setText(ui::text("POLAR", "极性"));
    m_rowCaptions[0]->setText(ui::text("GAIN", "增益"));
    m_rowCaptions[1]->setText(ui::text("FREQUENCY", "频率"));
    m_rowCaptions[2]->setText(ui::text("Q", "Q值"));
    for (int b = 0; b < kBandColumns; ++b)
        m_columns[idx(b)].header->setText(ui::text("BAND %1", "频段 %1").arg(b + 1));
    m_lowShelf->setText(ui::text("LOW SHELF", "低架"));
    m_highShelf->setText(ui::text("HIGH SHELF", "高架"));
    m_bypassButton->setToolTip(
        ui::text("Let the signal pass without the equaliser", "信号不经均衡器直接通过"));
    m_resetButton->setToolTip(ui::text("Set every band back to flat", "将所有频段恢复为平直"));
    m_lowShelf->setToolTip(ui::text("Make the first band a low shelf", "将第一频段设为低架"));
    m_highShelf->setToolTip(ui::text("Make the last band a high shelf", "将最后频段设为高架"));
    m_filters[0].button->setText(ui::text("HPF", "高通"));
    m_filters[1].button->setText(ui::text("LPF", "低通"));
    if (m_presetList)
        m_presetList->refill();
}

void PeqEditor::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
}

void PeqEditor::resizeEvent(QResizeEvent* event) {
    if (event)
        EditorPage::resizeEvent(event);
    const int m = 8;
    const int w = width();
    const int h = height();

    // Top row: title, BYPASS, RESET (and the hidden POLAR).
    const int rowH = 26;
    m_title->setGeometry(m, m, 120, rowH);
    m_bypassButton->setGeometry(m + 128, m, 90, rowH);
    m_resetButton->setGeometry(m + 226, m, 90, rowH);
    m_polarButton->setGeometry(m + 324, m, 90, rowH);

    // The graph takes the width left of the preset list and about half of the height.
    const int listW = m_presetList ? std::min(180, w / 5) : 0;
    const int graphTop = m + rowH + 8;
    const int graphH = std::max(160, (h - graphTop) * 11 / 20);
    const int graphW = w - 2 * m - (listW > 0 ? listW + m : 0);
    m_graph->setGeometry(m, graphTop, graphW, graphH);
    if (m_presetList)
        m_presetList->setGeometry(w - m - listW, m, listW, graphTop + graphH - m);

    // Below: the row captions, four band columns and, on CH1..CH16, the filter block.
    int y = graphTop + graphH + 10;
    const int captionW = 84;
    const bool filters = hasFilters();
    const int filterW = filters ? std::min(300, (w - 2 * m - captionW) * 2 / 6) : 0;
    const int colW = (w - 2 * m - captionW - filterW) / kPeqLiveBands;
    const int headerH = 22;
    const int knobH = 22;
    const int valueH = 16;
    const int rowStep = knobH + valueH + 6;
    const int rowsTop = y + headerH + 4;
    for (int r = 0; r < 3; ++r)
        m_rowCaptions[idx(r)]->setGeometry(m, rowsTop + r * rowStep, captionW - 8, knobH);
    for (int b = 0; b < kBandColumns; ++b) {
        const Column& c = m_columns[idx(b)];
        const int x = m + captionW + b * colW;
        const int cw = colW - 10;
        c.header->setGeometry(x, y, cw / 2, headerH);
        ui::Slider* knobs[] = {c.gain, c.freq, c.q};
        for (int r = 0; r < 3; ++r) {
            knobs[r]->setGeometry(x, rowsTop + r * rowStep, cw, knobH);
            c.values[idx(r)]->setGeometry(x, rowsTop + r * rowStep + knobH, cw, valueH);
        }
    }
    const int shelfW = std::min(96, colW / 2);
    m_lowShelf->setGeometry(m + captionW + colW - 10 - shelfW, y, shelfW, headerH);
    m_highShelf->setGeometry(m + captionW + 4 * colW - 10 - shelfW, y, shelfW, headerH);

    const int fx = m + captionW + kPeqLiveBands * colW + 6;
    const int fw = filterW / 2 - 8;
    for (int i = 0; i < 2; ++i) {
        const FilterBlock& f = m_filters[idx(i)];
        const int x = fx + i * (filterW / 2);
        f.button->setGeometry(x, y, fw, headerH + 2);
        f.freq->setGeometry(x, rowsTop, fw, knobH);
        f.value->setGeometry(x, rowsTop + knobH, fw, valueH);
        f.slope->setGeometry(x, rowsTop + rowStep, fw, knobH);
    }
}

} // namespace krm
