#include "update/firmware_transfer.h"

#include "update/firmware_file.h"
#include "update/firmware_frames.h"
#include "update/reply_wait.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace krm {

namespace {

// Acknowledgements come in small datagrams; the device's texts are short.
constexpr std::size_t kAckReadBytes = 64;

// Whatever a device or an earlier exchange left on the socket: read until quiet, 200 ms
// apart, so that a stale acknowledgement is never taken for the new start's.
constexpr Millis kDrainPause{200};

constexpr Millis kAfterStart{10};
constexpr FirstReplyWait kStartWait{kAckReadBytes, Millis{10}, 800};
constexpr ReplyCollection kStartCollect{kAckReadBytes, 256, Millis{20}, Millis{50}, 100};

constexpr Millis kAfterDatagram{20};
constexpr Millis kAfterBlock{50};
constexpr FirstReplyWait kBlockWait{kAckReadBytes, Millis{10}, 200};
constexpr ReplyCollection kBlockCollect{kAckReadBytes, 512, Millis{20}, Millis{0}, 1};

// The device writes the whole image before it reports: up to about 24 s.
constexpr Millis kBeforeCompletion{10};
constexpr FirstReplyWait kCompletionWait{kAckReadBytes, Millis{30}, 800};
constexpr ReplyCollection kCompletionCollect{kAckReadBytes, 512, Millis{20}, Millis{50}, 50};

// "%U,01,SS,..." : the status is the two characters after the letter and address fields.
constexpr std::size_t kStatusOffset = 6;

std::optional<int> CompletionStatus(std::string_view report) {
    if (report.size() < kStatusOffset + 1)
        return std::nullopt;
    const std::string_view field = report.substr(kStatusOffset, 2);
    int value = 0;
    std::size_t digits = 0;
    while (digits < field.size() && field[digits] >= '0' && field[digits] <= '9')
        value = value * 10 + (field[digits++] - '0');
    if (digits == 0)
        return std::nullopt;
    return value;
}

} // namespace

FirmwareTransfer::FirmwareTransfer(UpdateChannel& channel, Clock& clock, UpdateReporter& reporter,
                                   const std::atomic<bool>& stop)
    : m_channel(channel), m_clock(clock), m_reporter(reporter), m_stop(stop) {}

bool FirmwareTransfer::fail(Message why) {
    m_lastError = m_stop.load() ? Message{} : std::move(why);
    return false;
}

bool FirmwareTransfer::run(const std::filesystem::path& path, int kind) {
    m_lastError = {};
    if (std::optional<Message> refused = CheckFirmwareFile(path))
        return fail(*refused);
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        return fail({"Cannot read the firmware file \"" + path.string() + "\".",
                     "无法读取固件文件“" + path.string() + "”。"});
    return runBytes(bytes, kind);
}

bool FirmwareTransfer::runBytes(std::span<const std::uint8_t> file, int kind) {
    m_lastError = {};
    // An empty file would announce no block and leave the device waiting for nothing.
    if (file.empty())
        return fail({"The firmware file is empty.", "固件文件是空的。"});
    if (file.size() > kMaxFirmwareLength)
        return fail(
            {"The firmware file is longer than 1048575 bytes.", "固件文件超过 1048575 字节。"});
    const FirmwarePlan plan = PlanFirmwareBlocks(file);
    m_reporter.progressRange(plan.announcedBlocks);

    if (!start(kind, plan.announcedBlocks, plan.length))
        return false;

    int acknowledged = 0;
    int shown = 0;
    for (const FirmwareBlock& block : plan.blocks) {
        if (!sendBlock(kind, block.index, block.data))
            return false;
        ++acknowledged;
        // A block holding only checksum bytes was never announced: the bar stops at the
        // announced count.
        const int position = std::min(acknowledged, plan.announcedBlocks);
        if (position > shown) {
            shown = position;
            m_reporter.progress(position);
        }
    }
    return completion();
}

bool FirmwareTransfer::sendFrame(std::string_view datagram) {
    if (m_channel.send(datagram))
        return true;
    return fail({"Could not send to the device.", "无法向设备发送数据。"});
}

bool FirmwareTransfer::start(int kind, int announcedBlocks, std::size_t length) {
    while (!m_stop.load() && m_channel.read(2048)) {
        if (!PauseUnlessStopped(m_clock, kDrainPause, m_stop))
            return fail({});
    }
    if (m_stop.load())
        return fail({});
    if (!sendFrame(BuildFirmwareStart(kind, announcedBlocks, length)))
        return false;
    const Message silent{"The device did not acknowledge the start of the transfer.",
                         "设备未确认开始传输。"};
    if (!PauseUnlessStopped(m_clock, kAfterStart, m_stop))
        return fail({});
    std::optional<std::string> first = WaitForFirstReply(m_channel, m_clock, m_stop, kStartWait);
    if (!first)
        return fail(silent);
    const std::string reply =
        CollectReply(m_channel, m_clock, m_stop, std::move(*first), kStartCollect);
    if (m_stop.load() || reply.find("%S") == std::string::npos)
        return fail(silent);
    return true;
}

bool FirmwareTransfer::sendBlock(int kind, int index,
                                 std::span<const std::uint8_t, kFirmwareBlockBytes> data) {
    const std::string frame = BuildFirmwareBlock(kind, index, data);
    for (const std::string& datagram : CutIntoDatagrams(frame)) {
        if (m_stop.load())
            return fail({});
        if (!sendFrame(datagram))
            return false;
        if (!PauseUnlessStopped(m_clock, kAfterDatagram, m_stop))
            return fail({});
    }
    if (!PauseUnlessStopped(m_clock, kAfterBlock, m_stop))
        return fail({});
    const std::string number = std::to_string(index);
    const Message silent{"Block " + number + " was not acknowledged by the device.",
                         "设备未确认第 " + number + " 块。"};
    std::optional<std::string> first = WaitForFirstReply(m_channel, m_clock, m_stop, kBlockWait);
    if (!first)
        return fail(silent);
    const std::string reply =
        CollectReply(m_channel, m_clock, m_stop, std::move(*first), kBlockCollect);
    if (m_stop.load() || reply.find("%Y") == std::string::npos)
        return fail(silent);
    return true;
}

bool FirmwareTransfer::completion() {
    const Message silent{"The device did not report the end of the transfer.",
                         "设备未报告传输结束。"};
    if (!PauseUnlessStopped(m_clock, kBeforeCompletion, m_stop))
        return fail({});
    std::optional<std::string> first =
        WaitForFirstReply(m_channel, m_clock, m_stop, kCompletionWait);
    if (!first)
        return fail(silent);
    const std::string reply =
        CollectReply(m_channel, m_clock, m_stop, std::move(*first), kCompletionCollect);
    if (m_stop.load())
        return fail({});
    const std::size_t at = reply.find("%U");
    if (at == std::string::npos)
        return fail(silent);
    const std::string report = reply.substr(at);
    const std::optional<int> status = CompletionStatus(report);
    if (status && *status == 0)
        return true;
    // The device's own words: its status codes are not documented, so show them as sent.
    Message shown{report, report};
    m_reporter.message(shown);
    return fail(std::move(shown));
}

} // namespace krm
