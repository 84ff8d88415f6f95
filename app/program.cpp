#include "app/program.h"

#include "kit/texts.h"
#include "sim/virtual_device.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>

namespace krm::app {

bool IsInstalledProgramFolder(const QString& programFolder) {
    // `cmake --install` and the package put the .desktop file in <prefix>/share/applications
    // beside <prefix>/bin. Such a folder is shared by every user (and writable when root
    // runs the program), so the data never goes there.
    if (programFolder.isEmpty())
        return false;
    return QFileInfo::exists(
        QDir(programFolder).filePath(QStringLiteral("../share/applications/krm416x.desktop")));
}

QString DataFolderFor(const QString& programFolder, const QString& userFolder) {
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isWritable() &&
        !IsInstalledProgramFolder(programFolder))
        return programFolder;
    return userFolder;
}

QString DefaultDataFolder() {
    const QString folder =
        DataFolderFor(QCoreApplication::applicationDirPath(),
                      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QDir().mkpath(folder);
    return folder;
}

QString InstanceServerName(std::uint16_t localPort) {
    return QStringLiteral("krm416x-port-%1").arg(localPort);
}

bool Program::askFirstCopyToRaise(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(500))
        return false;
    socket.write("raise\n");
    const bool written = socket.waitForBytesWritten(500);
    socket.disconnectFromServer();
    return written;
}

void Program::listenForSecondStarts(const QString& name) {
    // The lock is ours, so a server left behind by a crashed copy is stale.
    QLocalServer::removeServer(name);
    if (!m_server.listen(name))
        return; // the copy still runs; a second start only says so
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket* peer = m_server.nextPendingConnection()) {
            QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
                if (peer->readAll().startsWith("raise"))
                    raiseWindow();
            });
            QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        }
    });
}

void Program::raiseWindow() {
    ++m_raiseRequests;
    if (!m_window)
        return;
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

Program::Program(ProgramOptions options) {
    ui::MainWindowOptions& w = options.window;
    // Port 0 binds an ephemeral port: two such copies never meet on one port.
    if (w.localPort != 0) {
        std::string holder;
        m_lock = TakeInstanceLock(w.localPort, kProgramName, &holder);
        const QString server = InstanceServerName(w.localPort);
        if (!m_lock) {
            if (holder == kCtlProgramName) {
                m_error = ui::text("The command-line tool %1 is using port %2. Start the "
                                   "program again when it has finished.",
                                   "命令行工具 %1 正在使用端口 %2。请在它结束后再启动本程序。")
                              .arg(QString::fromStdString(holder))
                              .arg(w.localPort);
                return;
            }
            m_raisedRunningCopy = askFirstCopyToRaise(server);
            m_error = ui::text("The KRM-416X program is already running on port %1.",
                               "KRM-416X 程序已在端口 %1 上运行。")
                          .arg(w.localPort);
            if (m_raisedRunningCopy)
                m_error += ui::text(" Its window has been brought to the front.",
                                    "已将它的窗口移到最前。");
            return;
        }
        listenForSecondStarts(server);
    }
    if (options.demo) {
        m_device = std::make_unique<sim::VirtualDevice>();
        std::string error;
        // The device's own port when it is free, so that Search finds the virtual device
        // as it would find a real one; else any port.
        const auto bind = Endpoint::parse("127.0.0.2", w.devicePort);
        if (!bind || (!m_device->start(*bind, &error) &&
                      !m_device->start(Endpoint{bind->address, 0}, &error))) {
            m_error = ui::text("Cannot start the virtual device: %1", "无法启动虚拟设备：%1")
                          .arg(QString::fromStdString(error));
            return;
        }
        w.deviceOverride = QString::fromStdString(m_device->endpoint().addressText());
        w.devicePort = m_device->endpoint().port;
        // Search sweeps the loopback /24 only: the demo never probes the real network.
        w.interfaces = [] {
            return std::vector<Ipv4Interface>{
                {"demo", Endpoint::fromOctets(127, 0, 0, 1, 0).address, true, false}};
        };
    }
    if (!w.glyphs)
        w.glyphs = &m_glyphs;
    m_settings = std::make_unique<ui::HostSettings>(w.settingsPath);

    DeviceServicesOptions d;
    d.clock = w.clock;
    // Every event of the session and the search worker is queued onto the UI thread.
    d.post = [context = &m_eventContext](Task task) {
        QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
    };
    d.glyphs = w.glyphs;
    d.deviceIp = w.deviceOverride.value_or(m_settings->hostIp()).toStdString();
    d.devicePort = w.devicePort;
    d.localPort = w.localPort;
    d.interfaces = w.interfaces;
    if (!w.dataFolder.isEmpty())
        d.dataFolder = QDir(w.dataFolder).absolutePath().toStdU16String();
    m_services = std::make_unique<DeviceServices>(std::move(d));
    m_window = std::make_unique<ui::MainWindow>(w, *m_services, *m_settings);
}

Program::~Program() {
    m_window.reset();
    m_services.reset();
    m_device.reset();
}

} // namespace krm::app
