#pragma once
// DynamicsEditor: the compressor editor of an input (CH1..CH16 send "%C,"), registered as
// the input editor kind Dynamics. The shared dynamics page with the compressor's parameters
// and its Compressor preset list (second menu), plus the noise-gate section with its NOISE
// list (first menu), which the page keeps but never shows.
//
// UI thread only.

#include "editors/dynamics/dynamics_page.h"

namespace krm {

class GateSection;

class DynamicsEditor : public DynamicsPage {
    Q_OBJECT
public:
    explicit DynamicsEditor(DynamicsServices services, QWidget* parent = nullptr);

    void openFor(int channel) override;
    void applyLanguage() override;

    GateSection* gateSection() const { return m_gate; }

protected:
    void createPresetLists() override;

private:
    GateSection* m_gate = nullptr;
};

} // namespace krm
