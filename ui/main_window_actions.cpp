// MainWindow: group switches, clear operations and the parameter readout.

#include "ui/main_window.h"

#include "editors/strips/strip_bank.h"
#include "ui/messages.h"
#include "ui/readout_panel.h"
#include "ui/top_bar.h"

namespace krm::ui {

void MainWindow::toggleMuteGroup(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    const bool on = !m_topBar->muteGroupLit(group);
    m_topBar->setMuteGroupLit(group, on);
    // The image and the strips change at once; the frames follow 20 ms apart from the
    // bulk sender's worker, so the window never waits for them.
    m_edits.switchMuteGroup(group, on);
    refreshStrips();
    showReadout();
}

void MainWindow::toggleControlGroup(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    const bool on = !m_topBar->controlGroupLit(group);
    m_topBar->setControlGroupLit(group, on);
    m_edits.switchControlGroup(group, on);
    for (int i = 0; i < kInputCount; ++i)
        m_bank->repaint(false, i);
    for (int o = 0; o < kOutputCount; ++o)
        m_bank->repaint(true, o);
}

void MainWindow::clearAllMutes() {
    m_edits.clearAllMutes();
    refreshStrips();
    showReadout();
}

void MainWindow::clearAllSolos() {
    m_edits.clearAllSolos();
    refreshStrips();
    showReadout();
}

void MainWindow::setSelection(int channel, int kind) {
    m_selectedChannel = channel;
    m_selectedKind = kind;
    showReadout();
}

void MainWindow::showReadout() {
    m_readout->show(ReadoutFor(m_session.image(), m_selectedChannel, m_selectedKind));
}

void MainWindow::applyTypedValue(int box, const QString& text) {
    const TypedEntryResult result =
        ApplyTypedValue(m_session.image(), m_selectedChannel, m_selectedKind, box, text);
    // The value goes out as its owning control sends it, linked channels included.
    if (result.changed && result.send != TypedSend::None)
        m_edits.commit(*result.parameter, result.channel);
    if (result.changed)
        refreshAll();
    // The boxes show the stored value again (also after text that changed nothing).
    showReadout();
    if (!result.refusal.isEmpty())
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"), result.refusal, QMessageBox::Warning);
}

} // namespace krm::ui
