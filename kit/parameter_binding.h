#pragma once
// ParameterBinding: ties one painted control (slider, fader, knob, list or toggle) to one
// parameter of one channel, in both directions. The control knows nothing of the parameter;
// the binding turns the control's position into a code and hands it to the edit service —
// on every change, or stored while dragging and sent on release, as the parameter says —
// and loads the control from the image. A new editor is then mostly layout plus bindings.
//
// The binding lives as a child of its control. UI thread only.

#include "model/edit_service.h"

#include <QObject>

#include <functional>
#include <memory>

namespace krm::ui {

class DropList;
class Slider;
class ToggleButton;

class ParameterBinding : public QObject {
    Q_OBJECT
public:
    // Code <-> control position (slider position, list index). Identity when not given.
    struct Mapping {
        std::function<int(int code)> toControl;
        std::function<int(int position)> toCode;
    };
    // Runs after every change the control made (stored or sent), with the service's result.
    using Edited = std::function<void(const EditResult& result)>;

    static ParameterBinding* bindSlider(Slider* slider, EditService& edits,
                                        const Parameter& parameter, Channel channel,
                                        Mapping mapping = {});
    static ParameterBinding* bindList(DropList* list, EditService& edits,
                                      const Parameter& parameter, Channel channel,
                                      Mapping mapping = {});
    static ParameterBinding* bindToggle(ToggleButton* button, EditService& edits,
                                        const Parameter& parameter, Channel channel);

    const Parameter& parameter() const { return *m_parameter; }
    Channel channel() const { return m_channel; }
    // The strip or editor now shows another channel (the large strip, an editor page).
    void setChannel(Channel channel);
    void setOnEdited(Edited edited) { m_edited = std::move(edited); }

    // The control shows the image's value.
    void load();
    // What the control does when operated: a list choice, a button press, a slider value.
    EditResult choose(int position);
    EditResult toggle();

private:
    enum class Control { Slider, List, Toggle };
    ParameterBinding(QObject* control, Control kind, EditService& edits, const Parameter& parameter,
                     Channel channel, Mapping mapping);
    int toCode(int position) const;
    int toControl(int code) const;
    void sliderChanging(int position);
    void finish(const EditResult& result);
    // The control's tooltip: label, value, range and dotted name, in the interface language.
    void showTip(int code);

    QObject* m_control;
    Control m_kind;
    EditService& m_edits;
    const Parameter* m_parameter;
    Channel m_channel;
    Mapping m_mapping;
    Edited m_edited;
    // From a slider's first move to its release the drag is one undo step, however many
    // frames a control that sends on every change puts out.
    std::unique_ptr<EditService::StepScope> m_drag;
};

} // namespace krm::ui
