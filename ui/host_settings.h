#pragma once
// HostSettings: the program's one stored value, the device address `hostip` in section
// `U_FONT_SECTION` of an INI file in the per-user configuration location (tests pass their
// own file). A missing, empty or unusable value reads as "192.168.1.106". UI thread only.

#include <QString>

#include <memory>

class QSettings;

namespace krm::ui {

inline constexpr const char* kSettingsSection = "U_FONT_SECTION";
inline constexpr const char* kHostIpKey = "hostip";

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
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace krm::ui
