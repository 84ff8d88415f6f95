#include "services/event_relay.h"

namespace krm {

void EventRelay::linkIndicatorChanged(LinkIndicator indicator) {
    if (m_link)
        m_link->linkIndicatorChanged(indicator);
}

void EventRelay::connectButtonChanged(bool connected) {
    if (m_link)
        m_link->connectButtonChanged(connected);
}

void EventRelay::connectFailed() {
    if (m_link)
        m_link->connectFailed();
}

void EventRelay::socketError() {
    if (m_link)
        m_link->socketError();
}

void EventRelay::linkReconnected() {
    if (m_link)
        m_link->linkReconnected();
}

void EventRelay::refreshAll() {
    if (m_device)
        m_device->refreshAll();
}

void EventRelay::statusUpdated() {
    if (m_device)
        m_device->statusUpdated();
}

void EventRelay::levelsUpdated() {
    if (m_device)
        m_device->levelsUpdated();
}

void EventRelay::settingsReported(bool wholeDump) {
    if (m_device)
        m_device->settingsReported(wholeDump);
}

void EventRelay::deviceReconnected(const std::vector<ImageModule>& changed) {
    if (m_device)
        m_device->deviceReconnected(changed);
}

void EventRelay::searchStarted(int total) {
    if (m_discovery)
        m_discovery->searchStarted(total);
}

void EventRelay::searchProgress(int done, int total) {
    if (m_discovery)
        m_discovery->searchProgress(done, total);
}

void EventRelay::deviceFound(const Endpoint& device) {
    if (m_discovery)
        m_discovery->deviceFound(device);
}

void EventRelay::sweepFinished() {
    if (m_discovery)
        m_discovery->sweepFinished();
}

void EventRelay::socketError(const std::string& reason) {
    if (m_discovery)
        m_discovery->socketError(reason);
}

} // namespace krm
