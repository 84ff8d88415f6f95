// PacedSender: order, pauses before or after each frame, the online rule, replacement of
// stale keyed frames, the frame-sent callback and prompt stop.
#include "model/paced_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace krm {
namespace {

using namespace std::chrono_literals;
using test::FakeClock;
using test::TimedSink;

constexpr auto kBefore = PausePlacement::BeforeEachFrame;
constexpr auto kAfter = PausePlacement::AfterEachFrame;

// Holds the first caller of pass() until open(), so a test can act while the worker is
// inside a send or a pause.
class Gate {
public:
    void pass() {
        std::unique_lock lock(m_mutex);
        if (m_entered)
            return;
        m_entered = true;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_open; });
    }
    void waitEntered() {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_entered; });
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_entered = false;
    bool m_open = false;
};

// The first send blocks in the gate after the frame is recorded.
class GateSink final : public FrameSink {
public:
    explicit GateSink(Clock& clock) : m_inner(clock) {}
    bool SendFrame(std::string_view frame) override {
        m_inner.SendFrame(frame);
        gate.pass();
        return true;
    }
    bool isOnline() const override { return true; }
    std::vector<std::string> frames() const { return m_inner.frames(); }

    Gate gate;

private:
    TimedSink m_inner;
};

// The first pause blocks in the gate before the fake time moves on.
class GateClock final : public Clock {
public:
    Millis now() const override { return m_inner.now(); }
    void sleepFor(Millis d) override {
        gate.pass();
        m_inner.sleepFor(d);
    }

    Gate gate;

private:
    FakeClock m_inner;
};

std::vector<Millis> sinceStart(const std::vector<Millis>& times, Millis start) {
    std::vector<Millis> out;
    for (Millis t : times)
        out.push_back(t - start);
    return out;
}

TEST(PacedSender, PauseBeforeEachFrameDelaysEveryFrameIncludingTheFirst) {
    FakeClock clock;
    TimedSink sink(clock);
    std::atomic<int> sent{0};
    const Millis start = clock.now();
    {
        PacedSender sender(sink, clock, [&] { ++sent; });
        sender.enqueueKeyed({{"A3", "%A,01,03#"}, {"A6", "%A,01,06#"}, {"A7", "%A,01,07#"}},
                            kBefore, 10ms);
        sender.waitIdle();
        EXPECT_EQ(sender.pending(), 0);
        EXPECT_FALSE(sender.busy());
    }
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"%A,01,03#", "%A,01,06#", "%A,01,07#"}));
    EXPECT_EQ(sinceStart(sink.times(), start), (std::vector<Millis>{10ms, 20ms, 30ms}));
    EXPECT_EQ(clock.now() - start, 30ms); // nothing after the last frame
    EXPECT_EQ(sent.load(), 3);
}

TEST(PacedSender, PauseAfterEachFrameSendsTheFirstAtOnceAndPausesAfterTheLast) {
    FakeClock clock;
    TimedSink sink(clock);
    std::atomic<int> sent{0};
    PacedSender sender(sink, clock, [&] { ++sent; });
    const Millis start = clock.now();
    sender.enqueue({"m1", "m5", "m23"}, kAfter, 20ms);
    sender.waitIdle();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"m1", "m5", "m23"}));
    EXPECT_EQ(sinceStart(sink.times(), start), (std::vector<Millis>{0ms, 20ms, 40ms}));
    EXPECT_EQ(clock.now() - start, 60ms);
    EXPECT_EQ(sent.load(), 3); // the watchdog is kept quiet after every frame

    // Each sequence keeps its own placement and pause.
    const Millis second = clock.now();
    sender.enqueue({"b1", "b2"}, kBefore, 10ms);
    sender.enqueue({"c1"}, kAfter, 150ms);
    sender.waitIdle();
    EXPECT_EQ(sinceStart(sink.times(), second).back(), 20ms);
    EXPECT_EQ(clock.now() - second, 170ms);
}

TEST(PacedSender, SequencesKeepTheirOrderAndNeverInterleave) {
    FakeClock clock;
    TimedSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueue({"a1", "a2", "a3"}, kAfter, 20ms);
    sender.enqueue({"b1", "b2"}, kAfter, 20ms);
    sender.enqueue({}, kAfter, 20ms); // nothing to send: ignored
    sender.enqueueKeyed({{"", "c1"}, {"", "c1"}}, kBefore, 10ms);
    sender.waitIdle();
    // Frames without a key are never merged.
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"a1", "a2", "a3", "b1", "b2", "c1", "c1"}));
    EXPECT_FALSE(sender.busy());
}

