#pragma once
// A test fixture for the program's main window with no device: a temporary folder for the
// settings and the preset database, a fake clock, an ephemeral local port, no timers of its
// own (tests drive them) and a loopback network for a search.

#include "tests/support/fake_clock.h"
#include "ui/main_window.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace krm::test {

class OfflineWindowTest : public ::testing::Test {
protected:
    ui::MainWindowOptions options() {
        ui::MainWindowOptions o;
        o.settingsPath = dir.filePath(QStringLiteral("krm.ini"));
        o.dataFolder = dir.path();
        o.clock = &clock;
        o.localPort = 0;
        o.startTimers = false;
        o.interfaces = [] {
            return std::vector<Ipv4Interface>{{"lo-test", 0x7F000001u, true, false}};
        };
        return o;
    }

    QTemporaryDir dir;
    FakeClock clock;
};

} // namespace krm::test
