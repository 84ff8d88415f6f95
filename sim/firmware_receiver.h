#pragma once
// FirmwareReceiver: the device's side of one firmware transfer at a time.
//
//   start      "%S,01,<kind>,<blocks hex>,<length hex>,<crc>#"   → "%S,01,00,<crc>#"
//   block      "%T,01,<kind>,<index hex>,<2048 hex>,<crc>#"      → "%Y,01,<index>,<crc>#"
//   completion (the device's own report, no request)            → "%U,01,<status>,<kind>,<crc>#"
//
// The file's CRC-16/MODBUS travels right after its last data byte, high byte first, so
// the transfer is complete once length + 2 bytes have arrived (a further block when the
// file is a multiple of 1,024 bytes or 1,023 bytes long). The completion report then goes
// out after a delay, so that it never falls into the program's collection of the last
// block's acknowledgement. Status 00: the checksums match; 01: they do not.
//
// Blocks out of order, for another kind, or with no transfer started are ignored without
// an answer. Time is passed in; nothing here sleeps. Not thread-safe: one owner (the
// device core).

#include "link/clock.h"
#include "sim/faults.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace krm::sim {

// What the device kept of one finished transfer.
struct FirmwareRecord {
    int kind = 0;                       // 0 DSP, 1 digital
    std::uint32_t length = 0;           // announced file length in bytes
    std::uint32_t blocks = 0;           // announced block count
    std::vector<std::uint8_t> data;     // the `length` data bytes as received
    std::uint16_t computedChecksum = 0; // what the device computed over `data`
    std::uint16_t carriedChecksum = 0;  // the two bytes after the data (0 for an empty file)
    int status = 0;                     // the status the completion report carried
};

class FirmwareReceiver {
public:
    static constexpr std::size_t kBlockBytes = 1024;
    // Three index digits address 4,096 blocks; a longer announcement is no firmware file
    // and must not make the device reserve memory for it.
    static constexpr std::uint32_t kMaxLength = 4096 * kBlockBytes - 2;
    static constexpr Millis kDefaultCompletionDelay{300};

    explicit FirmwareReceiver(Millis completionDelay = kDefaultCompletionDelay);

    // One checked "%S," or "%T," frame (other frames are ignored); returns the frames to
    // answer with. The knobs decide which answers go missing and what is reported.
    std::vector<std::string> take(std::string_view frame, Millis now, const FaultKnobs& knobs);

    // The completion report, once its time has come (at most one per transfer).
    std::optional<std::string> completionDue(Millis now);
    // When completionDue() will next have a report; nullopt when none is pending.
    std::optional<Millis> nextDue() const;

    // 1 from an accepted start until its completion report has gone out, else 0.
    int inProgress() const { return m_state == State::Idle ? 0 : 1; }
    // Start frames accepted so far (a start is also accepted while one runs: it restarts).
    int startsTaken() const { return m_starts; }
    // The newest finished transfers, oldest first (the last 16 are kept).
    const std::vector<FirmwareRecord>& finished() const { return m_finished; }
    Millis completionDelay() const { return m_delay; }
    void setCompletionDelay(Millis delay);

private:
    enum class State { Idle, Receiving, Completing };

    std::vector<std::string> takeStart(const std::vector<std::string_view>& fields, Millis now,
                                       const FaultKnobs& knobs);
    std::vector<std::string> takeBlock(const std::vector<std::string_view>& fields, Millis now,
                                       const FaultKnobs& knobs);
    void complete(Millis now, const FaultKnobs& knobs);

    Millis m_delay;
    State m_state = State::Idle;
    FirmwareRecord m_current;
    std::vector<std::uint8_t> m_bytes; // data bytes and the two checksum bytes
    std::uint32_t m_nextIndex = 0;
    std::uint32_t m_blocksNeeded = 0;
    Millis m_completeAt{0};
    std::vector<FirmwareRecord> m_finished;
    int m_starts = 0;
};

// The checksum the device computes when it is told to get it wrong.
inline std::uint16_t MismatchedChecksum(std::uint16_t right) {
    return static_cast<std::uint16_t>(right ^ 0xA55Au);
}

} // namespace krm::sim
