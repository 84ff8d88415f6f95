#include "editors/dynamics/dynamics_page.h"

#include "dsp/dynamics_scales.h"
#include "kit/kit_style.h"
#include "kit/level_meter.h"
#include "kit/parameter_binding.h"
#include "kit/response_graph_widget.h"
#include "kit/slider.h"
#include "kit/text_label.h"
#include "kit/texts.h"
#include "kit/timer_while_shown.h"
#include "kit/toggle_button.h"
#include "model/parameter_frames.h"

#include <QPainter>

#include <cmath>

namespace krm {

namespace {

// What RESET gives every processor: on, -30 dB, 1:1.0, 0.0 dB, 100 ms attack and release.
constexpr int kResetEnable = 1;
constexpr std::array<int, DynamicsSet::KnobCount> kResetCodes{30, 10, 0, 100, 100};

constexpr int kKnobPitch = 60;   // vertical distance between the knobs
constexpr int kTop = 50;         // graph, meter and first knob
constexpr int kMeterWidth = 110; // the dB scale, then two Chinese characters under each bar
constexpr int kCaptionWidth = 70;
constexpr int kKnobWidth = 150;
constexpr int kValueWidth = 70;

QString knobValueText(const Parameter& p, int code) {
    switch (p.rule) {
    case Rule::Level:
        return QString::fromStdString(thresholdText(code));
    case Rule::Ratio:
        return QString::fromStdString(ratioText(code));
    case Rule::MakeUp:
        return QString::fromStdString(makeupGainText(code));
    default:
        return QString::fromStdString(timeText(code, p.range));
    }
}

} // namespace

DynamicsPage::DynamicsPage(DynamicsSet set, DynamicsServices services, QWidget* parent)
    : EditorPage(parent), m_set(set), m_services(std::move(services)),
      m_enable(new ui::ToggleButton(QString(), this)),
      m_reset(new ui::ToggleButton(QString(), this)), m_graph(new ui::ResponseGraphWidget(this)),
      m_meter(new ui::LevelMeter(3, this)),
      m_markers(m_services.edits, m_services.clock, [this](int marker, ui::MarkerSend::Moment) {
          m_services.edits.commit(markerParameter(marker), channel());
      }) {
    EditService& edits = m_services.edits;
    const Channel ch = channel();
    m_enable->setLitColor(ui::style::kLitBlue);
    m_enableBinding = ui::ParameterBinding::bindToggle(m_enable, edits, *m_set.enable, ch);
    m_enableBinding->setOnEdited([this](const EditResult&) { updateViews(); });
    connect(m_reset, &ui::ToggleButton::clicked, this, [this] { reset(); });

    ResponseGraph& g = m_graph->graph();
    g.setPlotMode(kPlotCompressor);
    g.setAxes({-60.0, 0.0, -60.0, 0.0});
    g.setSlotCount(MarkerCount);
    m_graph->setMarkerLabels({QStringLiteral("T"), QStringLiteral("R"), QStringLiteral("G")});
    connect(m_graph, &ui::ResponseGraphWidget::markerMoving, this,
            [this](int m, double x, double y) { moveMarker(m, x, y, false); });
    connect(m_graph, &ui::ResponseGraphWidget::markerReleased, this,
            [this](int m, double x, double y) { moveMarker(m, x, y, true); });

    // IN and OUT stand on the 0..60 scale of the thresholds (60 = 0 dB); GR hangs from the
    // 0 dB mark down to the reduction, so one scale reads all three bars.
    m_meter->setRange(0, 60);
    m_meter->setHanging(1, true);
    QList<ui::LevelMeter::ScaleMark> marks;
    for (int db = 0; db >= -60; db -= 10)
        marks.append({60 + db, QString::number(db)});
    m_meter->setScaleMarks(marks);

    for (int k = 0; k < DynamicsSet::KnobCount; ++k) {
        KnobRow& row = m_knobs[static_cast<std::size_t>(k)];
        const Parameter& p = *m_set.knobs[static_cast<std::size_t>(k)];
        row.caption = new ui::TextLabel(QString(), this);
        row.caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.knob = new ui::Slider(Qt::Horizontal, this);
        row.knob->setRange(p.range.min, p.range.max);
        row.knob->setPageStep(10);
        row.value = new ui::TextLabel(QString(), this);
        row.value->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        row.value->setPlate(true);
        row.binding = ui::ParameterBinding::bindSlider(row.knob, edits, p, ch);
        row.binding->setOnEdited([this, &p](const EditResult& result) {
            if (!result.refused())
                touched(p);
        });
    }

    new ui::TimerWhileShown(this, kTimerMs, [this] { tick(); });
    edits.addListener(this);
    applyLanguage();
    refresh();
}

DynamicsPage::~DynamicsPage() {
    m_services.edits.removeListener(this);
}

void DynamicsPage::openFor(int channel) {
    // A marker still pending belongs to the channel shown before: its value is in that
    // channel's image, and the timer must not send it as this channel's.
    m_markers.cancel();
    m_channel = channel;
    m_meter->clearHolds(); // a peak or a clip belongs to the channel shown before
    if (!m_presetsAsked) {
        m_presetsAsked = true;
        createPresetLists();
        layoutControls();
    }
    const Channel ch = this->channel();
    m_enableBinding->setChannel(ch);
    for (KnobRow& row : m_knobs)
        row.binding->setChannel(ch);
    if (m_presetList)
        m_presetList->setChannel(ch);
    refresh();
}

void DynamicsPage::createPresetLists() {
    m_presetList = makePresetList(
        m_set.presets, m_set.secondPresetMenu ? PresetList::Menu::B : PresetList::Menu::A, this);
}

PresetList* DynamicsPage::makePresetList(PresetTable table, PresetList::Menu menu,
                                         QWidget* parent) {
    ModulePresets* store = m_services.presets ? m_services.presets() : nullptr;
    if (!store)
        return nullptr;
    auto* list = new PresetList(*store, table, menu, m_services.presetServices, parent);
    list->setChannel(channel());
    connect(list, &PresetList::recalled, this, [this](Channel) { refresh(); });
    list->show();
    return list;
}

void DynamicsPage::applyLanguage() {
    // Both processors' switches read "COMP" on the page.
    m_enable->setText(ui::text("COMP", "压缩器"));
    m_reset->setText(ui::text("RESET", "复位"));
    m_reset->setToolTip(
        ui::text("Set this processor back to its reset values", "将此处理器恢复为复位值"));
    m_meter->setCaptions({ui::text("IN", "输入"), ui::text("GR", "衰减"), ui::text("OUT", "输出")});
    // The ratio reads "Ratio" / "比例" on both pages (the readout of the compressor has its
    // own word).
    for (int k = 0; k < DynamicsSet::KnobCount; ++k)
        m_knobs[static_cast<std::size_t>(k)].caption->setText(
            k == DynamicsSet::Ratio ? ui::text("Ratio", "比例")
                                    : ui::text(m_set.knobs[static_cast<std::size_t>(k)]->label));
}

QString DynamicsPage::valueText(int k) const {
    return m_knobs[static_cast<std::size_t>(k)].value->text();
}

QString DynamicsPage::captionText(int k) const {
    return m_knobs[static_cast<std::size_t>(k)].caption->text();
}

int DynamicsPage::code(DynamicsSet::Knob k) const {
    return m_set.knobs[static_cast<std::size_t>(k)]->get(m_services.edits.image(), channel());
}

void DynamicsPage::refresh() {
    m_enableBinding->load();
    for (KnobRow& row : m_knobs)
        row.binding->load();
    updateViews();
}

void DynamicsPage::updateViews() {
    for (int k = 0; k < DynamicsSet::KnobCount; ++k) {
        const Parameter& p = *m_set.knobs[static_cast<std::size_t>(k)];
        m_knobs[static_cast<std::size_t>(k)].value->setText(
            knobValueText(p, code(static_cast<DynamicsSet::Knob>(k))));
    }
    m_enable->setState(m_set.enable->get(m_services.edits.image(), channel()) != 0);

    const double t = thresholdDb(code(DynamicsSet::Threshold));
    const double r = ratioValue(code(DynamicsSet::Ratio));
    const double gain = makeupGainDb(code(DynamicsSet::Gain));
    ResponseGraph& g = m_graph->graph();
    // Threshold on the diagonal, the ratio where the compressed line meets 0 dB input, the
    // make-up gain on the left edge.
    g.slot(ThresholdMarker).freq = t;
    g.slot(ThresholdMarker).gainDb = t;
    g.slot(RatioMarker).freq = 0.0;
    g.slot(RatioMarker).gainDb = t * (1.0 - 1.0 / r);
    g.slot(GainMarker).freq = -60.0;
    g.slot(GainMarker).gainDb = gain - 60.0;
    m_graph->setStaticCurve(t, r, gain);
    m_graph->refresh();
}

const Parameter& DynamicsPage::markerParameter(int marker) const {
    switch (marker) {
    case ThresholdMarker:
        return *m_set.knobs[DynamicsSet::Threshold];
    case RatioMarker:
        return *m_set.knobs[DynamicsSet::Ratio];
    default:
        return *m_set.knobs[DynamicsSet::Gain];
    }
}

void DynamicsPage::moveMarker(int marker, double x, double y, bool released) {
    if (marker < 0 || marker >= MarkerCount)
        return;
    int newCode = 0;
    switch (marker) {
    case ThresholdMarker:
        newCode = thresholdCodeFromDb(x);
        break;
    case RatioMarker:
        newCode = ratioCodeFromMarkers(thresholdDb(code(DynamicsSet::Threshold)), x, y);
        break;
    default:
        newCode = makeupGainCodeFromDb(y + 60.0);
        break;
    }
    const Parameter& p = markerParameter(marker);
    EditService& edits = m_services.edits;
    edits.store(p, channel(), newCode);
    if (released)
        m_markers.released(marker);
    else
        m_markers.moved(marker);
    // The knob and the other markers follow the image (the threshold marker snaps back to
    // the diagonal, the ratio marker keeps its ratio).
    // Marker order is knob order: threshold, ratio, gain.
    m_knobs[static_cast<std::size_t>(marker)].binding->load();
    touched(p);
}

void DynamicsPage::touched(const Parameter& parameter) {
    updateViews();
    if (parameter.readoutKind != 0)
        emit readoutRequested(m_set.readoutChannel(m_channel), parameter.readoutKind);
}

void DynamicsPage::reset() {
    EditService& edits = m_services.edits;
    DeviceImage& image = edits.image();
    const Channel ch = channel();
    m_set.enable->set(image, ch, kResetEnable);
    for (int k = 0; k < DynamicsSet::KnobCount; ++k)
        m_set.knobs[static_cast<std::size_t>(k)]->set(image, ch,
                                                      kResetCodes[static_cast<std::size_t>(k)]);

    EditService::ModuleEdit edit;
    edit.link = m_set.enable->link;
    const auto fields = m_set.all();
    edit.copy = [fields](DeviceImage& img, Channel from, Channel to) {
        for (const Parameter* p : fields)
            p->set(img, to, p->get(img, from));
    };
    // One frame carries the whole processor.
    const Parameter* carrier = m_set.enable;
    edit.frames = [carrier](const DeviceImage& img, Channel c) {
        return std::vector<std::string>{BuildParameterFrame(img, *carrier, c)};
    };
    edit.pause = Millis{0};
    edit.memberPause = EditService::kLinkedPause;
    edit.name = CommandStepName({"RESET", "复位"}, m_set.enable->label, image, ch);
    edits.commitModuleEdit(ch, edit);
    refresh();
    emit readoutRequested(m_set.readoutChannel(m_channel),
                          m_set.knobs[DynamicsSet::Threshold]->readoutKind);
}

void DynamicsPage::tick() {
    m_markers.tick();
    updateMeters();
}

void DynamicsPage::updateMeters() {
    // Offline the device reports nothing: the bars stay where they are.
    if (!m_services.edits.online())
        return;
    const DeviceImage& image = m_services.edits.image();
    const int level = m_set.side == Side::Output
                          ? image.outputs[static_cast<std::size_t>(m_channel)].meter
                          : image.inputs[static_cast<std::size_t>(m_channel)].meter;
    const DynamicsMeters m = dynamicsMeters(level, code(DynamicsSet::Threshold),
                                            code(DynamicsSet::Ratio), code(DynamicsSet::Gain));
    m_meter->setValue(0, static_cast<int>(std::lround(m.in)));
    m_meter->setValue(1, static_cast<int>(std::lround(m.reduction)));
    m_meter->setValue(2, static_cast<int>(std::lround(m.out)));
}

void DynamicsPage::edited(const Parameter*, const std::vector<Channel>& channels) {
    const Channel ch = channel();
    for (const Channel& c : channels)
        if (c == ch) {
            // A linked channel's edit, the readout's typed entry or a recall: reload.
            refresh();
            return;
        }
}

void DynamicsPage::resizeEvent(QResizeEvent* event) {
    EditorPage::resizeEvent(event);
    layoutControls();
}

int DynamicsPage::layoutControls() {
    // The graph is square, two thirds of the page high; the meter as tall beside it; the
    // knobs in a column to the right, 60 apart, caption left and value right.
    const int side = std::max(120, height() * 2 / 3);
    m_enable->setGeometry(10, 15, 110, 26);
    m_reset->setGeometry(260, 15, 90, 26);
    m_graph->setGeometry(10, kTop, side, side);
    const int meterX = 10 + side + 10;
    m_meter->setGeometry(meterX, kTop, kMeterWidth, side);
    const int captionX = meterX + kMeterWidth + 10;
    for (int k = 0; k < DynamicsSet::KnobCount; ++k) {
        KnobRow& row = m_knobs[static_cast<std::size_t>(k)];
        const int y = kTop + k * kKnobPitch;
        row.caption->setGeometry(captionX, y, kCaptionWidth, 24);
        row.knob->setGeometry(captionX + kCaptionWidth + 6, y, kKnobWidth, 24);
        row.value->setGeometry(captionX + kCaptionWidth + kKnobWidth + 12, y, kValueWidth, 24);
    }
    const int right = captionX + kCaptionWidth + kKnobWidth + 12 + kValueWidth;
    // The list needs rows to show its presets: it stands in a column of its own.
    if (m_presetList)
        m_presetList->setGeometry(right + 16, kTop, 160, std::max(120, side));
    return m_presetList ? right + 16 + 160 : right;
}

void DynamicsPage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ui::style::kPanel);
}

} // namespace krm
