#include "update/version_queries.h"

#include "link/frame.h"
#include "model/frame_builders.h"
#include "update/reply_wait.h"

#include <vector>

namespace krm {

namespace {

// The dump is a couple of kilobytes in one datagram.
constexpr std::size_t kQueryReadBytes = 2048;
// Everything the device sends while we wait is kept: the first good frame is cut from it.
constexpr std::size_t kQueryCapacity = 64 * 1024;

constexpr Millis kAfterQuery{200};
constexpr FirstReplyWait kIdentWait{kQueryReadBytes, Millis{100}, 50};
constexpr ReplyCollection kIdentCollect{kQueryReadBytes, kQueryCapacity, Millis{100}, Millis{0}, 1};
constexpr FirstReplyWait kBasicWait{kQueryReadBytes, Millis{20}, 50};
constexpr ReplyCollection kBasicCollect{kQueryReadBytes, kQueryCapacity, Millis{0}, Millis{0}, 1};

constexpr int kBasicAttempts = 3;
constexpr Millis kBetweenBasicAttempts{100};

constexpr std::size_t kHardwareField = 27; // the dump's device text
constexpr std::size_t kBasicField = 2;

// The fields of the first good frame, field 0 being the letter; empty when none.
std::vector<std::string> FirstFrameFields(std::string_view collected) {
    std::string frame;
    std::string pending;
    SplitFrames(collected, pending, [&frame](std::string_view f) {
        if (frame.empty())
            frame = f;
    });
    if (frame.size() < 6 || frame.front() != '%' || frame.back() != '#' || !FrameChecksumOk(frame))
        return {};
    std::vector<std::string> fields;
    const std::string_view body = std::string_view(frame).substr(1, frame.size() - 6);
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = body.find(',', from);
        fields.emplace_back(body.substr(from, comma - from));
        if (comma == std::string_view::npos)
            break;
        from = comma + 1;
    }
    return fields;
}

std::optional<std::string> Ask(UpdateChannel& channel, Clock& clock, const std::atomic<bool>& stop,
                               const std::string& request, const FirstReplyWait& wait,
                               const ReplyCollection& collect) {
    if (stop.load() || !channel.send(request))
        return std::nullopt;
    if (!PauseUnlessStopped(clock, kAfterQuery, stop))
        return std::nullopt;
    std::optional<std::string> first = WaitForFirstReply(channel, clock, stop, wait);
    if (!first)
        return std::nullopt;
    std::string reply = CollectReply(channel, clock, stop, std::move(*first), collect);
    if (stop.load())
        return std::nullopt;
    return reply;
}

} // namespace

std::optional<std::string> HardwareVersionFromReply(std::string_view collected) {
    const std::vector<std::string> fields = FirstFrameFields(collected);
    if (fields.size() <= kHardwareField || fields[kHardwareField].size() < 2)
        return std::nullopt;
    const std::string& text = fields[kHardwareField];
    return text.substr(text.size() - 2);
}

std::optional<std::string> BasicVersionFromReply(std::string_view collected) {
    const std::vector<std::string> fields = FirstFrameFields(collected);
    if (fields.size() <= kBasicField || fields[kBasicField].empty())
        return std::nullopt;
    return fields[kBasicField];
}

std::optional<std::string> QueryHardwareVersion(UpdateChannel& channel, Clock& clock,
                                                const std::atomic<bool>& stop) {
    const std::optional<std::string> reply =
        Ask(channel, clock, stop, BuildZ(), kIdentWait, kIdentCollect);
    return reply ? HardwareVersionFromReply(*reply) : std::nullopt;
}

std::optional<std::string> QueryBasicVersion(UpdateChannel& channel, Clock& clock,
                                             const std::atomic<bool>& stop) {
    const std::optional<std::string> reply =
        Ask(channel, clock, stop, BuildBasicVersionQuery(), kBasicWait, kBasicCollect);
    return reply ? BasicVersionFromReply(*reply) : std::nullopt;
}

std::optional<std::string> AskBasicVersion(UpdateChannel& channel, Clock& clock,
                                           const std::atomic<bool>& stop) {
    for (int attempt = 1; attempt <= kBasicAttempts; ++attempt) {
        if (std::optional<std::string> v = QueryBasicVersion(channel, clock, stop))
            return v;
        if (!PauseUnlessStopped(clock, kBetweenBasicAttempts, stop))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace krm
