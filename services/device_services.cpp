#include "services/device_services.h"

#include "link/network_settings.h"
#include "model/paced_sender.h"
#include "presets/device_settings.h"
#include "presets/module_presets.h"
#include "presets/preset_library.h"
#include "presets/setting_recall.h"
#include "services/setting_document.h"
#include "services/venue_watch.h"
#include "units/mic_unit_service.h"
#include "update/factory_recovery.h"

#include <utility>

namespace krm {

DeviceServices::DeviceServices(DeviceServicesOptions options)
    : m_options(std::move(options)), m_clock(m_options.clock ? *m_options.clock : systemClock()) {
    m_session = std::make_unique<DeviceSession>(m_clock, m_options.post, m_relay, m_options.glyphs);
    m_session->setLocalPort(m_options.localPort);
    m_session->setDevice(m_options.deviceIp, m_options.devicePort);

    DiscoveryWorker::InterfaceLister interfaces = m_options.interfaces;
    if (!interfaces)
        interfaces = [] { return LocalIpv4Interfaces(); };
    m_discovery =
        std::make_unique<DiscoveryWorker>(m_clock, std::move(interfaces), m_options.post, m_relay);
    m_discovery->setLocalPort(m_options.localPort);
    m_discovery->setDevicePort(m_options.devicePort);

    // A bulk sequence keeps the watchdog quiet: the device answers nothing to it.
    m_pacer = std::make_unique<PacedSender>(
        m_session->sink(), m_clock, [session = m_session.get()] { session->touchLastReply(); });
    m_linked = std::make_unique<PacedSender>(m_session->sink(), m_clock);
    m_edits = std::make_unique<EditService>(m_session->image(), m_session->sink(), *m_linked,
                                            *m_pacer, m_options.glyphs);
    m_units = std::make_unique<MicUnitService>(*m_edits);

    if (!m_options.dataFolder.empty()) {
        const std::filesystem::path& folder = m_options.dataFolder;
        m_presets = std::make_unique<PresetLibrary>(folder / PresetLibrary::kFileName);
        m_modulePresets = std::make_unique<ModulePresets>(*m_presets, *m_edits);
        m_deviceSettings = std::make_unique<DeviceSettings>(*m_presets, folder);
        m_recall = std::make_unique<SettingRecall>(*m_deviceSettings, *m_edits);
    } else {
        m_recall = std::make_unique<SettingRecall>(*m_edits);
    }
    m_document = std::make_unique<SettingDocument>(*m_edits, *m_session, m_clock);
    // A RECALL and a RECOVERY each resend the whole setting: one waits for the other.
    m_factory = std::make_unique<FactoryRecovery>(
        *m_edits, [recall = m_recall.get()] { return recall->running(); });
    m_recall->setOtherBusy([factory = m_factory.get()] { return factory->running(); });
    m_session->holdLevelsWhile(
        [recall = m_recall.get(), factory = m_factory.get(), edits = m_edits.get()] {
            return recall->running() || factory->running() || edits->replayingWholeSetting();
        });
    m_watch =
        std::make_unique<VenueWatch>(*m_session, m_clock, m_options.post, m_options.devicePort);
    m_watch->setClaimPort([discovery = m_discovery.get()] {
        if (discovery->sweeping())
            return false;
        discovery->stop();
        return true;
    });
}

DeviceServices::~DeviceServices() {
    // Workers first: nothing may post once the services are going.
    stopWorkers();
    m_watch.reset();
    m_session->shutdown();
}

void DeviceServices::stopWorkers() {
    m_pacer->stop();
    m_linked->stop();
    m_discovery->stop();
}

} // namespace krm
