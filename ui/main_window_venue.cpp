// The main window's DEVICES section: the venue's known devices, whether each is alive, and
// switching the window to one of them.

#include "link/rooms_file.h"
#include "services/device_services.h"
#include "services/venue_watch.h"
#include "ui/host_settings.h"
#include "ui/link_controller.h"
#include "ui/main_window.h"
#include "ui/maintenance_section.h"
#include "ui/messages.h"
#include "ui/system_page.h"
#include "ui/venue_section.h"

#include "kit/texts.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>

namespace krm::ui {

namespace {

QString RoomsLine(const KnownDevice& device) {
    QString line = QString::fromStdString(device.address);
    if (!device.name.empty())
        line += QLatin1Char(' ') + QString::fromStdString(device.name);
    return line;
}

} // namespace

void MainWindow::buildVenue() {
    VenueWatch& watch = m_services.watch();
    // A search or an update binds the local port the watch's questions leave from. A search
    // that has swept every host only lists late replies: it ends when the watch asks.
    watch.setClaimPort([this] {
        if ((m_maintenance && m_maintenance->updating()) || m_services.discovery().sweeping())
            return false;
        if (m_services.discovery().running())
            m_link->stopSearch();
        return true;
    });
    // The stored list is read as a rooms file; a damaged entry is skipped, not fatal.
    for (const QString& line : m_settings.venueDevices()) {
        const auto parsed = ParseRoomsFile(line.toStdString(), "settings");
        if (const auto* devices = std::get_if<std::vector<VenueDevice>>(&parsed))
            for (const VenueDevice& d : *devices)
                watch.add({d.address, d.room});
    }

    m_venue = new VenueSection;
    m_system->setSectionContent(SystemPage::kDevicesSection, m_venue);
    // A venue of hundreds answers dozens of times a second: the rows are redrawn at most ten
    // times a second, and only while the list is shown (it is redrawn when it shows).
    auto* redraw = new QTimer(m_venue);
    redraw->setSingleShot(true);
    redraw->setInterval(100);
    connect(redraw, &QTimer::timeout, this, [this] { refreshVenue(); });
    watch.setOnChanged([this, redraw] {
        if (m_venue->isVisible() && !redraw->isActive())
            redraw->start();
    });
    connect(m_venue, &VenueSection::shown, this, [this] { refreshVenue(); });

    connect(m_venue, &VenueSection::addRequested, this,
            [this](const QString& address, const QString& name) {
                const std::optional<std::string> ip = DeviceIpFromText(address.toStdString());
                if (!ip) {
                    ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                                text("INVALID IP ADDRESS.", "IP地址无效."), QMessageBox::Warning);
                    return;
                }
                if (m_services.watch().add({*ip, name.toStdString()})) {
                    storeVenue();
                    m_venue->addressBox()->clear();
                    m_venue->nameBox()->clear();
                }
            });
    connect(m_venue, &VenueSection::addFoundRequested, this, [this] {
        bool added = false;
        for (int row = 0; row < m_system->deviceCount(); ++row)
            added |= m_services.watch().add({m_system->deviceAt(row).toStdString(), {}});
        if (added)
            storeVenue();
    });
    connect(m_venue, &VenueSection::roomsFileRequested, this, [this] { addRoomsFile(); });
    connect(m_venue, &VenueSection::removeRequested, this, [this](const QString& address) {
        m_services.watch().remove(address.toStdString());
        storeVenue();
    });
    // The offline-changes question follows as after CONNECT.
    connect(m_venue, &VenueSection::switchRequested, this,
            [this](const QString& address) { m_link->switchTo(address); });
    // "Last seen" ages while the list is shown.
    auto* ages = new QTimer(m_venue);
    ages->setInterval(1000);
    connect(ages, &QTimer::timeout, this, [this] {
        if (m_venue->isVisible())
            refreshVenue();
    });
    if (m_options.startTimers)
        ages->start();
    refreshVenue();
}

void MainWindow::refreshVenue() {
    if (m_venue)
        m_venue->showEntries(m_services.watch().entries(), m_clock.now());
}

void MainWindow::storeVenue() {
    QStringList lines;
    for (const VenueWatch::Entry& e : m_services.watch().entries())
        lines << RoomsLine(e.device);
    m_settings.setVenueDevices(lines);
}

void MainWindow::addRoomsFile() {
    const QString path = m_options.pickRoomsFile
                             ? m_options.pickRoomsFile()
                             : QFileDialog::getOpenFileName(this, text("Rooms file", "房间文件"));
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("Cannot read %1: %2", "无法读取 %1：%2").arg(path, file.errorString()),
                    QMessageBox::Warning);
        return;
    }
    const auto parsed = ParseRoomsFile(file.readAll().toStdString(), path.toStdString());
    if (const auto* reason = std::get_if<std::string>(&parsed)) {
        ShowMessage(this, QStringLiteral("KRM-416X 3.1"),
                    text("The rooms file was not read:\n%1", "房间文件未读入：\n%1")
                        .arg(QString::fromStdString(*reason)),
                    QMessageBox::Warning);
        return;
    }
    for (const VenueDevice& d : std::get<std::vector<VenueDevice>>(parsed))
        m_services.watch().add({d.address, d.room});
    storeVenue();
}

} // namespace krm::ui
