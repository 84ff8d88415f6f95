#pragma once
// krm416x-ctl run in-process against a virtual device on loopback: every command's status
// and both output streams, with the senders' pauses on a fake clock (a millisecond of real
// time per pause) and the port locks in a scratch folder.

#include "app/ctl/ctl.h"
#include "kit/qt_glyph_renderer.h"
#include "sim/virtual_device.h"
#include "tests/support/paced_fake_clock.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace krm::test {

struct CtlRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Waits in real time until `done` holds (the device applies frames on its own thread).
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds guard = std::chrono::milliseconds(3000)) {
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class CtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.2", 0)));
        environment.clock = &clock;
        environment.glyphs = &glyphs;
    }
    void TearDown() override { device.stop(); }

    CtlRun run(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        CtlRun r;
        r.status = ctl::RunCtl(args, out, err, environment);
        r.out = out.str();
        r.err = err.str();
        return r;
    }
    // The command with the device's address and ports (an ephemeral local port).
    CtlRun runOn(const sim::VirtualDevice& on, std::vector<std::string> args) {
        args.insert(args.begin() + 1, {"--device", on.endpoint().addressText(), "--device-port",
                                       std::to_string(on.endpoint().port), "--local-port", "0"});
        return run(std::move(args));
    }
    std::string file(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir dir;
    FakeClock fake;
    PacedFakeClock clock{fake};
    // The names are drawn as the tool's main() draws them.
    const QtGlyphRenderer glyphs;
    ctl::CtlEnvironment environment;
    sim::VirtualDevice device;
};

} // namespace krm::test
