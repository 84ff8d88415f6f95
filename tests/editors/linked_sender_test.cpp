// LinkedSender: order, pauses, the online rule and the replacement of stale frames.
#include "editors/linked_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_sink.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace krm {
namespace {

using test::FakeClock;
using test::RecordingSink;

TEST(LinkedSender, SendsInOrderWithTenMillisecondsBeforeEachFrame) {
    RecordingSink sink;
    FakeClock clock;
    const Millis start = clock.now();
    {
        LinkedSender sender(sink, clock);
        sender.enqueue({{"A3", "%A,01,03#"}, {"A6", "%A,01,06#"}, {"A7", "%A,01,07#"}});
        sender.waitIdle();
        EXPECT_EQ(sender.pending(), 0);
    }
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"%A,01,03#", "%A,01,06#", "%A,01,07#"}));
    EXPECT_EQ(clock.now() - start, Millis(30));
}

TEST(LinkedSender, SendsNothingWhileOfflineAndIgnoresEmptyFrames) {
    RecordingSink sink;
    sink.online = false;
    FakeClock clock;
    LinkedSender sender(sink, clock);
    EXPECT_FALSE(sender.isOnline());
    sender.enqueue({{"A3", "%A,01,03#"}, {"O3", "%O,01,03#"}});
    sender.waitIdle();
    EXPECT_TRUE(sink.frames().empty());

    sink.online = true;
    sender.enqueue({{"A3", ""}, {"", "%K,01,01#"}, {"", "%K,01,01#"}});
    sender.waitIdle();
    // Frames without a key are never merged; empty texts are dropped.
    EXPECT_EQ(sink.frames(), (std::vector<std::string>{"%K,01,01#", "%K,01,01#"}));
}

// A sink that holds the first frame until the test lets it go, so the test can queue
// behind a frame in flight.
class GateSink final : public FrameSink {
public:
    bool SendFrame(std::string_view frame) override {
        std::unique_lock lock(m_mutex);
        m_frames.emplace_back(frame);
        if (m_frames.size() == 1) {
            m_entered = true;
            m_cv.notify_all();
            m_cv.wait(lock, [this] { return m_open; });
        }
        return true;
    }
    bool isOnline() const override { return true; }
    void waitEntered() {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return m_entered; });
    }
    void open() {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_cv.notify_all();
    }
    std::vector<std::string> frames() {
        std::lock_guard lock(m_mutex);
        return m_frames;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_entered = false;
    bool m_open = false;
    std::vector<std::string> m_frames;
};

TEST(LinkedSender, NewerFrameReplacesTheQueuedFrameOfTheSameKeyInPlace) {
    GateSink sink;
    FakeClock clock;
    LinkedSender sender(sink, clock);
    sender.enqueue({{"A2", "A2 first"}});
    sink.waitEntered(); // "A2 first" is on its way and cannot be replaced any more

    sender.enqueue({{"A2", "A2 second"}, {"A3", "A3 only"}});
    sender.enqueue({{"A2", "A2 third"}, {"A4", "A4 only"}});
    EXPECT_EQ(sender.pending(), 3); // A2 (now third), A3, A4
    sink.open();
    sender.waitIdle();
    EXPECT_EQ(sink.frames(),
              (std::vector<std::string>{"A2 first", "A2 third", "A3 only", "A4 only"}));
}

} // namespace
} // namespace krm
