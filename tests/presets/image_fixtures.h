#pragma once
// Images for the setting-file tests: every field filled from a seeded generator, and a
// comparison that names the record that differs. Test thread only.

#include "model/device_image.h"
#include "model/held_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace krm::test {

// Records made of whole integers and byte arrays only: any bytes are a valid value, and
// two records are equal exactly when their bytes are.
template <typename T>
constexpr bool kPlainRecord =
    std::is_trivially_copyable_v<T>&& std::has_unique_object_representations_v<T>;

template <typename T> void FillRandom(T& record, std::mt19937& random) {
    static_assert(kPlainRecord<T>);
    std::vector<unsigned char> bytes(sizeof record);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(random());
    std::memcpy(&record, bytes.data(), sizeof record);
}

// Every field random, names included (16 raw bytes, GBK lead bytes among them, often
// without a terminator); the fields of the parameter table then held to their ranges, as
// in every image the program holds (a file read holds them too).
inline DeviceImage RandomImage(unsigned seed) {
    std::mt19937 random(seed);
    DeviceImage image;
    FillRandom(image.inputs, random);
    FillRandom(image.outputs, random);
    FillRandom(image.micUnits, random);
    FillRandom(image.muteGroups, random);
    FillRandom(image.controlGroups, random);
    FillRandom(image.controlGroupActive, random);
    for (std::int32_t* v :
         {&image.autoMixMode, &image.maxOpenCh, &image.lastHold, &image.holdTime, &image.closedAttn,
          &image.nomAttn, &image.zeroCrossRate, &image.energy, &image.compareCount,
          &image.thresholdComp, &image.autoMixSync, &image.unitCount, &image.activeMuteGroup})
        *v = static_cast<std::int32_t>(random());
    FillRandom(image.deviceText, random);
    HoldToRanges(image);
    return image;
}

template <typename T> bool SameBytes(const T& a, const T& b) {
    static_assert(kPlainRecord<T>);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Byte offset of the first difference inside a record, for the failure message.
template <typename T> std::size_t FirstDifference(const T& a, const T& b) {
    const auto* pa = reinterpret_cast<const unsigned char*>(&a);
    const auto* pb = reinterpret_cast<const unsigned char*>(&b);
    std::size_t i = 0;
    while (i < sizeof a && pa[i] == pb[i])
        ++i;
    return i;
}

inline void ExpectSameImage(const DeviceImage& actual, const DeviceImage& expected) {
    for (int c = 0; c < kInputCount; ++c)
        EXPECT_TRUE(SameBytes(actual.inputs[c], expected.inputs[c]))
            << "CH" << c + 1 << " differs from byte "
            << FirstDifference(actual.inputs[c], expected.inputs[c]) << " of the record";
    for (int o = 0; o < kOutputCount; ++o)
        EXPECT_TRUE(SameBytes(actual.outputs[o], expected.outputs[o]))
            << "bus " << o + 1 << " differs from byte "
            << FirstDifference(actual.outputs[o], expected.outputs[o]) << " of the record";
    EXPECT_TRUE(SameBytes(actual.micUnits, expected.micUnits)) << "micUnits";
    EXPECT_TRUE(SameBytes(actual.muteGroups, expected.muteGroups)) << "mute groups";
    EXPECT_TRUE(SameBytes(actual.controlGroups, expected.controlGroups)) << "control groups";
    EXPECT_EQ(actual.autoMixMode, expected.autoMixMode);
    EXPECT_EQ(actual.maxOpenCh, expected.maxOpenCh);
    EXPECT_EQ(actual.lastHold, expected.lastHold);
    EXPECT_EQ(actual.holdTime, expected.holdTime);
    EXPECT_EQ(actual.closedAttn, expected.closedAttn);
    EXPECT_EQ(actual.nomAttn, expected.nomAttn);
    EXPECT_EQ(actual.zeroCrossRate, expected.zeroCrossRate);
    EXPECT_EQ(actual.energy, expected.energy);
    EXPECT_EQ(actual.compareCount, expected.compareCount);
    EXPECT_EQ(actual.thresholdComp, expected.thresholdComp);
    EXPECT_EQ(actual.autoMixSync, expected.autoMixSync);
    EXPECT_EQ(actual.deviceText, expected.deviceText);
    EXPECT_EQ(actual.unitCount, expected.unitCount);
    EXPECT_EQ(actual.controlGroupActive, expected.controlGroupActive);
    EXPECT_EQ(actual.activeMuteGroup, expected.activeMuteGroup);
}

inline std::vector<std::uint8_t> ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace krm::test
