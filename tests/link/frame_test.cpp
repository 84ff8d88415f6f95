#include "link/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace krm {
namespace {

struct Collected {
    std::vector<std::string> frames;
    FrameSplitter::Dispatch sink() {
        return [this](std::string_view f) { frames.emplace_back(f); };
    }
};

// A checked frame with the given body ("%X,...,"), built the same way the device does.
std::string framed(const std::string& body) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", FrameChecksum(body));
    return body + digits + "#";
}

TEST(FrameChecksum, MatchesModbusCheckValueAndStoredDiscoveryRequest) {
    EXPECT_EQ(FrameChecksum("123456789"), 0x4B37);
    EXPECT_EQ(FrameChecksum("%R,01,01,"), 0xA0A1);
    EXPECT_EQ(FrameChecksum(""), 0xFFFF);
    EXPECT_EQ(FrameChecksum("123456789xyz", 9), 0x4B37);
    // Bytes above 0x7F are taken unsigned (a sign-extended table index would differ).
    EXPECT_NE(FrameChecksum("\xFF"), FrameChecksum("\x7F"));
    EXPECT_EQ(FrameChecksum("\xFF"), 0x00FF);
}

TEST(CommandFrame, BuildsEachFieldEncodingAndAppendsChecksum) {
    const int nib[] = {1, 0, 15, 3};
    const std::string f =
        CommandFrame('G').byte(1).word(1000).nibbles(nib).text("AB").byte(300).finish();
    // address "01", word "03E8", nibble run "10F3", text, and a byte above 255 as "%02X"
    // would print it.
    EXPECT_EQ(f.substr(0, f.size() - 5), "%G,01,03E8,10F3,AB,12C,");
    EXPECT_TRUE(FrameChecksumOk(f));
    EXPECT_EQ(CommandFrame('R').byte(1).byte(1).finish(), "%R,01,01,A0A1#");
    EXPECT_EQ(CommandFrame('Z').finish(), framed("%Z,"));
}

TEST(FrameChecksumOk, RejectsLowerCaseDigitsShortTextAndMissingEnd) {
    EXPECT_TRUE(FrameChecksumOk("%R,01,01,A0A1#"));
    EXPECT_FALSE(FrameChecksumOk("%R,01,01,a0a1#"));
    EXPECT_FALSE(FrameChecksumOk("%R,01,01,A0A2#"));
    EXPECT_FALSE(FrameChecksumOk("%R,01,01,A0A1"));
    EXPECT_FALSE(FrameChecksumOk("%R,A0A1#"));
}

TEST(SplitFrames, HandsOverGoodFramesInOrderAndDropsBadOnes) {
    Collected got;
    FrameSplitter splitter;
    const std::string a = framed("%Q,01,00,");
    const std::string b = framed("%Y,01,");
    EXPECT_EQ(splitter.split(a + b, got.sink()), 2);
    ASSERT_EQ(got.frames, (std::vector<std::string>{a, b}));
    EXPECT_TRUE(splitter.pending().empty());

    got.frames.clear();
    EXPECT_EQ(splitter.split("%R,01,01,a0a1#" + a, got.sink()), 1) << "lower-case checksum";
    EXPECT_EQ(got.frames, (std::vector<std::string>{a}));

    got.frames.clear();
    // A frame without fields has 8 characters; the device never sends one, and the
    // checker drops anything that short.
    EXPECT_EQ(splitter.split(framed("%Z,"), got.sink()), 0);
    EXPECT_TRUE(got.frames.empty());
}

