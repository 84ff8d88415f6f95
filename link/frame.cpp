#include "link/frame.h"

#include <array>
#include <cstdio>

namespace krm {

namespace {

constexpr std::array<std::uint16_t, 256> makeCrcTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                             : static_cast<std::uint16_t>(crc >> 1);
        table[i] = crc;
    }
    return table;
}

constexpr auto kCrcTable = makeCrcTable();

} // namespace

std::uint16_t FrameChecksum(std::string_view text) {
    std::uint16_t crc = 0xFFFF;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        crc = static_cast<std::uint16_t>((crc >> 8) ^ kCrcTable[(crc ^ byte) & 0xFFu]);
    }
    return crc;
}

std::string HexField(int value, int minDigits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", minDigits, static_cast<unsigned>(value));
    return buf;
}

CommandFrame::CommandFrame(char letter) {
    m_body.reserve(64);
    m_body += '%';
    m_body += letter;
    m_body += ',';
}

CommandFrame& CommandFrame::byte(int value) {
    m_body += HexField(value, 2);
    return endField();
}

CommandFrame& CommandFrame::word(int value) {
    m_body += HexField(value, 4);
    return endField();
}

CommandFrame& CommandFrame::nibbles(std::span<const int> values) {
    for (int v : values)
        m_body += HexField(v, 1);
    return endField();
}

CommandFrame& CommandFrame::text(std::string_view chars) {
    m_body += chars;
    return endField();
}

CommandFrame& CommandFrame::append(std::string_view chars) {
    m_body += chars;
    return *this;
}

CommandFrame& CommandFrame::endField() {
    m_body += ',';
    return *this;
}

std::string CommandFrame::finish() const {
    std::string frame = m_body;
    frame += HexField(FrameChecksum(m_body), 4);
    frame += '#';
    return frame;
}

int FindPattern(std::string_view haystack, std::string_view pattern, int start) {
    if (start < 0)
        return -1;
    const auto n = static_cast<std::size_t>(haystack.size());
    const auto m = static_cast<std::size_t>(pattern.size());
    const auto from = static_cast<std::size_t>(start);
    if (from + m > n)
        return -1;
    if (m == 0)
        return start;

    // Only the pattern's '?' is a wildcard; in the haystack a '?' is a character.
    auto matches = [](char text, char pat) { return pat == '?' || text == pat; };
    if (pattern.find('?') != std::string_view::npos) {
        // A failure table cannot hold wildcards: built with '?' matching anything it
        // shifts past real matches and reports false ones ("a?a" in "abba" at 1). A
        // pattern with wildcards is compared at every position instead.
        for (std::size_t at = from; at + m <= n; ++at) {
            std::size_t k = 0;
            while (k < m && matches(haystack[at + k], pattern[k]))
                ++k;
            if (k == m)
                return static_cast<int>(at);
        }
        return -1;
    }

    // Knuth-Morris-Pratt over a plain pattern.
    std::vector<std::size_t> fail(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && pattern[i] != pattern[k])
            k = fail[k - 1];
        if (pattern[i] == pattern[k])
            ++k;
        fail[i] = k;
    }
    for (std::size_t i = from, k = 0; i < n; ++i) {
        while (k > 0 && haystack[i] != pattern[k])
            k = fail[k - 1];
        if (haystack[i] == pattern[k])
            ++k;
        if (k == m)
            return static_cast<int>(i + 1 - m);
    }
    return -1;
}

std::vector<std::uint8_t> HexToBytes(std::string_view text) {
    auto nibble = [](char c) -> std::uint8_t {
        if (c >= '0' && c <= '9')
            return static_cast<std::uint8_t>(c - '0');
        if (c >= 'A' && c <= 'F')
            return static_cast<std::uint8_t>(c - 'A' + 10);
        if (c >= 'a' && c <= 'f')
            return static_cast<std::uint8_t>(c - 'a' + 10);
        return 0;
    };
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 2 + 1);
    std::size_t i = 0;
    if (text.size() % 2 == 1) {
        out.push_back(nibble(text[0]));
        i = 1;
    }
    for (; i + 1 < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(nibble(text[i]) << 4 | nibble(text[i + 1])));
    return out;
}

bool FrameChecksumOk(std::string_view frame) {
    if (frame.size() < 9 || frame.back() != '#')
        return false;
    const auto body = frame.substr(0, frame.size() - 5);
    // Compared as rebuilt text: lower-case checksum digits do not pass.
    return frame.substr(body.size(), 4) == HexField(FrameChecksum(body), 4);
}

int FrameSplitter::split(std::string_view received, const Dispatch& dispatch) {
    return SplitFrames(received, m_pending, dispatch);
}

namespace {

// Keeps pending text bounded: only a tail that starts with '%' and could still become
// a frame is worth keeping.
void boundPending(std::string& pending) {
    if (pending.size() <= FrameSplitter::kMaxPending)
        return;
    const auto p = pending.rfind('%');
    if (p == std::string::npos || pending.size() - p > FrameSplitter::kMaxCandidateBody + 5)
        pending.clear();
    else
        pending.erase(0, p);
}

} // namespace

int SplitFrames(std::string_view received, std::string& pending,
                const FrameSplitter::Dispatch& dispatch) {
    std::string text;
    text.reserve(pending.size() + received.size());
    text += pending;
    text += received;

    if (text.size() <= 2) {
        // Too short to hold a frame. With nothing pending the datagram changes nothing;
        // otherwise the characters join the pending text so that a frame split into
        // tiny pieces is not torn.
        if (!pending.empty())
            pending = std::move(text);
        return 0;
    }

    int handed = 0;
    std::size_t p = text.find('%');
    std::size_t q = text.find('#');
    if (p == std::string::npos || q == std::string::npos) {
        pending = std::move(text);
        boundPending(pending);
        return 0;
    }

    auto dropBeforeStart = [&] {
        if (q < p) {
            text.erase(0, p);
            p = text.find('%');
            q = text.find('#');
        }
    };
    dropBeforeStart();

    while (p != std::string::npos && q != std::string::npos && p < q) {
        // A frame cut off by a newer start mark is abandoned: the candidate begins at the
        // last '%' before the end mark (the newest start), so that two interruptions in
        // a row still leave the complete inner frame.
        const std::size_t start = text.rfind('%', q);
        const std::string_view candidate(text.data() + start, q - start + 1);
        if (candidate.size() >= 9 && candidate.size() - 5 <= FrameSplitter::kMaxCandidateBody &&
            FrameChecksumOk(candidate)) {
            dispatch(candidate);
            ++handed;
        }
        text.erase(0, q + 1);
        p = text.find('%');
        q = text.find('#');
        if (p == std::string::npos)
            break;
        dropBeforeStart();
    }

    pending = std::move(text);
    boundPending(pending);
    return handed;
}

} // namespace krm