TEST(PacedSender, NothingGoesOutWhileOfflineNorAreItsPausesTaken) {
    FakeClock clock;
    TimedSink sink(clock);
    sink.online = false;
    std::atomic<int> sent{0};
    PacedSender sender(sink, clock, [&] { ++sent; });
    EXPECT_FALSE(sender.isOnline());
    const Millis start = clock.now();
    sender.enqueue({"x1", "x2"}, kAfter, 20ms);
    sender.enqueueKeyed({{"A3", "%A,01,03#"}, {"O3", "%O,01,03#"}}, kBefore, 10ms);
    sender.waitIdle();
    EXPECT_TRUE(sink.frames().empty());
    EXPECT_EQ(sent.load(), 0);
    EXPECT_EQ(clock.now(), start);

    sink.online = true;
    EXPECT_TRUE(sender.isOnline());
    sender.enqueueKeyed({{"A3", ""}, {"K1", "%K,01,01#"}}, kBefore, 10ms); // empty: dropped
    sender.waitIdle();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"%K,01,01#"}));
}

TEST(PacedSender, LinkGoingDownMidSequenceDropsTheRest) {
    FakeClock clock;
    TimedSink sink(clock);
    std::atomic<int> sent{0};
    // The link drops right after the first frame has gone out.
    PacedSender sender(sink, clock, [&] {
        ++sent;
        sink.online = false;
    });
    const Millis start = clock.now();
    sender.enqueue({"1", "2", "3"}, kAfter, 20ms);
    sender.waitIdle();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"1"}));
    EXPECT_EQ(sent.load(), 1);
    EXPECT_EQ(clock.now() - start, 20ms); // only the pause of the frame that went out
}

TEST(PacedSender, NewerFrameReplacesTheQueuedFrameOfTheSameKeyInPlace) {
    FakeClock clock;
    GateSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueueKeyed({{"A2", "A2 first"}}, kBefore, 10ms);
    sink.gate.waitEntered(); // "A2 first" is on its way and cannot be replaced any more

    sender.enqueueKeyed({{"A2", "A2 second"}, {"A3", "A3 only"}}, kBefore, 10ms);
    sender.enqueueKeyed({{"A2", "A2 third"}, {"A4", "A4 only"}}, kBefore, 10ms);
    EXPECT_EQ(sender.pending(), 3); // A2 (now third), A3, A4
    EXPECT_TRUE(sender.busy());
    sink.gate.open();
    sender.waitIdle();
    EXPECT_EQ(sink.frames(),
              (std::vector<std::string>{"A2 first", "A2 third", "A3 only", "A4 only"}));
}

TEST(PacedSender, FrameWaitingItsPauseIsStillReplacedByANewerOne) {
    GateClock clock;
    TimedSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueueKeyed({{"O3", "O3 old"}}, kBefore, 10ms);
    clock.gate.waitEntered(); // the worker sleeps the pause before "O3 old"
    EXPECT_EQ(sender.pending(), 1);
    sender.enqueueKeyed({{"O3", "O3 new"}}, kBefore, 10ms);
    EXPECT_EQ(sender.pending(), 1);
    clock.gate.open();
    sender.waitIdle();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"O3 new"}));
}

TEST(PacedSender, FrameDiscardedDuringItsPauseLeavesTheWorkerAliveAndIdle) {
    GateClock clock;
    TimedSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueueKeyed({{"A2", "A2 stale"}}, kBefore, 10ms);
    clock.gate.waitEntered();                // the worker sleeps the pause before "A2 stale"
    Superseded older = sender.discard("A2"); // the caller sends a newer A2 itself
    older.settle(true);
    clock.gate.open();
    sender.waitIdle(); // hung when the worker ended on an empty queue with a frame "in hand"
    EXPECT_FALSE(sender.busy());
    sender.enqueueKeyed({{"A3", "A3"}}, kBefore, 10ms); // and the same worker goes on
    sender.waitIdle();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"A3"}));
}

TEST(PacedSender, StopDropsWhatIsQueuedAndJoins) {
    FakeClock clock;
    GateSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueue({"1", "2", "3", "4"}, kAfter, 20ms);
    sender.enqueue({"5", "6"}, kAfter, 20ms);
    sink.gate.waitEntered();
    EXPECT_TRUE(sender.busy());
    sender.requestStop(); // while frame 1 is in hand
    EXPECT_EQ(sender.pending(), 0);
    sink.gate.open();
    sender.stop();
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"1"})); // the frame in hand finished
    EXPECT_FALSE(sender.busy());
    sender.enqueue({"late"}, kAfter, 20ms); // refused after stop
    sender.enqueueKeyed({{"A1", "late"}}, kBefore, 10ms);
    EXPECT_FALSE(sender.busy());
    sender.waitIdle(); // returns at once once stopped
    EXPECT_EQ(sink.frames().size(), 1u);
}

TEST(PacedSender, StopDuringThePauseBeforeAFrameSendsNothingMore) {
    GateClock clock;
    TimedSink sink(clock);
    PacedSender sender(sink, clock);
    sender.enqueueKeyed({{"A1", "A1"}, {"A2", "A2"}}, kBefore, 10ms);
    clock.gate.waitEntered();
    sender.requestStop();
    clock.gate.open();
    sender.stop();
    EXPECT_TRUE(sink.frames().empty());
    EXPECT_FALSE(sender.busy());
}

} // namespace
} // namespace krm
