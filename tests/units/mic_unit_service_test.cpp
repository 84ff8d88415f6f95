// The microphone units' table rules and frames: one value in one slot of units 1..6, the
// unit frame "%X," sent at once while online, the call "%W," and the reset played 100 ms
// apart on the bulk sender with the link's last-reply time refreshed after each frame.
#include "units/mic_unit_service.h"

#include "tests/support/caller_clock.h"
#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace krm {
namespace {

using namespace std::chrono_literals;

using test::CallerClock;

class MicUnitServiceTest : public ::testing::Test, public EditListener {
protected:
    MicUnitServiceTest() {
        ResetToStartupValues(image);
        edits.addListener(this);
    }
    ~MicUnitServiceTest() override { edits.removeListener(this); }
    void edited(const Parameter*, const std::vector<Channel>& channels) override {
        if (channels == std::vector<Channel>{Channel::device()})
            ++deviceTold;
    }
    std::vector<std::string> frames() {
        bulk.waitIdle();
        return sink.frames();
    }

    DeviceImage image;
    CallerClock clock;
    test::TimedSink sink{clock};
    std::atomic<int> stamps{0};
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock, [this] { ++stamps; }};
    EditService edits{image, sink, linked, bulk};
    MicUnitService units{edits};
    int deviceTold = 0;
};

TEST(SlotText, NamesEveryListPosition) {
    const std::vector<std::pair<int, std::string>> cases{
        {0, "NULL"}, {1, "CH01"}, {5, "CH05"}, {20, "CH20"}, {21, "M01"},
        {24, "M04"}, {25, "D01"}, {28, "D04"}, {29, ""},     {-1, ""},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(SlotText(value), text) << value;
}

TEST_F(MicUnitServiceTest, AValueStandsInOneSlotOfUnitsOneToSixOnly) {
    image.micUnits[1][2] = 9; // unit 2 slot 3 holds CH09 before the refused assignment
    image.micUnits[7][0] = 6; // unit 8 lies outside the page: its CH06 does not count

    EXPECT_EQ(units.assign(0, 0, 5), UnitAssign::Stored);
    EXPECT_EQ(units.assign(1, 2, 5), UnitAssign::Duplicate);
    EXPECT_EQ(units.slot(1, 2), 9) << "a refused assignment keeps the slot's stored value";
    EXPECT_EQ(units.assign(0, 0, 5), UnitAssign::Stored) << "the slot itself is not compared";
    EXPECT_EQ(units.assign(2, 4, 6), UnitAssign::Stored);
    // NULL may stand in any number of slots.
    EXPECT_EQ(units.assign(3, 0, 0), UnitAssign::Stored);
    EXPECT_EQ(units.assign(3, 1, 0), UnitAssign::Stored);
    EXPECT_EQ(units.slot(0, 0), 5);
    EXPECT_EQ(units.slot(2, 4), 6);

    for (auto [unit, slot, value] :
         {std::tuple{6, 0, 1}, {-1, 0, 1}, {0, 5, 1}, {0, -1, 1}, {0, 1, 29}, {0, 1, -1}})
        EXPECT_EQ(units.assign(unit, slot, value), UnitAssign::Invalid)
            << unit << " " << slot << " " << value;
    EXPECT_EQ(units.slot(6, 0), -1);

    // Unit 1 twice, unit 3, unit 4 twice: the refused and invalid ones send nothing.
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 5u);
    // 01 unit 1 | CH05 then four empty slots
    EXPECT_EQ(sent[0].substr(0, 20), "%X,01,01,05FFFFFFFF,");
    EXPECT_EQ(sent[1], sent[0]);
    EXPECT_EQ(sent[2].substr(0, 20), "%X,01,03,FFFFFFFF06,");
    EXPECT_EQ(deviceTold, 5);
}

TEST_F(MicUnitServiceTest, UnitThreeSendsItsFiveSlotsAsOneField) {
    // Slots CH01, NULL, M02 (22 = 0x16), NULL, D04 (28 = 0x1C).
    for (auto [slot, value] : {std::pair{0, 1}, {1, 0}, {2, 22}, {3, 0}, {4, 28}})
        ASSERT_EQ(units.assign(2, slot, value), UnitAssign::Stored);
    const std::vector<std::string> sent = frames();
    ASSERT_EQ(sent.size(), 5u);
    // 03 unit 3 | 01 FF 16 FF 1C, an empty slot written FF
    EXPECT_EQ(sent.back(), "%X,01,03,01FF16FF1C,5474#");
}

TEST_F(MicUnitServiceTest, ResetAllClearsTheTableAndSendsSixUnitsHundredMillisecondsApart) {
    for (int u = 0; u < kMicUnitSlots; ++u)
        image.micUnits[static_cast<std::size_t>(u)] = {1, 2, 3, 4, static_cast<std::uint8_t>(u)};
    const Millis start = clock.now();

    const std::shared_ptr<const SequenceProgress> progress = units.resetAll();
    EXPECT_EQ(progress->total, 6);
    const std::vector<std::string> sent = frames();
    const std::vector<Millis> times = sink.times();

    ASSERT_EQ(sent.size(), 6u);
    // 01 unit 1 | every slot empty
    EXPECT_EQ(sent[0], "%X,01,01,FFFFFFFFFF,D3CB#");
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].substr(0, 20), "%X,01,0" + std::to_string(i + 1) + ",FFFFFFFFFF,");
        // The first leaves at once, then 100 ms after each.
        EXPECT_EQ(times[i] - start, Millis(100 * static_cast<int>(i))) << i;
    }
    EXPECT_EQ(stamps.load(), 6) << "each unit frame refreshes the last-reply time";
    EXPECT_EQ(clock.callerSleeps.load(), 0);

    for (int u = 0; u < kPageUnitCount; ++u)
        EXPECT_EQ(image.micUnits[static_cast<std::size_t>(u)], (MicUnit{0, 0, 0, 0, 0})) << u;
    EXPECT_EQ(image.micUnits[6], (MicUnit{0, 0, 3, 4, 6}));
    EXPECT_EQ(image.micUnits[7], (MicUnit{1, 2, 3, 4, 7}));
    EXPECT_EQ(deviceTold, 1);
}

TEST_F(MicUnitServiceTest, CallSendsTheUnitNumberOrZeroWithoutAUnit) {
    EXPECT_TRUE(units.call(-1));
    EXPECT_TRUE(units.call(2));
    EXPECT_FALSE(units.call(6));
    // 00 no unit selected; 03 unit 3
    EXPECT_EQ(frames(), (std::vector<std::string>{"%W,01,00,0F60#", "%W,01,03,FF60#"}));
}

TEST_F(MicUnitServiceTest, OfflineChangesTheTableOnlyAndSendsNothing) {
    sink.online = false;
    EXPECT_EQ(units.assign(0, 1, 21), UnitAssign::Stored);
    EXPECT_EQ(units.assign(1, 1, 21), UnitAssign::Duplicate);
    EXPECT_FALSE(units.call(0));
    image.micUnits[4][4] = 12;
    EXPECT_EQ(units.resetAll()->total, 0);
    EXPECT_EQ(image.micUnits[4][4], 0);
    // Back online, nothing of the offline changes follows.
    sink.online = true;
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(deviceTold, 2) << "the views hear of the offline assignment and reset too";
}

} // namespace
} // namespace krm
