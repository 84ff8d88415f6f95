#include "editors/dynamics/gate_section.h"

#include "kit/level_meter.h"
#include "kit/parameter_binding.h"
#include "kit/response_graph_widget.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"
#include "model/parameter_frames.h"

#include <algorithm>
#include <cmath>

namespace krm {

namespace {

const Parameter& gateKnob(int k) {
    static const std::array<ParamKind, 4> kinds{ParamKind::GateThreshold, ParamKind::GateRange,
                                                ParamKind::GateAttack, ParamKind::GateRelease};
    return Param(kinds[static_cast<std::size_t>(k)]);
}

} // namespace

GateSection::GateSection(DynamicsServices& services, QWidget* parent)
    : QWidget(parent), m_services(services), m_enable(new ui::ToggleButton(QString(), this)),
      m_reset(new ui::ToggleButton(QString(), this)), m_meter(new ui::LevelMeter(1, this)),
      m_graph(new ui::ResponseGraphWidget(this)) {
    EditService& edits = m_services.edits;
    auto after = [this](const EditResult&) { refresh(); };
    m_bindings.push_back(
        ui::ParameterBinding::bindToggle(m_enable, edits, Param(ParamKind::GateEnable), m_channel));
    m_bindings.back()->setOnEdited(after);
    connect(m_reset, &ui::ToggleButton::clicked, this, [this] { reset(); });
    for (int k = 0; k < kKnobs; ++k) {
        m_captions[static_cast<std::size_t>(k)] = new ui::TextLabel(QString(), this);
        auto* knob = new ui::Slider(Qt::Horizontal, this);
        m_knobs[static_cast<std::size_t>(k)] = knob;
        knob->setGeometry(80, 50 + 60 * k, 150, 24);
        m_captions[static_cast<std::size_t>(k)]->setGeometry(0, 50 + 60 * k, 76, 24);
        if (k == kKnobs - 1) {
            knob->setRange(0, 100); // a spare knob: no field behind it
            continue;
        }
        const Parameter& p = gateKnob(k);
        knob->setRange(p.range.min, p.range.max);
        m_bindings.push_back(ui::ParameterBinding::bindSlider(knob, edits, p, m_channel));
        m_bindings.back()->setOnEdited(after);
    }
    m_enable->setGeometry(0, 15, 90, 26);
    m_reset->setGeometry(100, 15, 90, 26);
    m_meter->setRange(0, 60);
    m_meter->setGeometry(240, 50, 40, 240);
    ResponseGraph& g = m_graph->graph();
    g.setPlotMode(kPlotNoiseGate);
    g.setAxes({-60.0, 0.0, -60.0, 0.0});
    g.setSlotCount(1);
    m_graph->setGeometry(290, 50, 240, 240);
    connect(m_graph, &ui::ResponseGraphWidget::markerMoving, this,
            [this](int, double, double y) { moveRangeMarker(y, false); });
    connect(m_graph, &ui::ResponseGraphWidget::markerReleased, this,
            [this](int, double, double y) { moveRangeMarker(y, true); });
    applyLanguage();
}

void GateSection::setChannel(Channel channel) {
    m_channel = channel;
    for (ui::ParameterBinding* b : m_bindings)
        b->setChannel(channel);
    if (m_presetList)
        m_presetList->setChannel(channel);
    refresh();
}

void GateSection::setPresetList(PresetList* list) {
    m_presetList = list;
    if (list) {
        list->setGeometry(540, 50, 160, 240);
        connect(list, &PresetList::recalled, this, [this](Channel) {
            for (ui::ParameterBinding* b : m_bindings)
                b->load();
            refresh();
        });
    }
}

void GateSection::applyLanguage() {
    m_enable->setText(ui::text("GATE", "噪声门"));
    m_reset->setText(ui::text("RESET", "复位"));
    m_reset->setToolTip(ui::text("Set the gate back to its reset values", "将噪声门恢复为复位值"));
    // The range knob reads "范围" in both languages.
    const std::array<QString, kKnobs> captions{
        ui::text("Threshold", "阀值"), QStringLiteral("范围"), ui::text("Attack", "启动时间"),
        ui::text("Release", "释放时间"), QStringLiteral("备用")};
    for (int k = 0; k < kKnobs; ++k)
        m_captions[static_cast<std::size_t>(k)]->setText(captions[static_cast<std::size_t>(k)]);
}

void GateSection::refresh() {
    const DeviceImage& image = m_services.edits.image();
    const double t = Param(ParamKind::GateThreshold).get(image, m_channel) - 60.0;
    const double range = Param(ParamKind::GateRange).get(image, m_channel);
    // Below the threshold the gate lowers the signal by its range.
    GraphSlot& s = m_graph->graph().slot(0);
    s.freq = t;
    s.gainDb = std::max(-60.0, t - range);
    m_graph->setLineCurve({{-60.0, std::max(-60.0, -60.0 - range)},
                           {t, std::max(-60.0, t - range)},
                           {t, t},
                           {0.0, 0.0}});
    m_graph->refresh();
}

void GateSection::moveRangeMarker(double y, bool released) {
    const DeviceImage& image = m_services.edits.image();
    const double t = Param(ParamKind::GateThreshold).get(image, m_channel) - 60.0;
    const Parameter& range = Param(ParamKind::GateRange);
    const int code = static_cast<int>(std::trunc(std::max(0.0, t - y)));
    if (released)
        m_services.edits.set(range, m_channel, code);
    else
        m_services.edits.store(range, m_channel, code);
    refresh();
}

void GateSection::reset() {
    EditService& edits = m_services.edits;
    DeviceImage& image = edits.image();
    Param(ParamKind::GateEnable).set(image, m_channel, 1);
    Param(ParamKind::GateThreshold).set(image, m_channel, 0);
    Param(ParamKind::GateAttack).set(image, m_channel, 1);
    Param(ParamKind::GateRelease).set(image, m_channel, 20);
    EditService::ModuleEdit edit;
    // The gate fields ride on the matrix row frame.
    edit.frames = [](const DeviceImage& img, Channel c) {
        return std::vector<std::string>{BuildParameterFrame(img, Param(ParamKind::GateEnable), c)};
    };
    edit.pause = Millis{0};
    edit.name =
        CommandStepName({"RESET", "复位"}, Param(ParamKind::GateEnable).label, image, m_channel);
    edits.commitModuleEdit(m_channel, edit);
    for (ui::ParameterBinding* b : m_bindings)
        b->load();
    refresh();
}

} // namespace krm
