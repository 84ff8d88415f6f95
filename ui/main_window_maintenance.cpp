// The main window's part of firmware updates and factory recovery: it builds the HELP
// section with what the section needs from the window (questions, messages, the settings
// backup, the redraw after a reset, the reconnect offer).

#include "ui/main_window.h"

#include "kit/texts.h"
#include "presets/device_settings.h"
#include "presets/setting_file.h"
#include "presets/setting_recall.h"
#include "services/device_services.h"
#include "ui/host_settings.h"
#include "ui/link_controller.h"
#include "ui/maintenance_section.h"
#include "ui/messages.h"
#include "ui/settings_section.h"
#include "ui/system_page.h"
#include "ui/top_bar.h"
#include "update/factory_recovery.h"

#include <QDir>
#include <QMessageBox>

namespace krm::ui {

namespace {

constexpr const char* kBackupName = "BEFORE UPDATE";
constexpr const char* kBackupFile = "BeforeUpdate.dat";

} // namespace

void MainWindow::buildMaintenance() {
    MaintenanceServices s;
    s.ask = [this](const QString& question, std::function<void(bool)> answer) {
        ask(question, std::move(answer));
    };
    s.showMessage = [this](const QString& text, bool warning, const QString& caption) {
        return ShowMessage(this, caption.isEmpty() ? QStringLiteral("KRM-416X 3.1") : caption, text,
                           warning ? QMessageBox::Warning : QMessageBox::Information);
    };
    s.backupSettings = [this](QString& error) { return backupBeforeUpdate(error); };
    s.recovered = [this] { factoryRecovered(); };
    s.reconnect = [this] {
        if (!m_session.isOnline() && !m_session.isConnecting())
            m_session.connect();
    };
    s.stopDiscovery = [this] { m_link->stopSearch(); };
    s.deviceIp = [this] { return m_session.deviceIp(); };
    s.startTimer = m_options.startTimers;
    s.devicePort = m_options.devicePort;
    s.localPort = m_options.localPort;
    s.firmwareFolder =
        m_options.firmwareFolder.isEmpty() ? m_options.dataFolder : m_options.firmwareFolder;
    s.updatePageUrl =
        m_options.updatePageUrl.isEmpty() ? m_settings.updatePageUrl() : m_options.updatePageUrl;
    m_maintenance = new MaintenanceSection(m_session, m_edits, m_services.factory(), m_clock,
                                           std::move(s), m_system);
    m_system->setSectionContent(3, m_maintenance);
}

std::optional<QString> MainWindow::backupBeforeUpdate(QString& error) {
    const LinkStateRecord link = currentLinkState();
    if (DeviceSettings* settings = m_services.deviceSettings()) {
        switch (settings->save(image(), link)) {
        case SaveOutcome::Saved: {
            // The new setting has the largest ID: the last row.
            const std::optional<std::vector<std::string>> rows = settings->rows();
            if (rows && !rows->empty()) {
                const std::string row = rows->back();
                settings->rename(row, kBackupName);
                if (m_settingsSection)
                    m_settingsSection->refill();
                const auto colon = row.find(':');
                return text("stored setting %1 \"%2\"", "已存储设置 %1 \"%2\"")
                    .arg(QString::fromStdString(row.substr(0, colon)), QLatin1String(kBackupName));
            }
            return text("a stored setting", "一个已存储设置");
        }
        case SaveOutcome::Full:
            break; // all 32 in use: a file beside the firmware files instead
        case SaveOutcome::Failed: {
            const Message& m = settings->lastError();
            error = QString::fromStdString(currentLanguage() == Language::Chinese ? m.zh : m.en);
            return std::nullopt;
        }
        }
    }
    const QString folder =
        m_options.firmwareFolder.isEmpty() ? m_options.dataFolder : m_options.firmwareFolder;
    if (folder.isEmpty()) {
        error = text("no folder for setting files is configured", "未配置设置文件的文件夹");
        return std::nullopt;
    }
    const QString path = QDir(folder).filePath(QLatin1String(kBackupFile));
    if (!WriteSettingFile(path.toStdU16String(), image(), link)) {
        error = text("%1 could not be written", "无法写入 %1").arg(path);
        return std::nullopt;
    }
    return path;
}

void MainWindow::factoryRecovered() {
    m_session.touchLastReply();
    for (int g = 1; g <= kGroupCount; ++g) {
        m_topBar->setMuteGroupLit(g, false);
        m_topBar->setControlGroupLit(g, false);
    }
    showPage(m_pages.bank(), View::Channel);
    refreshAll();
}

} // namespace krm::ui
