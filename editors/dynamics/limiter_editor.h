#pragma once
// LimiterEditor: the limiter editor of an output bus ("%D,"), registered as the output
// editor kind Limiter. The shared dynamics page with the limiter's parameters — its knobs
// send on every step, its release goes down to 1 ms — and the LIMIT preset list.
//
// UI thread only.

#include "editors/dynamics/dynamics_page.h"

namespace krm {

class LimiterEditor : public DynamicsPage {
    Q_OBJECT
public:
    explicit LimiterEditor(DynamicsServices services, QWidget* parent = nullptr)
        : DynamicsPage(LimiterSet(), std::move(services), parent) {}
};

} // namespace krm
