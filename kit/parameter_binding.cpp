#include "kit/parameter_binding.h"

#include "kit/drop_list.h"
#include "kit/slider.h"
#include "kit/texts.h"
#include "kit/toggle_button.h"

namespace krm::ui {

ParameterBinding::ParameterBinding(QObject* control, Control kind, EditService& edits,
                                   const Parameter& parameter, Channel channel, Mapping mapping)
    : QObject(control), m_control(control), m_kind(kind), m_edits(edits), m_parameter(&parameter),
      m_channel(channel), m_mapping(std::move(mapping)) {}

ParameterBinding* ParameterBinding::bindSlider(Slider* slider, EditService& edits,
                                               const Parameter& parameter, Channel channel,
                                               Mapping mapping) {
    auto* b = new ParameterBinding(slider, Control::Slider, edits, parameter, channel,
                                   std::move(mapping));
    connect(slider, &Slider::valueChanging, b, [b](int, int v) { b->sliderChanging(v); });
    connect(slider, &Slider::valueSet, b, [b](int, int v) { b->choose(v); });
    return b;
}

ParameterBinding* ParameterBinding::bindList(DropList* list, EditService& edits,
                                             const Parameter& parameter, Channel channel,
                                             Mapping mapping) {
    auto* b =
        new ParameterBinding(list, Control::List, edits, parameter, channel, std::move(mapping));
    connect(list, &DropList::listSelected, b, [b](int, int index) { b->choose(index); });
    return b;
}

ParameterBinding* ParameterBinding::bindToggle(ToggleButton* button, EditService& edits,
                                               const Parameter& parameter, Channel channel) {
    auto* b = new ParameterBinding(button, Control::Toggle, edits, parameter, channel, {});
    connect(button, &ToggleButton::clicked, b, [b](int) { b->toggle(); });
    return b;
}

void ParameterBinding::setChannel(Channel channel) {
    m_drag.reset(); // a drag of the channel shown before ends here
    m_channel = channel;
    load();
}

int ParameterBinding::toCode(int position) const {
    return m_mapping.toCode ? m_mapping.toCode(position) : position;
}

int ParameterBinding::toControl(int code) const {
    return m_mapping.toControl ? m_mapping.toControl(code) : code;
}

void ParameterBinding::showTip(int code) {
    // The label, the value, the range, and the dotted name a script gives the command-line
    // tool for the same control.
    const Parameter& p = *m_parameter;
    const bool zh = currentLanguage() == Language::Chinese;
    auto shown = [&](int c) {
        return QString::fromStdString(zh ? ValueTextZh(p, m_channel, c)
                                         : ValueText(p, m_channel, c));
    };
    const CodeRange range = p.rangeFor(m_channel);
    static_cast<QWidget*>(m_control)->setToolTip(
        QStringLiteral("%1: %2\n%3 %4 … %5\n%6")
            .arg(text(p.label), shown(code), text("Range", "范围"), shown(range.min),
                 shown(range.max), QString::fromStdString(p.path(m_channel))));
}

void ParameterBinding::load() {
    if (!m_parameter->existsOn(m_channel))
        return;
    const int code = m_parameter->get(m_edits.image(), m_channel);
    showTip(code);
    switch (m_kind) {
    case Control::Slider:
        static_cast<Slider*>(m_control)->setPosition(toControl(code));
        break;
    case Control::List:
        static_cast<DropList*>(m_control)->setSelection(toControl(code));
        break;
    case Control::Toggle:
        static_cast<ToggleButton*>(m_control)->setState(code != 0);
        break;
    }
}

void ParameterBinding::sliderChanging(int position) {
    if (!m_drag)
        m_drag = std::make_unique<EditService::StepScope>(m_edits);
    if (m_parameter->sendOn == SendOn::Change) {
        finish(m_edits.set(*m_parameter, m_channel, toCode(position)));
        return;
    }
    // Dragging a control that sends on release: the image and the views follow, the
    // device hears of it when the control is let go.
    EditResult stored;
    if (m_edits.store(*m_parameter, m_channel, toCode(position)))
        stored.status = EditResult::Status::Changed;
    if (m_edited)
        m_edited(stored);
}

EditResult ParameterBinding::choose(int position) {
    const EditResult result = m_edits.set(*m_parameter, m_channel, toCode(position));
    // A slider's release (or a key, a wheel notch) ends its drag's step.
    m_drag.reset();
    finish(result);
    return result;
}

EditResult ParameterBinding::toggle() {
    const EditResult result = m_edits.toggle(*m_parameter, m_channel);
    finish(result);
    return result;
}

void ParameterBinding::finish(const EditResult& result) {
    // Lists and buttons show what the image took (a refused or clamped choice snaps back);
    // a slider keeps its thumb where the operator put it.
    if (m_kind != Control::Slider)
        load();
    else if (m_parameter->existsOn(m_channel))
        showTip(m_parameter->get(m_edits.image(), m_channel));
    if (m_edited)
        m_edited(result);
}

} // namespace krm::ui
