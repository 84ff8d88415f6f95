#include "editors/strips/output_strip.h"

#include "dsp/channel_scales.h"
#include "dsp/eq_scales.h"
#include "editors/strips/geq_thumbnail.h"
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

OutputStrip::OutputStrip(EditService& edits, int bus, QWidget* parent)
    : ChannelStrip(edits, true, bus, parent), m_graph(new GeqThumbnail(this)),
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

    using ui::ParameterBinding;
    const Channel ch = channelRef();
    m_delayBinding =
        bind(ParameterBinding::bindList(m_delay, edits, Param(ParamKind::Delay), ch), kReadoutNone);
    m_muteBinding = bind(ParameterBinding::bindToggle(m_mute, edits, Param(ParamKind::OutMute), ch),
                         kReadoutMute);
    m_feedbackBinding =
        bind(ParameterBinding::bindToggle(m_feedback, edits, Param(ParamKind::Feedback), ch),
             kReadoutNone);
    m_lineBinding =
        bind(ParameterBinding::bindToggle(m_line, edits, Param(ParamKind::LineLevel), ch),
             kReadoutNone, [this](const EditResult&) {
                 m_line->setText(QString::fromStdString(lineLevelText(record().lineLevel)));
             });
    connect(m_limiter, &ui::ToggleButton::clicked, this, [this] {
        clearReadout();
        emit editorRequested(m_channel, OutputEditorKind::Limiter);
    });
    connect(m_graph, &GeqThumbnail::clicked, this, [this] {
        clearReadout();
        emit editorRequested(m_channel, OutputEditorKind::GraphicEq);
    });

    applyLanguage();
    refreshFromImage();
}

void OutputStrip::channelChanged() {
    m_meter->clearHolds(); // a held peak or clip belongs to the bus shown before
}

void OutputStrip::refreshFromImage() {
    const OutputChannel& out = record();
    refreshCommon(out.gain);
    loadBindings();
    m_limiter->setState(out.limiter.enable != 0);
    m_line->setText(QString::fromStdString(lineLevelText(out.lineLevel)));
    refreshGeqGraph();
    updateStatus();
}

QString OutputStrip::shownLabel() const {
    // The main outputs' labels read in the interface language; "DANTE n" names the
    // networked-audio outputs in both.
    if (channel() < 4)
        return ui::text("MASTER %1", "主输出 %1").arg(channel() + 1);
    return ChannelStrip::shownLabel();
}

void OutputStrip::applyLanguage() {
    channelLabel()->setText(shownLabel());
    m_limiter->setText(ui::text("COMP", "限幅器"));
    m_mute->setText(ui::text("MUTE", "静音"));
    nameButton()->setToolTip(
        ui::text("Name this output or copy its settings", "为本输出命名或复制其设置"));
    m_limiter->setToolTip(ui::text("Open the limiter of this output", "打开本输出的限幅器"));
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
    m_graph->setSwitchedOff(record().geqEnable == 0);
}

void OutputStrip::updateStatus() {
    const int level = meterDisplayValue(record().meter);
    m_meter->setValue(0, level);
    m_meter->setValue(1, level);
}

void OutputStrip::chooseDelay(int index) {
    m_delayBinding->choose(index);
}

void OutputStrip::toggleMute() {
    m_muteBinding->toggle();
}

void OutputStrip::toggleFeedback() {
    m_feedbackBinding->toggle();
}

void OutputStrip::toggleLineLevel() {
    m_lineBinding->toggle();
}

void OutputStrip::resizeEvent(QResizeEvent* event) {
    ChannelStrip::resizeEvent(event);
    const StripRows r = StripRows::forHeight(height());
    const int m = 6;
    const int w = width() - 2 * m;
    int y = layoutTop(m);
    channelLabel()->setGeometry(m, y, w, r.label);
    y += r.label + r.gap;
    m_graph->setGeometry(m, y, w, r.graph);
    y += r.graph + r.gap;
    m_limiter->setGeometry(m, y, w, r.row);
    y += r.row + r.gap + 2;

    int bottom = height() - r.bottom;
    for (ui::ToggleButton* b : {m_line, m_feedback, m_mute}) {
        b->setGeometry(m, bottom - r.row, w, r.row);
        bottom -= r.row + r.gap;
    }
    m_delay->setGeometry(m, bottom - r.row, w, r.row);
    bottom -= r.row + r.gap + 2;

    // The fader takes what is left between the limiter button and the delay list.
    const int faderWidth = std::min(w - 34, 96);
    layoutFader(QRect(m, y, faderWidth, bottom - y), faderWidth);
    const QRect faderRect = fader()->geometry();
    m_meter->setGeometry(faderRect.right() + 4, faderRect.top(), std::min(30, w - faderWidth - 4),
                         faderRect.height());
}

} // namespace krm
