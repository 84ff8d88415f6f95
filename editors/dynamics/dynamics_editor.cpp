#include "editors/dynamics/dynamics_editor.h"

#include "editors/dynamics/gate_section.h"

namespace krm {

DynamicsEditor::DynamicsEditor(DynamicsServices services, QWidget* parent)
    : DynamicsPage(CompressorSet(), std::move(services), parent) {
    // The page's own copy of the services outlives the section (a child of the page).
    m_gate = new GateSection(this->services(), this);
    m_gate->setGeometry(0, 0, 720, 320);
    m_gate->hide();
}

void DynamicsEditor::openFor(int channel) {
    DynamicsPage::openFor(channel);
    m_gate->setChannel(Channel::input(channel));
}

void DynamicsEditor::applyLanguage() {
    DynamicsPage::applyLanguage();
    // Called from the page's constructor before the section exists.
    if (m_gate)
        m_gate->applyLanguage();
}

void DynamicsEditor::createPresetLists() {
    DynamicsPage::createPresetLists();
    m_gate->setPresetList(makePresetList(PresetTable::Noise, PresetList::Menu::A, m_gate));
}

} // namespace krm
