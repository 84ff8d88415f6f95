#include "editors/geq/geq_editor.h"

#include "dsp/eq_scales.h"
#include "dsp/response_graph.h"
#include "kit/kit_style.h"
#include "kit/parameter_binding.h"
#include "kit/response_graph_widget.h"
#include "kit/texts.h"
#include "kit/timer_while_shown.h"
#include "kit/toggle_button.h"
#include "model/parameter_frames.h"

#include <QPainter>

#include <array>

namespace krm {

namespace {

// Third-octave band centres as the bars are captioned, band 1 first.
constexpr std::array<const char*, kGeqBands> kBandLabels = {
    "20",   "25",  "31.5", "40",  "50",  "63",  "80",   "100",  "125", "160", "200",
    "250",  "315", "400",  "500", "630", "800", "1k",   "1k25", "1k6", "2k",  "2k5",
    "3k15", "4k",  "5k",   "6k3", "8k",  "10k", "12k5", "16k",  "20k"};

// The page's geometry, in pixels of the editor area.
constexpr int kTop = 10;
constexpr int kButtonW = 96;
constexpr int kButtonH = 28;
constexpr int kGeqX = 20;
constexpr int kResetX = 130;
constexpr int kDrawFromRight = 200;
constexpr int kGraphX = 5;
constexpr int kGraphY = 50;
constexpr int kBottomGap = 20;
constexpr int kPresetW = 160;
constexpr int kPresetGap = 8;

// After a change the device needs a moment between one output's frame and the next.
constexpr Millis kBetweenOutputs{10};

const Parameter& bandParam(int band) {
    return Param(ParamKind::GeqGain, band);
}

void copyBands(DeviceImage& image, Channel from, Channel to) {
    for (int b = 0; b < kGeqBands; ++b)
        bandParam(b).set(image, to, bandParam(b).get(image, from));
}

} // namespace

GeqEditor::GeqEditor(EditService& edits, Clock& clock, std::function<ModulePresets*()> presets,
                     PresetListServices presetServices, QWidget* parent)
    : EditorPage(parent), m_edits(edits),
      m_markers(edits, clock,
                [this](int band, ui::MarkerSend::Moment moment) { sendBand(band, moment); }),
      m_presets(std::move(presets)), m_presetServices(std::move(presetServices)),
      m_graph(new ui::ResponseGraphWidget(this)),
      m_geqButton(new ui::ToggleButton(QStringLiteral("GEQ"), this)),
      m_resetButton(new ui::ToggleButton(QString(), this)),
      m_drawButton(new ui::ToggleButton(QString(), this)) {
    setObjectName(QStringLiteral("geqEditor"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ui::style::kWindow);
    setPalette(pal);

    ResponseGraph& g = m_graph->graph();
    g.setPlotMode(kPlotGraphicEq);
    g.setFramed(true);
    g.setSlotCount(kGeqBands);
    g.setAxes(AxisRanges{0.0, kGeqBands + 1.0, -15.0, 15.0});
    m_graph->setSlotCurvesVisible(false);

    m_geqButton->setObjectName(QStringLiteral("geqSwitch"));
    m_geqButton->setLitColor(ui::style::kLitGreen);
    m_resetButton->setObjectName(QStringLiteral("geqReset"));
    m_drawButton->setObjectName(QStringLiteral("geqDraw"));
    m_drawButton->setLitColor(ui::style::kLitAmber);

    m_geqBinding = ui::ParameterBinding::bindToggle(m_geqButton, m_edits,
                                                    Param(ParamKind::GeqEnable), channel());
    m_geqBinding->setOnEdited([this](const EditResult&) { showSwitch(); });
    connect(m_resetButton, &ui::ToggleButton::clicked, this, [this](int) { reset(); });
    connect(m_drawButton, &ui::ToggleButton::clicked, this,
            [this](int) { setDrawMode(!m_drawMode); });

    connect(m_graph, &ui::ResponseGraphWidget::markerMoving, this,
            [this](int slot, double, double y) { markerMoving(slot, y); });
    connect(m_graph, &ui::ResponseGraphWidget::markerReleased, this,
            [this](int slot, double, double y) { markerReleased(slot, y); });
    connect(m_graph, &ui::ResponseGraphWidget::markerDoubleClicked, this,
            [this](int slot, double, double) { markerDoubleClicked(slot); });
    connect(m_graph, &ui::ResponseGraphWidget::bandDrawn, this,
            [this](int slot, double y) { bandDrawn(slot, y); });
    connect(m_graph, &ui::ResponseGraphWidget::strokeEnded, this, [this] { strokeEnded(); });

    new ui::TimerWhileShown(this, kTimerMs, [this] { tick(); });

    applyLanguage();
    reload();
}

void GeqEditor::openFor(int output) {
    if (output < 0 || output >= kOutputCount)
        return;
    m_markers.cancel(); // nothing of another output stays pending
    m_stroke.reset();
    m_output = output;
    m_geqBinding->setChannel(channel());
    ensurePresetList();
    if (m_presetList)
        m_presetList->setChannel(channel());
    reload();
    show();
}

void GeqEditor::applyLanguage() {
    m_resetButton->setText(ui::text("RESET", "复位"));
    m_drawButton->setText(ui::text("DRAW", "画"));
    m_resetButton->setToolTip(ui::text("Set every band back to 0 dB", "将所有频段恢复为0 dB"));
    m_drawButton->setToolTip(
        ui::text("Draw the curve across the bands with the mouse", "用鼠标在各频段上画出曲线"));
    QStringList labels;
    for (const char* l : kBandLabels)
        labels << QString::fromLatin1(l);
    m_graph->setBarLabels(labels);
    m_graph->update();
}

void GeqEditor::reload() {
    ResponseGraph& g = m_graph->graph();
    const DeviceImage& image = m_edits.image();
    for (int b = 0; b < kGeqBands; ++b) {
        GraphSlot& s = g.slot(b);
        s.kind = kSlotEqBand;
        s.gainDb = eqGainDb(bandParam(b).get(image, channel()));
    }
    m_geqBinding->load();
    m_drawButton->setState(m_drawMode);
    showSwitch();
    m_graph->refresh();
}

void GeqEditor::showSwitch() {
    m_graph->setSwitchedOff(Param(ParamKind::GeqEnable).get(m_edits.image(), channel()) == 0);
}

void GeqEditor::setDrawMode(bool on) {
    m_drawMode = on;
    m_graph->setFreehand(on);
    m_drawButton->setState(on);
}

bool GeqEditor::storeBand(int band, double gainDb) {
    if (band < 0 || band >= kGeqBands)
        return false;
    const bool changed = m_edits.store(bandParam(band), channel(), eqGainCodeFromDb(gainDb));
    showReadout(band);
    return changed;
}

void GeqEditor::markerMoving(int band, double gainDb) {
    storeBand(band, gainDb);
    if (!m_markers.moved(band))
        sendOwnFrame(false);
}

void GeqEditor::markerReleased(int band, double gainDb) {
    if (band < 0 || band >= kGeqBands) {
        m_markers.cancel();
        return;
    }
    storeBand(band, gainDb);
    m_markers.released(band);
}

void GeqEditor::sendBand(int band, ui::MarkerSend::Moment moment) {
    // While the drag moves only this output's frame goes out; its last value goes out at
    // once, and then the linked outputs take the band.
    if (moment == ui::MarkerSend::Moment::Drag)
        sendOwnFrame(true);
    else
        m_edits.commit(bandParam(band), channel());
}

void GeqEditor::markerDoubleClicked(int band) {
    if (band < 0 || band >= kGeqBands)
        return;
    m_graph->graph().slot(band).gainDb = 0.0;
    m_graph->refresh();
    m_edits.set(bandParam(band), channel(), kEqGainZeroCode);
    showReadout(band);
}

void GeqEditor::bandDrawn(int band, double gainDb) {
    // A stroke is one undo step, from its first band to its end.
    if (!m_stroke)
        m_stroke = std::make_unique<EditService::StepScope>(m_edits);
    storeBand(band, gainDb);
    // Every band a stroke changes goes out at once; the linked outputs wait for its end.
    sendOwnFrame(true);
}

void GeqEditor::strokeEnded() {
    commitCurve(false);
    m_stroke.reset();
}

void GeqEditor::reset() {
    for (int b = 0; b < kGeqBands; ++b)
        m_edits.store(bandParam(b), channel(), kEqGainZeroCode);
    reload();
    commitCurve(true,
                CommandStepName({"RESET", "复位"}, {"GEQ", "GEQ"}, m_edits.image(), channel()));
}

void GeqEditor::sendOwnFrame(bool send) {
    std::vector<std::string> frames;
    if (send)
        frames.push_back(BuildParameterFrame(m_edits.image(), bandParam(0), channel()));
    // Also when nothing is sent: the output strip's small graph follows every change.
    m_edits.commitModule(frames, {channel()});
}

void GeqEditor::commitCurve(bool ownFrame, StepName name) {
    const Channel edited = channel();
    EditService::ModuleEdit edit;
    edit.link = bandParam(0).link;
    edit.copy = copyBands;
    edit.frames = [edited, ownFrame](const DeviceImage& image, Channel c) {
        std::vector<std::string> frames;
        if (ownFrame || !(c == edited))
            frames.push_back(BuildParameterFrame(image, bandParam(0), c));
        return frames;
    };
    edit.pause = Millis{0};
    edit.memberPause = kBetweenOutputs;
    edit.name = std::move(name);
    m_edits.commitModuleEdit(edited, edit);
}

void GeqEditor::showReadout(int band) {
    emit readoutRequested(ReadoutChannel(channel()), bandParam(band).readoutKind);
}

void GeqEditor::ensurePresetList() {
    if (m_presetList || !m_presets)
        return;
    ModulePresets* presets = m_presets();
    if (!presets)
        return;
    m_presetList =
        new PresetList(*presets, PresetTable::Geq, PresetList::Menu::A, m_presetServices, this);
    connect(m_presetList, &PresetList::recalled, this, [this](Channel c) {
        if (c == channel())
            reload();
    });
    layoutChildren();
    m_presetList->show();
}

void GeqEditor::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutChildren();
}

void GeqEditor::layoutChildren() {
    m_geqButton->setGeometry(kGeqX, kTop, kButtonW, kButtonH);
    m_resetButton->setGeometry(kResetX, kTop, kButtonW, kButtonH);
    m_drawButton->setGeometry(width() - kDrawFromRight, kTop, kButtonW, kButtonH);
    const int graphH = std::max(0, height() - kBottomGap - kGraphY);
    int graphW = width() - 2 * kGraphX;
    // The preset list stands as a column right of the graph, so that several stored
    // presets show at once.
    if (m_presetList) {
        graphW -= kPresetW + kPresetGap;
        m_presetList->setGeometry(kGraphX + graphW + kPresetGap, kGraphY, kPresetW, graphH);
    }
    m_graph->setGeometry(kGraphX, kGraphY, std::max(0, graphW), graphH);
}

} // namespace krm