TEST(SplitFrames, CompletesFrameSplitOverDatagrams) {
    Collected got;
    FrameSplitter splitter;
    const std::string f = framed("%G,01,03E8,4B,0A,01,");
    for (std::size_t cut : {std::size_t{3}, std::size_t{5}, std::size_t{12}, f.size() - 1}) {
        got.frames.clear();
        splitter.clear();
        EXPECT_EQ(splitter.split(f.substr(0, cut), got.sink()), 0);
        EXPECT_EQ(splitter.split(f.substr(cut), got.sink()), 1) << "cut at " << cut;
        EXPECT_EQ(got.frames, std::vector<std::string>{f});
    }
    // Three pieces, the middle one only two characters long: once something is
    // pending, even a tiny datagram is kept.
    got.frames.clear();
    splitter.clear();
    splitter.split(f.substr(0, 4), got.sink());
    splitter.split(f.substr(4, 2), got.sink());
    splitter.split(f.substr(6), got.sink());
    EXPECT_EQ(got.frames, std::vector<std::string>{f});
}

TEST(SplitFrames, DropsStrayTextAndEndMarksBeforeTheStart) {
    Collected got;
    std::string pending;
    const std::string f = framed("%Y,01,");
    EXPECT_EQ(SplitFrames("junk#more#" + f + "tail", pending, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{f});
    EXPECT_EQ(pending, "tail");
    // The stray tail is skipped once the next frame completes.
    got.frames.clear();
    EXPECT_EQ(SplitFrames(f, pending, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{f});
}

TEST(SplitFrames, FrameCutByNewerStartKeepsTheInnerFrame) {
    Collected got;
    std::string pending;
    const std::string inner = framed("%Q,01,");
    EXPECT_EQ(SplitFrames("%A,01,02," + inner, pending, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{inner});
    // Two abandoned starts in a row still leave the inner frame whole.
    got.frames.clear();
    EXPECT_EQ(SplitFrames("%A,01,%B,02," + inner, pending, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{inner});
    // The abandoned head may arrive in an earlier datagram.
    got.frames.clear();
    SplitFrames("%H,01,4B,4B", pending, got.sink());
    EXPECT_EQ(SplitFrames(inner, pending, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{inner});
}

TEST(SplitFrames, TinyDatagramsWithNothingPendingChangeNothing) {
    Collected got;
    std::string pending;
    EXPECT_EQ(SplitFrames("%Z", pending, got.sink()), 0);
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(SplitFrames("#", pending, got.sink()), 0);
    EXPECT_TRUE(pending.empty());
}

TEST(SplitFrames, PendingTextStaysBounded) {
    Collected got;
    FrameSplitter splitter;
    // A start mark that never ends, fed forever, must not grow without limit.
    splitter.split("%A,", got.sink());
    const std::string chunk(2000, 'A');
    for (int i = 0; i < 100; ++i)
        splitter.split(chunk, got.sink());
    EXPECT_LE(splitter.pending().size(), FrameSplitter::kMaxPending);
    // Text without any start mark does not pile up either.
    splitter.clear();
    for (int i = 0; i < 100; ++i)
        splitter.split(chunk, got.sink());
    EXPECT_LE(splitter.pending().size(), FrameSplitter::kMaxPending);
    // After the flood a good frame still gets through.
    const std::string f = framed("%Q,01,");
    EXPECT_EQ(splitter.split(f, got.sink()), 1);
    EXPECT_EQ(got.frames, std::vector<std::string>{f});
}

TEST(SplitFrames, CandidateLongerThanTheWorkAreaIsDropped) {
    Collected got;
    std::string pending;
    const std::string longBody = "%V,01," + std::string(3200, 'A') + ",";
    const std::string fitting = "%V,01," + std::string(3200 - 7, 'A') + ",";
    ASSERT_EQ(fitting.size(), 3200u);
    EXPECT_EQ(SplitFrames(framed(longBody), pending, got.sink()), 0);
    EXPECT_EQ(SplitFrames(framed(fitting), pending, got.sink()), 1);
}

TEST(FindPattern, EdgeCases) {
    EXPECT_EQ(FindPattern("abc", "", 2), 2);
    EXPECT_EQ(FindPattern("abc", "", 0), 0);
    EXPECT_EQ(FindPattern("xyz", "?", 0), 0);
    EXPECT_EQ(FindPattern("xyz", "?", 2), 2);
    EXPECT_EQ(FindPattern("", "?", 0), -1);
    EXPECT_EQ(FindPattern("abc", "a", -1), -1);
    EXPECT_EQ(FindPattern("abc", "bcd", 1), -1) << "pattern would not fit";
    EXPECT_EQ(FindPattern("a%b#c%d#", "#", 4), 7);
    EXPECT_EQ(FindPattern("a%b#c%d#", "%", 0), 1);
    // The failure table must back up correctly over partial matches.
    EXPECT_EQ(FindPattern("aaab", "aab", 0), 1);
    EXPECT_EQ(FindPattern("abababca", "ababca", 0), 2);
    EXPECT_EQ(FindPattern("%Z,1234#", "%?,", 0), 0);
    EXPECT_EQ(FindPattern("xx%Q,", "%?,", 0), 2);
    EXPECT_EQ(FindPattern("abcabd", "ab?", 1), 3);
    // A '?' in the searched text is a character like any other, not a wildcard.
    EXPECT_EQ(FindPattern("a?c#", "#", 0), 3);
    EXPECT_EQ(FindPattern("??%", "%", 0), 2);
    EXPECT_EQ(FindPattern("x?z", "y", 0), -1);
    EXPECT_EQ(FindPattern("a?b?c", "?c", 0), 3);
    // Wildcards never produce a false match or skip a real one.
    EXPECT_EQ(FindPattern("abba", "a?a", 0), -1);
    EXPECT_EQ(FindPattern("abbaxa", "a?a", 0), 3);
    EXPECT_EQ(FindPattern("aab", "?ab", 0), 0);
    EXPECT_EQ(FindPattern("%A,%B,", "%?,", 1), 3);
}

// Every pattern of up to three characters over "ab?" in every text of up to six
// characters over "ab?": the first match agrees with a direct comparison at each position.
TEST(FindPattern, AgreesWithDirectComparisonForPlainAndWildcardPatterns) {
    auto words = [](std::size_t maxLength) {
        std::vector<std::string> out{""};
        for (std::size_t i = 0; i < out.size(); ++i)
            if (out[i].size() < maxLength)
                for (char c : std::string("ab?"))
                    out.push_back(out[i] + c);
        return out;
    };
    auto direct = [](const std::string& text, const std::string& pattern, int start) {
        for (std::size_t at = static_cast<std::size_t>(start); at + pattern.size() <= text.size();
             ++at) {
            bool all = true;
            for (std::size_t k = 0; k < pattern.size() && all; ++k)
                all = pattern[k] == '?' || text[at + k] == pattern[k];
            if (all)
                return static_cast<int>(at);
        }
        return -1;
    };
    int compared = 0;
    for (const std::string& pattern : words(3))
        for (const std::string& text : words(6))
            for (int start = 0; start <= static_cast<int>(text.size()); ++start) {
                if (pattern.empty() || start + pattern.size() > text.size())
                    continue;
                ASSERT_EQ(FindPattern(text, pattern, start), direct(text, pattern, start))
                    << "\"" << pattern << "\" in \"" << text << "\" from " << start;
                ++compared;
            }
    EXPECT_GT(compared, 10000);
}

TEST(HexToBytes, OddLengthAndNonHexCharacters) {
    EXPECT_EQ(HexToBytes("ABC"), (std::vector<std::uint8_t>{0x0A, 0xBC}));
    EXPECT_EQ(HexToBytes("zz"), (std::vector<std::uint8_t>{0x00}));
    EXPECT_EQ(HexToBytes("ff01"), (std::vector<std::uint8_t>{0xFF, 0x01}));
    EXPECT_EQ(HexToBytes("G1"), (std::vector<std::uint8_t>{0x01}));
    EXPECT_TRUE(HexToBytes("").empty());
}

} // namespace
} // namespace krm
