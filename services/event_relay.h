#pragma once
// EventRelay: the session's and the discovery worker's events, passed on to listeners that
// are built after the services (the window's link controller takes the link's and the
// search's events, the window the device's). An event with no listener yet, or after the
// listener has gone, is dropped: nothing is shown before the window exists.
//
// UI thread only: the session and the worker queue every event onto it.

#include "link/discovery.h"
#include "model/session_events.h"

namespace krm {

class EventRelay final : public SessionEvents, public DiscoveryEvents {
public:
    void setLinkListener(LinkEvents* listener) { m_link = listener; }
    void setDeviceListener(DeviceEvents* listener) { m_device = listener; }
    void setDiscoveryListener(DiscoveryEvents* listener) { m_discovery = listener; }

    // LinkEvents
    void linkIndicatorChanged(LinkIndicator indicator) override;
    void connectButtonChanged(bool connected) override;
    void connectFailed() override;
    void socketError() override;
    void linkReconnected() override;
    // DeviceEvents
    void refreshAll() override;
    void statusUpdated() override;
    void levelsUpdated() override;
    void settingsReported(bool wholeDump) override;
    void deviceReconnected(const std::vector<ImageModule>& changed) override;
    // DiscoveryEvents
    void searchStarted(int total) override;
    void searchProgress(int done, int total) override;
    void deviceFound(const Endpoint& device) override;
    void sweepFinished() override;
    void socketError(const std::string& reason) override;

private:
    LinkEvents* m_link = nullptr;
    DeviceEvents* m_device = nullptr;
    DiscoveryEvents* m_discovery = nullptr;
};

} // namespace krm
