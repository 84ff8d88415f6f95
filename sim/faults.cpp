#include "sim/faults.h"

#include "link/frame.h"

#include <algorithm>

namespace krm::sim {

FaultInjector::FaultInjector(std::uint32_t seed, std::size_t maxDatagram)
    : m_rng(seed), m_maxDatagram(std::max(maxDatagram, 2 * kMinPiece)) {}

bool FaultInjector::chance(double share) {
    if (share <= 0.0)
        return false;
    if (share >= 1.0)
        return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng) < share;
}

std::string WithWrongChecksum(const std::string& frame) {
    if (frame.size() < 9 || frame.back() != '#')
        return frame;
    const auto at = frame.size() - 5;
    const std::uint16_t right = FrameChecksum(std::string_view(frame).substr(0, at));
    std::string bad = frame;
    bad.replace(at, 4, HexField(static_cast<std::uint16_t>(right ^ 0x5A5Au), 4));
    return bad;
}

std::vector<std::string> FaultInjector::cut(const std::string& frame, bool split) {
    // Piece lengths: random when splitting, else only as short as the buffer requires.
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    int piecesLeft = split ? std::uniform_int_distribution<int>(2, 4)(m_rng) : 1;
    while (pos < frame.size()) {
        const std::size_t rest = frame.size() - pos;
        std::size_t len = rest;
        if (piecesLeft > 1 && rest >= 2 * kMinPiece)
            len = std::uniform_int_distribution<std::size_t>(kMinPiece, rest - kMinPiece)(m_rng);
        len = std::min(len, m_maxDatagram);
        // Never leave a tail too short to travel alone.
        if (rest - len > 0 && rest - len < kMinPiece)
            len = rest - kMinPiece;
        pieces.push_back(frame.substr(pos, len));
        pos += len;
        --piecesLeft;
    }
    return pieces;
}

std::vector<std::string> FaultInjector::datagrams(const std::string& frame) {
    if (knobs.silent)
        return {};
    std::string text = frame;
    if (chance(knobs.corruptShare)) {
        text = WithWrongChecksum(frame);
        ++m_corrupted;
    }
    std::vector<std::string> out;
    for (std::string& piece : cut(text, knobs.splitFrames)) {
        if (chance(knobs.dropShare))
            ++m_dropped;
        else
            out.push_back(std::move(piece));
    }
    return out;
}

} // namespace krm::sim
