// MainWindow: group switches, clear operations and the parameter readout.

#include "ui/main_window.h"

#include "editors/strips/strip_bank.h"
#include "model/frame_builders.h"
#include "model/paced_sender.h"
#include "model/senders.h"
#include "ui/readout_panel.h"
#include "ui/top_bar.h"

namespace krm::ui {

namespace {
// The level/mute frames of the given wire channels, built now from the image.
std::vector<std::string> levelFrames(const DeviceImage& image, const std::vector<int>& wire) {
    std::vector<std::string> frames;
    frames.reserve(wire.size());
    for (int ch : wire) {
        std::string frame = BuildA(image, ch);
        if (!frame.empty())
            frames.push_back(std::move(frame));
    }
    return frames;
}
} // namespace

void MainWindow::toggleMuteGroup(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    const bool on = !m_topBar->muteGroupLit(group);
    m_topBar->setMuteGroupLit(group, on);
    DeviceImage& img = m_session->image();
    const std::vector<int> wire = SwitchMuteGroup(img, group, on);
    refreshStrips();
    showReadout();
    // The image and the strips change at once; the frames follow 20 ms apart from the
    // pacer's worker, so the window never waits for them.
    if (m_session->isOnline())
        m_pacer->enqueue(levelFrames(img, wire), PausePlacement::AfterEachFrame, kMuteGroupPause);
}

void MainWindow::toggleControlGroup(int group) {
    if (group < 1 || group > kGroupCount)
        return;
    const bool on = !m_topBar->controlGroupLit(group);
    m_topBar->setControlGroupLit(group, on);
    for (StripGroupAssignment& a : SwitchControlGroup(m_session->image(), group, on))
        m_bank->setControlGroup(a.output, a.index,
                                StripGroup{a.group, std::move(a.members), a.links});
}

void MainWindow::clearAllMutes() {
    DeviceImage& img = m_session->image();
    const std::vector<int> wire = ClearAllMutes(img);
    refreshStrips();
    showReadout();
    if (m_session->isOnline())
        m_pacer->enqueue(levelFrames(img, wire), PausePlacement::AfterEachFrame, kMuteGroupPause);
}

void MainWindow::clearAllSolos() {
    ClearAllSolos(m_session->image());
    refreshStrips();
    showReadout();
}

void MainWindow::setSelection(int channel, int kind) {
    m_selectedChannel = channel;
    m_selectedKind = kind;
    showReadout();
}

void MainWindow::showReadout() {
    m_readout->show(ReadoutFor(m_session->image(), m_selectedChannel, m_selectedKind));
}

void MainWindow::applyTypedValue(int box, const QString& text) {
    const TypedEntryResult result =
        ApplyTypedValue(m_session->image(), m_selectedChannel, m_selectedKind, box, text);
    if (result.changed) {
        refreshAll();
        if (m_session->isOnline())
            sendTyped(result);
    }
    // The boxes show the stored value again (also after text that changed nothing).
    showReadout();
}

void MainWindow::sendTyped(const TypedEntryResult& r) {
    CommandSet& send = m_session->commands();
    switch (r.send) {
    case TypedSend::A:
        send.SendA(r.selector);
        break;
    case TypedSend::B:
        send.SendB(r.selector);
        break;
    case TypedSend::C:
        send.SendC(r.selector);
        break;
    case TypedSend::D:
        send.SendD(r.selector);
        break;
    case TypedSend::E:
        send.SendE(r.selector);
        break;
    case TypedSend::F:
        send.SendF(r.selector);
        break;
    case TypedSend::G:
        send.SendG(r.selector, r.band);
        break;
    case TypedSend::H:
        send.SendH(r.selector);
        break;
    case TypedSend::I:
        send.SendI(r.selector);
        break;
    case TypedSend::J:
        send.SendJ(r.selector);
        break;
    case TypedSend::M:
        send.SendM();
        break;
    case TypedSend::N:
        send.SendN();
        break;
    case TypedSend::None:
        break;
    }
}

} // namespace krm::ui
