#include "kit/slider_binding.h"

#include "kit/slider.h"

namespace krm::ui {

SliderBinding::SliderBinding(Slider* slider, SendOn when, Handler store, Handler send)
    : QObject(slider), m_when(when), m_store(std::move(store)), m_send(std::move(send)) {
    connect(slider, &Slider::valueChanging, this, [this](int, int v) { changing(v); });
    connect(slider, &Slider::valueSet, this, [this](int, int v) { set(v); });
}

void SliderBinding::changing(int position) {
    if (m_store)
        m_store(position);
    if (m_when == SendOn::Change && m_send)
        m_send(position);
}

void SliderBinding::set(int position) {
    if (m_store)
        m_store(position);
    if (m_send)
        m_send(position);
}

} // namespace krm::ui
