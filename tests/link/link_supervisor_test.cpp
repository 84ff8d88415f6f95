#include "link/link_supervisor.h"

#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace krm {
namespace {

using namespace std::chrono_literals;

// Records every command with the fake time at which it was given.
class FakeCommands final : public LinkCommands {
public:
    explicit FakeCommands(test::FakeClock& clock) : m_clock(clock) {}
    void sendStopReports() override { log.push_back("Q0"); }
    void sendHello() override {
        log.push_back("Z");
        helloTimes.push_back(m_clock.now());
    }
    void sendStartReports() override { log.push_back("Q1"); }
    bool startReceiver() override {
        log.push_back("start");
        return socketWorks;
    }
    void stopReceiver() override { log.push_back("stop"); }
    void setLinkOnline(bool online) override { log.push_back(online ? "online" : "offline"); }

    std::vector<std::string> log;
    std::vector<Millis> helloTimes;
    bool socketWorks = true;

private:
    test::FakeClock& m_clock;
};

class FakeEvents final : public LinkEvents {
public:
    explicit FakeEvents(test::FakeClock& clock) : m_clock(clock) {}
    void linkIndicatorChanged(LinkIndicator indicator) override {
        indicators.push_back(indicator);
        indicatorTimes.push_back(m_clock.now());
    }
    void connectButtonChanged(bool connected) override { buttons.push_back(connected); }
    void connectFailed() override { failedAt.push_back(m_clock.now()); }
    void socketError() override { ++socketErrors; }
    void clear() {
        indicators.clear();
        indicatorTimes.clear();
        buttons.clear();
        failedAt.clear();
        socketErrors = 0;
    }

    std::vector<LinkIndicator> indicators;
    std::vector<Millis> indicatorTimes;
    std::vector<bool> buttons;
    std::vector<Millis> failedAt;
    int socketErrors = 0;

private:
    test::FakeClock& m_clock;
};

class LinkSupervisorTest : public ::testing::Test {
protected:
    // Runs the 50 ms link timer for the given span of fake time.
    void runTimerFor(Millis span) {
        for (Millis t{0}; t < span; t += 50ms) {
            clock.advance(50ms);
            sup.OnLinkTimer();
        }
    }
    // Connects and lets the device answer at once with its dump and identification.
    void connectOnline() {
        sup.Connect();
        sup.onDumpReply();
        sup.onIdentReply();
        commands.log.clear();
        commands.helloTimes.clear();
        events.clear();
    }

    test::FakeClock clock;
    FakeCommands commands{clock};
    FakeEvents events{clock};
    LinkSupervisor sup{clock, events, commands};
};

TEST_F(LinkSupervisorTest, ConnectStartsAFreshReceiverStopsReportsAndSaysHello) {
    const Millis pressed = clock.now();
    sup.Connect();
    EXPECT_EQ(commands.log, (std::vector<std::string>{"stop", "start", "Q0", "Z"}));
    EXPECT_TRUE(sup.connecting());
    EXPECT_FALSE(sup.online());
    EXPECT_EQ(sup.connectTries(), 0);
    EXPECT_EQ(sup.connectTime(), pressed);
    EXPECT_TRUE(sup.receiverStarted());

    // A second press while connecting is ignored, by either entry point.
    clock.advance(200ms);
    sup.Connect();
    sup.pressConnectButton();
    EXPECT_EQ(commands.log.size(), 4u);
    EXPECT_EQ(sup.connectTime(), pressed);
    EXPECT_TRUE(events.buttons.empty());
}

TEST_F(LinkSupervisorTest, SilentDeviceGetsThreeHellosFiveSecondsApartThenCannotConnect) {
    const Millis t0 = clock.now();
    sup.Connect();
    runTimerFor(30s);
    EXPECT_EQ(commands.helloTimes, (std::vector<Millis>{t0, t0 + 5s, t0 + 10s}));
    ASSERT_EQ(events.failedAt.size(), 1u);
    EXPECT_EQ(events.failedAt[0], t0 + 15s);
    EXPECT_EQ(events.buttons, std::vector<bool>{false}); // "CONNECT"
    EXPECT_FALSE(sup.connecting());
    EXPECT_FALSE(sup.online());
    EXPECT_FALSE(sup.receiverStarted());
    EXPECT_EQ(commands.log.back(), "stop");
    EXPECT_TRUE(events.indicators.empty());
}

TEST_F(LinkSupervisorTest, DeviceAnsweringOnlyTheThirdHelloConnects) {
    const Millis t0 = clock.now();
    sup.Connect();
    runTimerFor(10s); // the third hello goes out at 10 s
    ASSERT_EQ(commands.helloTimes.size(), 3u);
    EXPECT_EQ(sup.connectTries(), 2);
    clock.advance(1200ms);
    sup.onDumpReply();
    EXPECT_TRUE(sup.connecting()); // the attempt lasts until the identification
    EXPECT_FALSE(sup.online());
    sup.onIdentReply();
    runTimerFor(8s);

    EXPECT_TRUE(sup.online());
    EXPECT_TRUE(sup.linkShown());
    EXPECT_TRUE(events.failedAt.empty());
    EXPECT_EQ(commands.helloTimes.size(), 3u);
    EXPECT_EQ(events.buttons, std::vector<bool>{true}); // "DISCONNECT"
    EXPECT_EQ(events.indicators, std::vector<LinkIndicator>{LinkIndicator::Online});
    EXPECT_EQ(sup.lastReplyTime(), t0 + 11200ms);
    // Online is published to the senders before the reports are started.
    const std::vector<std::string> tail(commands.log.end() - 2, commands.log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"online", "Q1"}));
}

