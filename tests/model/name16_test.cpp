#include "model/name16.h"

#include <gtest/gtest.h>

namespace krm {
namespace {

TEST(Name16, ChineseNamesRoundTripThroughGbk) {
    const std::u16string chinese = u"主席台";
    const Name16 name = Name16::fromUtf16(chinese);
    EXPECT_EQ(name.view().size(), 6u) << "three GBK double-byte characters";
    EXPECT_EQ(static_cast<unsigned char>(name.view()[0]), 0xD6) << "GBK lead byte of 主";
    EXPECT_EQ(name.toUtf16(), chinese);
    EXPECT_EQ(Name16::fromUtf8("Mic 1").view(), "Mic 1");
}

TEST(Name16, CutsToFifteenBytesWithoutSplittingACharacter) {
    EXPECT_EQ(Name16::fromGbk("ABCDEFGHIJKLMNOPQRS").view(), "ABCDEFGHIJKLMNO");
    // Eight Chinese characters are 16 bytes: only seven fit beside the terminator.
    const Name16 eight = Name16::fromUtf16(u"一二三四五六七八");
    EXPECT_EQ(eight.view().size(), 14u);
    EXPECT_EQ(eight.toUtf16(), u"一二三四五六七");
    // "A" + seven Chinese: 15 bytes fit exactly.
    EXPECT_EQ(Name16::fromUtf16(u"A一二三四五六七").view().size(), 15u);
    EXPECT_EQ(eight.bytes[15], '\0');
}

TEST(Name16, ViewStopsAtTheFirstNulAndAtSixteenBytes) {
    Name16 n;
    n.bytes.fill('x');
    EXPECT_EQ(n.view().size(), 16u) << "a full slot from a file has no terminator";
    EXPECT_EQ(Name16::fromGbk(std::string_view("ab\0cd", 5)).view(), "ab");
}

} // namespace
} // namespace krm
