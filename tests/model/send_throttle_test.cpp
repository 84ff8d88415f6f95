// A dragged marker sends at most one frame per 100 ms while it moves, the last value on
// release, and — when the drag stops without a release — the pending value on the 50 ms
// timer once 200 ms have passed.
#include "model/send_throttle.h"
#include "tests/support/fake_clock.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

using namespace std::chrono_literals;

TEST(SendThrottle, OneSecondDragSendsAboutTenFramesThenTheReleaseOne) {
    test::FakeClock clock;
    SendThrottle throttle(clock);
    int sent = 0;
    for (int ms = 0; ms < 1000; ms += 10) { // a move every 10 ms
        sent += throttle.moved(2) ? 1 : 0;
        clock.advance(10ms);
    }
    EXPECT_GE(sent, 9);
    EXPECT_LE(sent, 10);
    EXPECT_FALSE(throttle.moved(2)); // 10 ms after the last frame: it waits
    EXPECT_EQ(throttle.pendingItem(), 2);
    throttle.released(); // the caller sends the final frame
    EXPECT_EQ(throttle.pendingItem(), SendThrottle::kNone);
    clock.advance(500ms);
    EXPECT_EQ(throttle.due(), SendThrottle::kNone); // nothing left for the timer
}

TEST(SendThrottle, DragThatStopsWithoutReleaseIsSentByTheTimerAfterTheSettleTime) {
    test::FakeClock clock;
    SendThrottle throttle(clock);
    EXPECT_FALSE(throttle.moved(4)); // the first move of a drag waits for the interval
    clock.advance(150ms);
    EXPECT_EQ(throttle.due(), SendThrottle::kNone); // still moving, as far as we know
    clock.advance(60ms);                            // 210 ms since the last change
    EXPECT_EQ(throttle.due(), 4);
    EXPECT_EQ(throttle.due(), SendThrottle::kNone); // sent once
    // Moving again later starts a new interval rather than sending at once.
    clock.advance(1s);
    EXPECT_FALSE(throttle.moved(1));
    clock.advance(101ms);
    EXPECT_TRUE(throttle.moved(1));
}

} // namespace
} // namespace krm
