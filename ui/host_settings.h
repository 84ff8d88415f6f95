#pragma once
// HostSettings: the program's stored values in section `U_FONT_SECTION` of an INI file in
// the per-user configuration location (tests pass their own file): the device address
// `hostip` (a missing, empty or unusable value reads as "192.168.1.106") and the address of
// the firmware update page `updatepage` (none by default: the remote update stays hidden)
// and whether control groups keep their members' offsets `keepoffsets` (off by default), and
// the venue's known devices `venuedevices` (the DEVICES list).
// UI thread only.

#include <QString>
#include <QStringList>

#include <memory>

class QSettings;

namespace krm::ui {

inline constexpr const char* kSettingsSection = "U_FONT_SECTION";
inline constexpr const char* kHostIpKey = "hostip";
inline constexpr const char* kUpdatePageKey = "updatepage";
inline constexpr const char* kKeepOffsetsKey = "keepoffsets";
inline constexpr const char* kVenueDevicesKey = "venuedevices";

class HostSettings {
public:
    // An empty path means the per-user INI file of the program.
    explicit HostSettings(const QString& iniPath = {});
    ~HostSettings();
    HostSettings(const HostSettings&) = delete;
    HostSettings& operator=(const HostSettings&) = delete;

    QString hostIp() const;
    // Stores the address at once (written through to the file).
    void setHostIp(const QString& ip);
    // The update page's address as stored; empty when none is.
    QString updatePageUrl() const;
    // Whether a control group's members keep their offsets; stored at once.
    bool keepOffsets() const;
    void setKeepOffsets(bool on);
    // The DEVICES list: one line a device, as in a rooms file ("127.0.1.1 Hall A").
    QStringList venueDevices() const;
    void setVenueDevices(const QStringList& lines);
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace krm::ui
