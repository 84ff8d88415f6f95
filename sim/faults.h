#pragma once
// FaultInjector: how the virtual device misbehaves on purpose, for tests of the
// program's link. It turns the frames the device wants to send into the datagrams that
// actually go out: none while silent, a share dropped, a share with a wrong checksum,
// frames cut into several datagrams. Frames longer than one receive buffer always go in
// pieces, as a device with a small send buffer would send them.
//
// Deterministic for a seed. Not thread-safe: one owner (the device core).

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace krm::sim {

struct FaultKnobs {
    bool silent = false;       // send nothing at all (requests are still taken in)
    double dropShare = 0.0;    // 0..1: share of datagrams not sent
    double corruptShare = 0.0; // 0..1: share of frames sent with a wrong checksum
    bool splitFrames = false;  // cut every frame into 2..4 datagrams
    bool haltReports = false;  // no periodic or unsolicited reports; requests answered

    // Firmware transfer (sim/firmware_receiver.h). The frames are still taken in; only
    // the answers change.
    bool noStartAck = false;       // the start frame gets no acknowledgement
    int blockAckMissingAt = -1;    // this block index is never acknowledged; -1 none
    int completionStatus = -1;     // report this status (0..99) whatever happened; -1 honest
    bool checksumMismatch = false; // the device computes a different checksum: status 01
};

class FaultInjector {
public:
    // No datagram is ever shorter than this: the receiving splitter drops a datagram of
    // two characters or fewer when nothing is pending.
    static constexpr std::size_t kMinPiece = 3;

    explicit FaultInjector(std::uint32_t seed = 1, std::size_t maxDatagram = 2048);

    FaultKnobs knobs;

    // The datagrams that carry this frame (possibly none).
    std::vector<std::string> datagrams(const std::string& frame);

    int dropped() const { return m_dropped; }
    int corrupted() const { return m_corrupted; }

private:
    bool chance(double share);
    std::vector<std::string> cut(const std::string& frame, bool split);

    std::mt19937 m_rng;
    std::size_t m_maxDatagram;
    int m_dropped = 0;
    int m_corrupted = 0;
};

// The frame with its four checksum digits replaced by a different, still upper-case
// value: well formed, but every checker rejects it.
std::string WithWrongChecksum(const std::string& frame);

} // namespace krm::sim
