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
    void linkReconnected() override { reconnectedAt.push_back(m_clock.now()); }
    void clear() {
        indicators.clear();
        indicatorTimes.clear();
        buttons.clear();
        failedAt.clear();
        reconnectedAt.clear();
        socketErrors = 0;
    }

    std::vector<LinkIndicator> indicators;
    std::vector<Millis> indicatorTimes;
    std::vector<bool> buttons;
    std::vector<Millis> failedAt;
    std::vector<Millis> reconnectedAt;
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
    // Nothing but the handshake offered while dark goes out (see the self-healing tests).
    for (const std::string& command : commands.log)
        EXPECT_TRUE(command == "Q0" || command == "Z") << command;

    // The next report lights the indicator again without a new connect; a second one
    // changes nothing.
    const std::size_t sent = commands.log.size();
    sup.onStatusReport();
    sup.onStatusReport();
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);
    EXPECT_EQ(events.indicators.size(), 3u);
    EXPECT_TRUE(sup.linkShown());
    EXPECT_EQ(commands.log.size(), sent);
    EXPECT_TRUE(events.reconnectedAt.empty()) << "reports alone are no reconnection";
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

// ---- self-healing: the handshake offered while the link shows "OFFLINE" ----

TEST_F(LinkSupervisorTest, WhileOfflineTheHandshakeIsOfferedEveryFewSecondsUntilTheDeviceAnswers) {
    connectOnline();
    const Millis t0 = clock.now();
    runTimerFor(10s);
    ASSERT_EQ(events.indicators, std::vector<LinkIndicator>{LinkIndicator::Offline});
    EXPECT_TRUE(commands.log.empty()) << "a first notice is no reason to knock yet";

    runTimerFor(12s);
    const Millis step = LinkSupervisor::kHealInterval;
    EXPECT_EQ(commands.helloTimes, (std::vector<Millis>{t0 + 10s + step, t0 + 10s + 2 * step,
                                                        t0 + 10s + 3 * step, t0 + 10s + 4 * step}));
    // Each offer is the connect handshake's pair: reports off, then the hello.
    EXPECT_EQ(commands.log, (std::vector<std::string>{"Q0", "Z", "Q0", "Z", "Q0", "Z", "Q0", "Z"}));
    EXPECT_TRUE(sup.healing());
    EXPECT_FALSE(sup.connecting()) << "no attempt that could end in \"CANNOT CONNECT.\"";
    // The 10 s notice still repeats while the offers go out.
    EXPECT_EQ(events.indicatorTimes, (std::vector<Millis>{t0 + 10s, t0 + 20s}));

    // The rebooted device answers: dump, identification, then reports are asked for.
    commands.log.clear();
    clock.advance(400ms);
    sup.onDumpReply();
    sup.onIdentReply();
    EXPECT_EQ(commands.log, (std::vector<std::string>{"online", "Q1"}));
    EXPECT_EQ(events.indicators.back(), LinkIndicator::Online);
    EXPECT_EQ(events.reconnectedAt, std::vector<Millis>{clock.now()});
    EXPECT_FALSE(sup.healing());

    // Healed: no more offers, and a stray second identification is no second return.
    sup.onIdentReply();
    runTimerFor(9s);
    EXPECT_EQ(commands.helloTimes.size(), 4u);
    EXPECT_EQ(events.reconnectedAt.size(), 1u);
    EXPECT_TRUE(events.failedAt.empty());
}

TEST_F(LinkSupervisorTest, AReportBeforeTheFirstOfferNeedsNoHandshake) {
    connectOnline();
    runTimerFor(10s);
    ASSERT_FALSE(sup.linkShown());
    runTimerFor(LinkSupervisor::kHealInterval - 100ms);
    sup.onStatusReport();
    EXPECT_TRUE(sup.linkShown());
    runTimerFor(9s);
    EXPECT_TRUE(commands.log.empty());
    EXPECT_TRUE(events.reconnectedAt.empty());
}

TEST_F(LinkSupervisorTest, NoOfferAfterDisconnectSearchUpdateOrExitNorDuringAConnectAttempt) {
    struct Case {
        const char* name;
        void (LinkSupervisor::*stop)();
    };
    const Case cases[] = {
        {"DISCONNECT", &LinkSupervisor::Disconnect},
        {"search", &LinkSupervisor::StopForSearch},
        {"firmware update", &LinkSupervisor::StopForUpdate},
        {"exit", &LinkSupervisor::Shutdown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        connectOnline();
        runTimerFor(10s + LinkSupervisor::kHealInterval); // "OFFLINE" and one offer
        ASSERT_EQ(commands.helloTimes.size(), 1u);
        (sup.*c.stop)();
        commands.helloTimes.clear();
        runTimerFor(60s);
        EXPECT_TRUE(commands.helloTimes.empty());
        // An answer to the offer made before the stop arrives late: no reconnection.
        sup.onDumpReply();
        sup.onIdentReply();
        EXPECT_TRUE(events.reconnectedAt.empty());
        EXPECT_FALSE(sup.healing());
        sup.Disconnect(); // back to idle for the next case
    }

    // CONNECT pressed by hand while dark: only the attempt's own three hellos go out.
    connectOnline();
    runTimerFor(10s);
    const Millis pressed = clock.now();
    sup.Connect();
    runTimerFor(20s);
    EXPECT_EQ(commands.helloTimes, (std::vector<Millis>{pressed, pressed + 5s, pressed + 10s}));
    EXPECT_EQ(events.failedAt.size(), 1u);
}

} // namespace
} // namespace krm
