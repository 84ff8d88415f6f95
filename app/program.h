#pragma once
// Program: the composition root — the one place that builds the control program's
// services and hands them to the window: the instance lock on the device port, the Qt
// glyph renderer of the name frames, the optional in-process virtual device of demo mode,
// the stored host settings, the device's services (session, search, paced senders, edit
// service, units, presets, stored settings, recovery; services/device_services.h) and the
// main window, which builds none of them. main(), the wiring tests and the benchmarks all
// build the program through it, with fakes (a clock, the interfaces to search) where they
// need them, so what the tests check is what runs.
//
// UI thread only.

#include "kit/qt_glyph_renderer.h"
#include "link/instance_lock.h"
#include "services/device_services.h"
#include "ui/host_settings.h"
#include "ui/main_window.h"

#include <QLocalServer>
#include <QString>

#include <memory>
#include <optional>
#include <string_view>
#include <utility>

namespace krm::sim {
class VirtualDevice;
}

namespace krm::app {

// The control program's executable name, as its port lock records it.
inline constexpr std::string_view kProgramName = "krm416x";

struct ProgramOptions {
    // The data folder left empty turns presets and stored settings off (main() passes
    // DefaultDataFolder() when none is given).
    ui::MainWindowOptions window;
    bool demo = false;
};

class Program {
public:
    explicit Program(ProgramOptions options);
    // A window built from plain window options, as the tests and benchmarks build it.
    explicit Program(ui::MainWindowOptions window) : Program(ProgramOptions{std::move(window)}) {}
    ~Program();

    // False when another copy already holds the local port: `error` then says so and no
    // window was built.
    bool ok() const { return m_window != nullptr; }
    const QString& error() const { return m_error; }
    // A second start whose running copy brought its window to the front: nothing more for
    // the operator to read, so no message box waits for a click.
    bool raisedRunningCopy() const { return m_raisedRunningCopy; }
    ui::MainWindow& window() { return *m_window; }
    DeviceServices& services() { return *m_services; }
    const GlyphRenderer& glyphs() const { return m_glyphs; }
    // How often a second start asked this copy to come to the front.
    int raiseRequests() const { return m_raiseRequests; }

private:
    // The running copy listens for a second start; the second start asks it to raise its
    // window and then exits.
    void listenForSecondStarts(const QString& name);
    static bool askFirstCopyToRaise(const QString& name);
    void raiseWindow();

    QtGlyphRenderer m_glyphs;
    QLocalServer m_server;
    int m_raiseRequests = 0;
    bool m_raisedRunningCopy = false;
    std::unique_ptr<InstanceLock> m_lock;
    // Declared before the window so that it outlives the window's shutdown ("%Q," 0).
    std::unique_ptr<sim::VirtualDevice> m_device;
    // The thread the services' events are queued onto; it outlives the services.
    QObject m_eventContext;
    std::unique_ptr<ui::HostSettings> m_settings;
    std::unique_ptr<DeviceServices> m_services;
    std::unique_ptr<ui::MainWindow> m_window;
    QString m_error;
};

// Where the preset database and the setting files live: the program's own folder when it
// is writable and not an installed bin/ folder, else the per-user data folder
// (~/.local/share/krm416x, created when missing).
QString DefaultDataFolder();
// The choice DefaultDataFolder() makes, for a given program folder and per-user folder.
QString DataFolderFor(const QString& programFolder, const QString& userFolder);
// True when programFolder is the bin/ folder of an installed copy (its .desktop file lies
// in ../share/applications).
bool IsInstalledProgramFolder(const QString& programFolder);

// The local socket a running copy listens on for a second start on the same port (the
// port's lock, link/instance_lock.h, allows one copy of the program or of the command-line
// tool per port on the computer).
QString InstanceServerName(std::uint16_t localPort);

} // namespace krm::app
