#pragma once
// An in-process program session against a virtual device, both on loopback with
// ephemeral ports. The test thread plays the user-interface thread: it drains the task
// queue the receive thread posts to. Link time-outs run on a fake clock; only the
// datagrams themselves travel in real time.

#include "link/post.h"
#include "model/device_session.h"
#include "sim/virtual_device.h"
#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

namespace krm::test {

class RecordingEvents final : public SessionEvents {
public:
    void linkIndicatorChanged(LinkIndicator indicator) override { indicators.push_back(indicator); }
    void connectButtonChanged(bool connected) override { buttons.push_back(connected); }
    void connectFailed() override { ++failures; }
    void socketError() override { ++socketErrors; }
    void refreshAll() override {
        ++refreshes;
        if (onRefresh)
            onRefresh();
    }
    void statusUpdated() override { ++statusUpdates; }
    void levelsUpdated() override { ++levelUpdates; }
    void deviceReconnected(const std::vector<ImageModule>& changed) override {
        reconnected.push_back(changed);
    }

    std::vector<LinkIndicator> indicators;
    std::vector<bool> buttons;
    int failures = 0;
    int socketErrors = 0;
    int refreshes = 0;
    int statusUpdates = 0;
    int levelUpdates = 0;
    std::vector<std::vector<ImageModule>> reconnected; // the changed modules of each return
    std::function<void()> onRefresh;                   // runs inside refreshAll(), when set
};

// Runs posted tasks until the condition holds or a real-time guard passes. The guard only
// stops a broken test from hanging; a passing test never waits for it.
inline bool PumpUntil(TaskQueue& queue, const std::function<bool()>& done,
                      std::chrono::milliseconds guard = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        queue.waitAndRun(std::chrono::milliseconds(5));
    }
    return true;
}

// Sends one frame as a device would: a frame longer than the program's receive buffer
// (the full dump) goes out in pieces that the program's splitter joins again.
inline bool SendAsDevice(UdpSocket& from, const Endpoint& to, std::string_view frame) {
    for (std::size_t at = 0; at < frame.size(); at += UdpSocket::kMaxDatagram)
        if (!from.sendTo(to, frame.substr(at, UdpSocket::kMaxDatagram)))
            return false;
    return true;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.start(*Endpoint::parse("127.0.0.1", 0)));
        session.setLocalPort(0);
        session.setDevice("127.0.0.1", device.endpoint().port);
    }
    void TearDown() override {
        session.shutdown();
        device.stop();
    }

    bool pumpUntil(const std::function<bool()>& done) { return PumpUntil(queue, done); }
    // Lets datagrams already on their way arrive and be handled.
    void settle() {
        for (int i = 0; i < 10; ++i)
            queue.waitAndRun(std::chrono::milliseconds(5));
    }

    // The link timer as the main window runs it, with time jumping ahead.
    void tick(Millis by) {
        clock.advance(by);
        session.onLinkTimer();
    }

    FakeClock clock;
    TaskQueue queue;
    RecordingEvents events;
    sim::VirtualDevice device;
    DeviceSession session{clock, queue.poster(), events};
};

} // namespace krm::test
