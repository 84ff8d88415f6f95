#pragma once
// SliderBinding: decides when a slider's value goes to the device. Every change is
// stored (the page writes the image, redraws and sets the readout); sending happens on
// release only (editor knobs) or on every change and the release (faders). The binding
// owns nothing but the two callbacks and lives as a child of the slider.
// UI thread only.

#include <QObject>

#include <functional>

namespace krm::ui {

class Slider;

enum class SendOn {
    Release, // valueSet (mouse release, every key press)
    Change,  // valueChanging during a drag and valueSet
};

class SliderBinding : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int position)>;

    // store runs for every change; send runs when `when` says so, after store.
    SliderBinding(Slider* slider, SendOn when, Handler store, Handler send);

    SendOn sendOn() const { return m_when; }

private:
    void changing(int position);
    void set(int position);

    SendOn m_when;
    Handler m_store;
    Handler m_send;
};

} // namespace krm::ui