TEST_F(LinkSupervisorTest, DumpWithoutIdentificationKeepsRetryingThenGivesUp) {
    sup.Connect();
    clock.advance(100ms);
    sup.onDumpReply(); // the identification datagram was lost
    runTimerFor(10s);
    EXPECT_EQ(commands.helloTimes.size(), 3u) << "the hello is repeated";
    EXPECT_TRUE(events.failedAt.empty());
    runTimerFor(5s);
    EXPECT_EQ(events.failedAt.size(), 1u) << "\"CANNOT CONNECT.\" instead of waiting forever";
    EXPECT_FALSE(sup.connecting());
    EXPECT_FALSE(sup.online());
}

TEST_F(LinkSupervisorTest, IdentificationWithoutDumpStillEndsTheAttempt) {
    sup.Connect();
    runTimerFor(6s);
    sup.onIdentReply(); // the dump datagram was lost
    runTimerFor(9s);
    EXPECT_FALSE(sup.connecting());
    EXPECT_TRUE(sup.online());
    EXPECT_TRUE(sup.receiverStarted());
    EXPECT_TRUE(events.failedAt.empty());
    EXPECT_EQ(commands.helloTimes.size(), 2u);
}

TEST_F(LinkSupervisorTest, SilenceShowsOfflineEveryTenSecondsUntilTheNextReport) {
    connectOnline();
    const Millis t0 = clock.now();
    runTimerFor(25s);
    EXPECT_EQ(events.indicators,
              (std::vector<LinkIndicator>{LinkIndicator::Offline, LinkIndicator::Offline}));
    EXPECT_EQ(events.indicatorTimes, (std::vector<Millis>{t0 + 10s, t0 + 20s}));
    EXPECT_FALSE(sup.linkShown());
    EXPECT_TRUE(sup.online()); // senders keep sending
    EXPECT_TRUE(commands.log.empty());

    // The next report lights the indicator again without a new connect; a second one
    // changes nothing.
    sup.onStatusReport();
    sup.onStatusReport();
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);
    EXPECT_EQ(events.indicators.size(), 3u);
    EXPECT_TRUE(sup.linkShown());
    EXPECT_TRUE(commands.log.empty());
    const Millis report = clock.now();
    runTimerFor(10s);
    EXPECT_EQ(events.indicatorTimes.back(), report + 10s);
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Offline);
}

TEST_F(LinkSupervisorTest, RegularReportsAndPacedSendsKeepTheWatchdogQuiet) {
    connectOnline();
    for (int i = 0; i < 6; ++i) {
        runTimerFor(9s);
        if (i % 2 == 0)
            sup.onStatusReport();
        else
            sup.refreshLastReplyTime();
    }
    EXPECT_TRUE(events.indicators.empty());
}

