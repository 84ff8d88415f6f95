#pragma once
// Command frames: "%<letter>,<field>,...,<CRC16 as 4 upper-case hex digits>#".
//
// Pure functions and one small stateful class (FrameSplitter). Nothing here knows
// what a letter or field means; that is the model's business. Thread-safe except
// FrameSplitter, whose pending text belongs to the one thread that feeds it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace krm {

// CRC-16/MODBUS (reflected poly 0xA001, init 0xFFFF, no final XOR) of the given text.
// Returns 0xFFFF for empty text; "123456789" gives 0x4B37.
std::uint16_t FrameChecksum(std::string_view text);
inline std::uint16_t FrameChecksum(const char* text, std::size_t length) {
    return FrameChecksum(std::string_view(text, length));
}

// Builds one outgoing frame field by field. Every field is followed by ','; finish()
// appends the checksum of everything so far and the end mark '#'.
class CommandFrame {
public:
    explicit CommandFrame(char letter);

    CommandFrame& byte(int value);                 // "%02X"
    CommandFrame& word(int value);                 // "%04X"
    CommandFrame& nibbles(std::span<const int> v); // "%X" per value, no separator
    CommandFrame& text(std::string_view chars);    // "%s"
    // Appends digits without the trailing ',' (for fields assembled piecewise by a
    // sender); call endField() when the field is complete.
    CommandFrame& append(std::string_view chars);
    CommandFrame& endField();

    std::string finish() const;
    const std::string& body() const { return m_body; }

private:
    std::string m_body;
};

// Formats a value as printf("%0*X") of its unsigned 32-bit form would.
std::string HexField(int value, int minDigits);

// Index of the first match of pattern in haystack at or after start, or -1.
// '?' in the pattern matches any one character. Knuth-Morris-Pratt.
int FindPattern(std::string_view haystack, std::string_view pattern, int start);

// Hexadecimal text to bytes: an odd-length text gets a leading '0'; case is ignored;
// characters that are not hex digits count as 0 (never an error).
std::vector<std::uint8_t> HexToBytes(std::string_view text);

// Cuts received text into checked frames, keeping what is left between datagrams.
class FrameSplitter {
public:
    using Dispatch = std::function<void(std::string_view frame)>;

    // Longest text before the checksum that a frame may have; longer candidates can
    // never be ours and are dropped.
    static constexpr std::size_t kMaxCandidateBody = 3200;
    // Pending text beyond this is cut back to what could still start a frame.
    static constexpr std::size_t kMaxPending = 64 * 1024;

    // Feeds one datagram's text; hands each good frame to dispatch, in order, and
    // returns how many were handed over.
    int split(std::string_view received, const Dispatch& dispatch);

    const std::string& pending() const { return m_pending; }
    void clear() { m_pending.clear(); }

private:
    std::string m_pending;
};

// The splitter as a free function over caller-held pending text.
int SplitFrames(std::string_view received, std::string& pending,
                const FrameSplitter::Dispatch& dispatch);

// True when the frame's last four characters before '#' are the upper-case checksum
// of everything before them.
bool FrameChecksumOk(std::string_view frame);

} // namespace krm
