#pragma once
// The polling every update exchange is made of: pauses that a stop cuts short, waiting for
// the first reply datagram, and collecting the datagrams that follow it. All time passes
// through the Clock. Called on the update worker.

#include "link/clock.h"
#include "update/update_channel.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>

namespace krm {

// Longest single sleep: a stop ends any pause within this time.
inline constexpr Millis kStopSlice{50};

// Sleeps for d in slices of at most kStopSlice; false (early) once stop is set.
bool PauseUnlessStopped(Clock& clock, Millis d, const std::atomic<bool>& stop);

struct FirstReplyWait {
    std::size_t readBytes = 64;
    Millis pause{10}; // between empty reads
    int retries = 0;  // reads after the first one
};

// Reads; while nothing has arrived, pauses and reads again at most retries more times.
// nullopt on silence or stop.
std::optional<std::string> WaitForFirstReply(UpdateChannel& channel, Clock& clock,
                                             const std::atomic<bool>& stop,
                                             const FirstReplyWait& wait);

struct ReplyCollection {
    std::size_t readBytes = 64;
    std::size_t capacity = 256; // characters kept; the rest of a long reply is dropped
    Millis afterDatagram{20};
    Millis betweenEmptyPolls{50};
    int emptyPolls = 1; // consecutive empty reads that end the collection
};

// The reply text: first, then every datagram read until emptyPolls reads in a row bring
// nothing (or stop is set), cut to the capacity.
std::string CollectReply(UpdateChannel& channel, Clock& clock, const std::atomic<bool>& stop,
                         std::string first, const ReplyCollection& how);

} // namespace krm
