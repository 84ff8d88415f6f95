#pragma once
// What the end-to-end resend tests share: a whole device's resend written out step by
// step, as the device's documentation lists it (the tap in front of the link is a
// TimedSink, the clock a PacedFakeClock).
#include "link/clock.h"
#include "link/frame_sink.h"
#include "model/device_image.h"
#include "model/frame_builders.h"
#include "tests/support/paced_fake_clock.h"
#include "tests/support/timed_sink.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace krm::test {

using namespace std::chrono_literals;

struct Expected {
    std::string frame;
    Millis pause;
};

// The resend written out step by step, as the device's documentation lists it.
inline std::vector<Expected> ExpectedResend(const DeviceImage& s) {
    std::vector<Expected> e;
    auto add = [&](std::string f, int ms) {
        if (!f.empty()) // no aux-send frame for CH19 and CH20
            e.push_back({std::move(f), Millis(ms)});
    };
    add(BuildQ(0), 20);
    for (int i = 1; i <= 6; ++i)
        add(BuildX(s, i), 100);
    for (int c = 1; c <= 28; ++c) {
        add(BuildV(s, c, nullptr), 150);
        add(BuildA(s, c), 20);
    }
    for (int c = 1; c <= 20; ++c) {
        add(BuildB(s, c), 20);
        if (c <= 16) {
            add(BuildC(s, c), 20);
            add(BuildE(s, c), 20);
            add(BuildF(s, c), 20);
            add(BuildL(s, c), 20);
        }
        add(BuildO(s, c), 20);
    }
    for (int o = 1; o <= 8; ++o) {
        add(BuildD(s, o), 20);
        add(BuildH(s, o), 20);
        add(BuildI(s, o), 20);
        add(BuildJ(s, o), 20);
        add(BuildK(s, o), 20);
        add(BuildL(s, o), 20);
    }
    for (int c = 1; c <= 20; ++c) {
        for (int b = 1; b <= 4; ++b)
            add(BuildG(s, c, b), 20);
        add(BuildAuxSends(s, c), 20); // the input's aux sends
    }
    add(BuildM(s), 20);
    add(BuildQ(1), 20);
    return e;
}

} // namespace krm::test
