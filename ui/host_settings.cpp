#include "ui/host_settings.h"

#include "link/network_settings.h"

#include <QSettings>

namespace krm::ui {

namespace {
QString sectionKey() {
    return QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection), QLatin1String(kHostIpKey));
}
} // namespace

HostSettings::HostSettings(const QString& iniPath) {
    if (iniPath.isEmpty())
        m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                 QStringLiteral("KRM"), QStringLiteral("krm416x"));
    else
        m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

HostSettings::~HostSettings() = default;

QString HostSettings::hostIp() const {
    std::optional<std::string> stored;
    const QVariant value = m_settings->value(sectionKey());
    if (value.isValid())
        stored = value.toString().toStdString();
    return QString::fromStdString(StartupDeviceIp(stored));
}

void HostSettings::setHostIp(const QString& ip) {
    m_settings->setValue(sectionKey(), ip);
    m_settings->sync();
}

QString HostSettings::updatePageUrl() const {
    return m_settings
        ->value(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                            QLatin1String(kUpdatePageKey)))
        .toString()
        .trimmed();
}

bool HostSettings::keepOffsets() const {
    return m_settings
        ->value(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                            QLatin1String(kKeepOffsetsKey)),
                false)
        .toBool();
}

void HostSettings::setKeepOffsets(bool on) {
    m_settings->setValue(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                                     QLatin1String(kKeepOffsetsKey)),
                         on);
    m_settings->sync();
}

QStringList HostSettings::venueDevices() const {
    return m_settings
        ->value(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                            QLatin1String(kVenueDevicesKey)))
        .toStringList();
}

void HostSettings::setVenueDevices(const QStringList& lines) {
    m_settings->setValue(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                                     QLatin1String(kVenueDevicesKey)),
                         lines);
    m_settings->sync();
}

QString HostSettings::fileName() const {
    return m_settings->fileName();
}

} // namespace krm::ui
