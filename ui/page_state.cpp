#include "ui/page_state.h"

namespace krm::ui {

bool PageState::pressBank(int bank) {
    if (m_groupView != 0 || bank < 1 || bank > 4)
        return false;
    showPage(bank, View::Channel);
    return true;
}

void PageState::showPage(int bank, View view) {
    if (bank >= 1 && bank <= 4)
        m_bank = bank;
    m_view = view;
    m_mode = DisplayMode::Page;
    // A page replaces the group's strips; keeping the group view set here would leave the
    // bank buttons dead with no visible way back (the panel is hidden on every page).
    m_groupView = 0;
}

bool PageState::setMixSelection(int mix) {
    if (mix != 1 && (mix < 3 || mix > 8))
        return false;
    m_mix = mix;
    return true;
}

void PageState::openInputEditor(int channel, InputEditorKind kind) {
    if (channel < 0 || channel >= kInputCount)
        return;
    m_mode = DisplayMode::InputEditor;
    m_editorChannel = channel;
    m_inputEditor = kind;
}

void PageState::openOutputEditor(int output, OutputEditorKind kind) {
    if (output < 0 || output >= kOutputCount)
        return;
    m_mode = DisplayMode::OutputEditor;
    m_editorChannel = output;
    m_outputEditor = kind;
}

void PageState::showGroup(int group) {
    if (group < 0 || group > kGroupCount)
        return;
    m_mode = DisplayMode::Page;
    m_groupView = group;
}

int OutputForMix(int mix) {
    if (mix == 1)
        return 0;
    if (mix >= 3 && mix <= 8)
        return mix - 1;
    return -1;
}

PageContent PageState::content(const DeviceImage& image) const {
    PageContent c;
    if (m_mode == DisplayMode::InputEditor) {
        c.largeInputStrip = m_editorChannel;
        c.inputEditor = m_inputEditor;
        return c;
    }
    if (m_mode == DisplayMode::OutputEditor) {
        c.largeOutputStrip = m_editorChannel;
        c.outputEditor = m_outputEditor;
        return c;
    }
    if (m_groupView != 0) {
        const ControlGroup& group = image.controlGroups[static_cast<std::size_t>(m_groupView - 1)];
        for (int ch = 0; ch < kInputCount; ++ch)
            if (group.input(ch) != 0)
                c.inputStrips.push_back(ch);
        if (m_view == View::Channel)
            c.rightOutputStrip = OutputForMix(m_mix);
        c.navigationPanel = true;
        return c;
    }
    if (m_view != View::Channel) {
        c.showPage = true;
        c.page = m_view;
        return c;
    }
    switch (m_bank) {
    case 1:
    case 2:
        for (int i = 0; i < 8; ++i)
            c.inputStrips.push_back((m_bank - 1) * 8 + i);
        break;
    case 3:
        for (int ch = 16; ch < kInputCount; ++ch)
            c.inputStrips.push_back(ch);
        break;
    default:
        for (int o = 0; o < kOutputCount; ++o)
            c.outputStrips.push_back(o);
        break;
    }
    return c;
}

} // namespace krm::ui
