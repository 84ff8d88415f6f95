#include "update/reply_wait.h"

#include <algorithm>

namespace krm {

bool PauseUnlessStopped(Clock& clock, Millis d, const std::atomic<bool>& stop) {
    while (d > Millis::zero()) {
        if (stop.load())
            return false;
        const Millis slice = std::min(d, kStopSlice);
        clock.sleepFor(slice);
        d -= slice;
    }
    return !stop.load();
}

std::optional<std::string> WaitForFirstReply(UpdateChannel& channel, Clock& clock,
                                             const std::atomic<bool>& stop,
                                             const FirstReplyWait& wait) {
    for (int retry = 0;; ++retry) {
        if (stop.load())
            return std::nullopt;
        if (std::optional<std::string> d = channel.read(wait.readBytes))
            return d;
        if (retry == wait.retries || !PauseUnlessStopped(clock, wait.pause, stop))
            return std::nullopt;
    }
}

std::string CollectReply(UpdateChannel& channel, Clock& clock, const std::atomic<bool>& stop,
                         std::string first, const ReplyCollection& how) {
    std::string reply;
    auto keep = [&](const std::string& d) {
        if (reply.size() < how.capacity)
            reply.append(d, 0, how.capacity - reply.size());
    };
    keep(first);
    if (!PauseUnlessStopped(clock, how.afterDatagram, stop))
        return reply;
    int empty = 0;
    for (;;) {
        if (std::optional<std::string> d = channel.read(how.readBytes)) {
            keep(*d);
            empty = 0;
            if (!PauseUnlessStopped(clock, how.afterDatagram, stop))
                break;
            continue;
        }
        if (++empty >= how.emptyPolls || !PauseUnlessStopped(clock, how.betweenEmptyPolls, stop))
            break;
    }
    return reply;
}

} // namespace krm