TEST_F(LinkSupervisorTest, DisconnectStopsReportsThenTheReceiverAndClearsOnline) {
    connectOnline();
    sup.pressConnectButton(); // online: the button disconnects
    EXPECT_EQ(commands.log, (std::vector<std::string>{"Q0", "stop", "offline"}));
    EXPECT_FALSE(sup.online());
    EXPECT_FALSE(sup.connecting());
    EXPECT_FALSE(sup.linkShown());
    EXPECT_EQ(events.buttons, std::vector<bool>{false});
    EXPECT_EQ(events.indicators, std::vector<LinkIndicator>{LinkIndicator::Dark});

    // Replies still queued from before the stop change nothing.
    sup.onStatusReport();
    sup.onIdentReply();
    runTimerFor(30s);
    EXPECT_FALSE(sup.online());
    EXPECT_EQ(events.indicators.size(), 1u);
    EXPECT_EQ(commands.log.size(), 3u);

    // The next press connects again.
    sup.pressConnectButton();
    EXPECT_TRUE(sup.connecting());
    EXPECT_EQ(commands.log.back(), "Z");
}

TEST_F(LinkSupervisorTest, SocketFailureShowsWinsockErrorThenTheAttemptTimesOut) {
    commands.socketWorks = false;
    const Millis t0 = clock.now();
    sup.Connect();
    EXPECT_EQ(events.socketErrors, 1); // "Winsock error!"
    EXPECT_TRUE(sup.connecting());
    EXPECT_FALSE(sup.receiverStarted());
    // A second press is ignored while the attempt runs.
    sup.pressConnectButton();
    EXPECT_EQ(events.socketErrors, 1);
    // A reply cannot come without a receiver; one left over from before changes nothing.
    sup.onIdentReply();
    EXPECT_FALSE(sup.online());
    runTimerFor(20s);
    ASSERT_EQ(events.failedAt.size(), 1u); // then "CANNOT CONNECT."
    EXPECT_EQ(events.failedAt[0], t0 + 15s);
    EXPECT_EQ(events.buttons, std::vector<bool>{false});
    EXPECT_FALSE(sup.connecting());
    EXPECT_EQ(events.socketErrors, 1);

    commands.socketWorks = true;
    commands.helloTimes.clear();
    sup.Connect();
    EXPECT_TRUE(sup.connecting());
    EXPECT_TRUE(sup.receiverStarted());
    EXPECT_EQ(commands.helloTimes.size(), 1u);
}

TEST_F(LinkSupervisorTest, SearchTakesThePortFromAnOnlineOrConnectingLink) {
    connectOnline();
    sup.StopForSearch(); // online: a full disconnect, so the device stops reporting
    EXPECT_EQ(commands.log, (std::vector<std::string>{"Q0", "stop", "offline"}));
    EXPECT_EQ(events.buttons, std::vector<bool>{false});
    EXPECT_FALSE(sup.online());

    commands.log.clear();
    events.clear();
    sup.Connect();
    commands.log.clear();
    sup.StopForSearch(); // connecting: the attempt ends quietly
    EXPECT_EQ(commands.log, std::vector<std::string>{"stop"});
    EXPECT_FALSE(sup.connecting());
    EXPECT_EQ(events.buttons, std::vector<bool>{false});
    runTimerFor(20s);
    EXPECT_TRUE(events.failedAt.empty());
    EXPECT_EQ(commands.helloTimes.size(), 1u);
}

TEST_F(LinkSupervisorTest, ShutdownStopsReportsOnlyWhenOnlineAndAlwaysStopsTheReceiver) {
    connectOnline();
    sup.Shutdown();
    EXPECT_EQ(commands.log, (std::vector<std::string>{"Q0", "stop"}));
    EXPECT_FALSE(sup.receiverStarted());

    LinkSupervisor idle(clock, events, commands);
    commands.log.clear();
    idle.Connect();
    commands.log.clear();
    idle.Shutdown();
    EXPECT_EQ(commands.log, std::vector<std::string>{"stop"});
    EXPECT_FALSE(idle.connecting());
}

} // namespace
} // namespace krm
