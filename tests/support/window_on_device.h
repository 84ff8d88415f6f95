#pragma once
// The program's main window connected to an in-process virtual device on loopback: a fake
// clock for the paced senders, no timers of its own (tests drive them), an ephemeral local
// port and a temporary folder for its settings. For end-to-end tests of pages and editors.

#include "app/program.h"
#include "sim/virtual_device.h"

#include "tests/support/fake_clock.h"
#include "tests/support/paced_fake_clock.h"
#include "tests/support/qt_pump.h"
#include "ui/main_window.h"

#include <QSize>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace krm::test {

class WindowOnDevice {
public:
    // configure: changes to the window's options before it is built (a data folder, the
    // paced clock for workers that wait for real replies).
    explicit WindowOnDevice(QSize size = {1366, 768},
                            const std::function<void(ui::MainWindowOptions&)>& configure = {}) {
        if (!device.start(*Endpoint::parse("127.0.0.1", 0)))
            return;
        ui::MainWindowOptions o;
        o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
        o.clock = &clock;
        o.localPort = 0;
        o.startTimers = false;
        o.deviceOverride = QStringLiteral("127.0.0.1");
        o.devicePort = device.endpoint().port;
        o.interfaces = [] { return std::vector<Ipv4Interface>{}; };
        if (configure)
            configure(o);
        m_program = std::make_unique<app::Program>(o);
        m_window = &m_program->window();
        m_window->resize(size);
        m_window->show();
        m_window->session().connect();
        m_online = PumpEventsUntil([&] { return m_window->session().isOnline(); });
    }

    // True once the window's session is online with the device.
    bool connected() const { return m_online; }
    ui::MainWindow& window() { return *m_window; }

    sim::VirtualDevice device;
    QTemporaryDir dir;
    FakeClock clock;
    // The fake clock with a millisecond of real time per pause, for the window's workers
    // that wait on real datagrams (firmware transfers): set o.clock = &paced in configure.
    PacedFakeClock paced{clock};

private:
    std::unique_ptr<app::Program> m_program;
    ui::MainWindow* m_window = nullptr;
    bool m_online = false;
};

} // namespace krm::test
