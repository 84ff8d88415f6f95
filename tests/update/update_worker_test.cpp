#include "update/update_worker.h"

#include "link/clock.h"
#include "update/reply_wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace krm {
namespace {

TEST(UpdateWorker, RunsOneJobAtATimeAndStopsItPromptly) {
    UpdateWorker worker;
    EXPECT_FALSE(worker.busy());

    // A job as long as a silent device's longest wait, on the real clock.
    std::promise<void> entered;
    std::promise<bool> ended;
    std::atomic<int> finished{0};
    const auto workerThread = std::this_thread::get_id();
    std::thread::id jobThread;
    ASSERT_TRUE(worker.start(
        [&](const std::atomic<bool>& stop) {
            jobThread = std::this_thread::get_id();
            entered.set_value();
            ended.set_value(PauseUnlessStopped(systemClock(), Millis{24'000}, stop));
        },
        [&] { ++finished; }));
    entered.get_future().wait();
    EXPECT_TRUE(worker.busy());
    EXPECT_FALSE(worker.start([](const std::atomic<bool>&) {}, [&] { finished += 100; }));

    const auto before = std::chrono::steady_clock::now();
    worker.stop();
    const auto took = std::chrono::steady_clock::now() - before;
    // The job was 24 s into nothing: a stop that waited the pause out would take that long.
    // The bound is loose so that a loaded or sanitized run never trips it.
    EXPECT_LT(took, std::chrono::milliseconds(3000));
    EXPECT_FALSE(ended.get_future().get()); // the pause was cut short
    EXPECT_EQ(finished.load(), 1);
    EXPECT_FALSE(worker.busy());
    EXPECT_NE(jobThread, workerThread);

    // Free again: the next job runs to its end and reports.
    std::promise<void> done;
    ASSERT_TRUE(worker.start([](const std::atomic<bool>& stop) { EXPECT_FALSE(stop.load()); },
                             [&] { done.set_value(); }));
    done.get_future().wait();
    worker.stop();
    EXPECT_FALSE(worker.busy());
}

} // namespace
} // namespace krm
