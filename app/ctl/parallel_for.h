#pragma once
// Runs work(i) for every i below `count` on up to `threads` threads (the caller's one of
// them) and returns when all are done. For waits that are not the caller's own work —
// the pause after a hello, a file's flush to disk — and that would add up one after
// another. work(i) must touch nothing another index touches.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace krm::ctl {

template <class Work> void ParallelFor(std::size_t count, std::size_t threads, Work work) {
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            work(i);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < std::min(threads, count); ++t)
        helpers.emplace_back(run);
    run();
    for (std::thread& t : helpers)
        t.join();
}

} // namespace krm::ctl
