#include "sim/firmware_receiver.h"

#include "link/frame.h"
#include "model/parsers.h"

#include <algorithm>
#include <cstdio>

namespace krm::sim {

namespace {

// A long-running device keeps only the newest records: each may hold megabytes.
constexpr std::size_t kMaxRecords = 16;

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Hexadecimal text of minDigits..maxDigits (at most 8) digits and nothing else.
std::optional<std::uint32_t> hexNumber(std::string_view text, std::size_t minDigits,
                                       std::size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits ||
        !std::all_of(text.begin(), text.end(), isHexDigit))
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text)
        value = value << 4 | static_cast<std::uint32_t>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    return value;
}

// The kind field: "%d" of 0 or 1.
std::optional<int> kindOf(std::string_view text) {
    if (text == "0" || text == "1")
        return text[0] - '0';
    return std::nullopt;
}

std::uint32_t blocksFor(std::uint32_t bytes) {
    return (bytes + FirmwareReceiver::kBlockBytes - 1) / FirmwareReceiver::kBlockBytes;
}

} // namespace

FirmwareReceiver::FirmwareReceiver(Millis completionDelay)
    : m_delay(std::max(completionDelay, Millis(0))) {}

void FirmwareReceiver::setCompletionDelay(Millis delay) {
    m_delay = std::max(delay, Millis(0));
}

std::vector<std::string> FirmwareReceiver::take(std::string_view frame, Millis now,
                                                const FaultKnobs& knobs) {
    const auto fields = CheckedFrameFields(frame);
    // Letter, address, three data fields, checksum; only requests to address 01.
    if (!fields || fields->size() != 6 || (*fields)[1] != "01")
        return {};
    if ((*fields)[0] == "S")
        return takeStart(*fields, now, knobs);
    if ((*fields)[0] == "T")
        return takeBlock(*fields, now, knobs);
    return {};
}

std::vector<std::string> FirmwareReceiver::takeStart(const std::vector<std::string_view>& fields,
                                                     Millis now, const FaultKnobs& knobs) {
    const auto kind = kindOf(fields[2]);
    const auto blocks = hexNumber(fields[3], 1, 8);
    const auto length = hexNumber(fields[4], 1, 8);
    // A start whose block count does not follow from its length describes no file.
    if (!kind || !blocks || !length || *length > kMaxLength || *blocks != blocksFor(*length))
        return {};

    ++m_starts;
    m_current = FirmwareRecord{};
    m_current.kind = *kind;
    m_current.length = *length;
    m_current.blocks = *blocks;
    m_bytes.clear();
    m_bytes.reserve(*length + 2 + kBlockBytes);
    m_nextIndex = 0;
    // An empty file carries no checksum and no block.
    m_blocksNeeded = *length == 0 ? 0 : blocksFor(*length + 2);
    m_state = State::Receiving;
    if (m_blocksNeeded == 0)
        complete(now, knobs);

    if (knobs.noStartAck)
        return {};
    return {CommandFrame('S').byte(1).byte(0).finish()};
}

std::vector<std::string> FirmwareReceiver::takeBlock(const std::vector<std::string_view>& fields,
                                                     Millis now, const FaultKnobs& knobs) {
    if (m_state != State::Receiving)
        return {};
    const auto kind = kindOf(fields[2]);
    const auto index = hexNumber(fields[3], 2, 3);
    const std::string_view digits = fields[4];
    if (!kind || *kind != m_current.kind || !index || *index != m_nextIndex ||
        digits.size() != 2 * kBlockBytes || !std::all_of(digits.begin(), digits.end(), isHexDigit))
        return {};

    const std::vector<std::uint8_t> block = HexToBytes(digits);
    m_bytes.insert(m_bytes.end(), block.begin(), block.end());
    ++m_nextIndex;
    if (m_nextIndex == m_blocksNeeded)
        complete(now, knobs);

    if (knobs.blockAckMissingAt >= 0 &&
        static_cast<std::uint32_t>(knobs.blockAckMissingAt) == *index)
        return {};
    return {CommandFrame('Y').byte(1).text(fields[3]).finish()};
}

void FirmwareReceiver::complete(Millis now, const FaultKnobs& knobs) {
    const std::uint32_t length = m_current.length;
    m_current.data.assign(m_bytes.begin(), m_bytes.begin() + length);
    m_current.computedChecksum = FrameChecksum(
        std::string_view(reinterpret_cast<const char*>(m_current.data.data()), length));
    if (knobs.checksumMismatch)
        m_current.computedChecksum = MismatchedChecksum(m_current.computedChecksum);
    m_current.carriedChecksum =
        length == 0 ? 0 : static_cast<std::uint16_t>(m_bytes[length] << 8 | m_bytes[length + 1]);
    // Nothing to check an empty file against: the device does not take it.
    const bool good = length > 0 && m_current.computedChecksum == m_current.carriedChecksum;
    m_current.status = good ? 0 : 1;
    if (knobs.completionStatus >= 0)
        m_current.status = std::min(knobs.completionStatus, 99);
    m_bytes.clear();
    m_bytes.shrink_to_fit();
    m_state = State::Completing;
    m_completeAt = now + m_delay;
}

std::optional<std::string> FirmwareReceiver::completionDue(Millis now) {
    if (m_state != State::Completing || now < m_completeAt)
        return std::nullopt;
    char status[4];
    std::snprintf(status, sizeof status, "%02d", m_current.status);
    std::string report =
        CommandFrame('U').byte(1).text(status).text(std::to_string(m_current.kind)).finish();
    if (m_finished.size() >= kMaxRecords)
        m_finished.erase(m_finished.begin());
    m_finished.push_back(std::move(m_current));
    m_current = FirmwareRecord{};
    m_state = State::Idle;
    return report;
}

std::optional<Millis> FirmwareReceiver::nextDue() const {
    if (m_state != State::Completing)
        return std::nullopt;
    return m_completeAt;
}

} // namespace krm::sim
