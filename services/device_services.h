#pragma once
// DeviceServices: everything the program does with one device, built once and in the
// right order — the event relay, the session with its link, the discovery worker, the two
// paced senders (bulk sequences; linked members' frames), the edit service with its undo
// history, the microphone units, and, with a data folder, the preset library, the module
// presets and the stored settings; the whole-setting resend (RECALL) and the factory
// recovery's guard against it; the document (the device's settings or a setting file); the
// watch over the venue's other devices. The
// program's composition root (app/program.*) builds one and hands it to the window; a test builds
// the window the same way, with a fake clock and fake interfaces.
//
// UI thread only (the workers queue their events onto it through `post`).

#include "link/clock.h"
#include "link/discovery.h"
#include "link/post.h"
#include "model/device_session.h"
#include "model/edit_service.h"
#include "services/event_relay.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace krm {

class DeviceSettings;
class FactoryRecovery;
class MicUnitService;
class ModulePresets;
class PacedSender;
class PresetLibrary;
class SettingDocument;
class SettingRecall;
class VenueWatch;

struct DeviceServicesOptions {
    Clock* clock = nullptr; // null: the steady clock
    Post post;              // queues a task onto the UI thread
    const GlyphRenderer* glyphs = nullptr;
    std::string deviceIp; // where the session points at start
    std::uint16_t devicePort = kDevicePort;
    std::uint16_t localPort = kDevicePort;
    DiscoveryWorker::InterfaceLister interfaces; // null: this computer's interfaces
    // Folder of the preset database and the stored settings; empty: presets and stored
    // settings are off.
    std::filesystem::path dataFolder;
};

class DeviceServices {
public:
    explicit DeviceServices(DeviceServicesOptions options);
    // Stops the workers and shuts the session down ("%Q," 0 when online).
    ~DeviceServices();
    DeviceServices(const DeviceServices&) = delete;
    DeviceServices& operator=(const DeviceServices&) = delete;

    Clock& clock() { return m_clock; }
    EventRelay& events() { return m_relay; }
    DeviceSession& session() { return *m_session; }
    DiscoveryWorker& discovery() { return *m_discovery; }
    PacedSender& pacer() { return *m_pacer; }
    PacedSender& linkedSender() { return *m_linked; }
    EditService& edits() { return *m_edits; }
    MicUnitService& units() { return *m_units; }
    FactoryRecovery& factory() { return *m_factory; }
    // Null without a data folder.
    PresetLibrary* presets() const { return m_presets.get(); }
    ModulePresets* modulePresets() const { return m_modulePresets.get(); }
    DeviceSettings* deviceSettings() const { return m_deviceSettings.get(); }
    // The whole-setting resend: a stored setting's RECALL (with a data folder), or the
    // window's settings sent to the device.
    SettingRecall& recall() { return *m_recall; }
    // What the window edits: the device's settings or a setting file.
    SettingDocument& document() { return *m_document; }
    // The known devices of the venue and whether each is alive (the DEVICES list).
    VenueWatch& watch() { return *m_watch; }
    std::uint16_t devicePort() const { return m_options.devicePort; }
    std::uint16_t localPort() const { return m_options.localPort; }

    // The paced senders and the search stop; their threads are joined. The session stays.
    void stopWorkers();

private:
    DeviceServicesOptions m_options;
    Clock& m_clock;
    EventRelay m_relay;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<DiscoveryWorker> m_discovery;
    std::unique_ptr<PacedSender> m_pacer;
    std::unique_ptr<PacedSender> m_linked;
    std::unique_ptr<EditService> m_edits;
    std::unique_ptr<MicUnitService> m_units;
    std::unique_ptr<PresetLibrary> m_presets;
    std::unique_ptr<ModulePresets> m_modulePresets;
    std::unique_ptr<DeviceSettings> m_deviceSettings;
    std::unique_ptr<SettingRecall> m_recall;
    std::unique_ptr<FactoryRecovery> m_factory;
    std::unique_ptr<SettingDocument> m_document;
    // Last: it listens on the session's port and goes before the session does.
    std::unique_ptr<VenueWatch> m_watch;
};

} // namespace krm
