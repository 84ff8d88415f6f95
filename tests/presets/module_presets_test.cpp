// An editor's preset list end to end: a real database file, a real edit service and a
// recording sink standing in for the device link.
#include "presets/module_presets.h"

#include "presets/payloads.h"

#include "tests/presets/preset_db_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/frame_field.h"
#include "tests/support/recording_sink.h"

#include <gtest/gtest.h>

#include <cstring>

namespace krm {
namespace {

class ModulePresetsTest : public ::testing::Test, public EditListener {
protected:
    ModulePresetsTest() {
        ResetToStartupValues(image);
        edits.addListener(this);
    }
    ~ModulePresetsTest() override { edits.removeListener(this); }
    void edited(const Parameter*, const std::vector<Channel>& channels) override {
        told.push_back(channels);
    }
    // The letter and channel field of every frame sent: "G18", "D1".
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const std::string& f : sink.frames())
            out.push_back(f.substr(1, 1) + std::to_string(test::fieldOf(f, 2)));
        return out;
    }

    test::TempFolder folder;
    PresetLibrary library{folder / "Lib5302.mdb"};
    DeviceImage image;
    test::FakeClock clock;
    test::RecordingSink sink;
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};
    ModulePresets presets{library, edits};
    std::vector<std::vector<Channel>> told;
};

TEST_F(ModulePresetsTest, SaveNumbersAfterTheLargestIdAndNeverReusesFreedOnes) {
    EXPECT_EQ(presets.save(PresetTable::Noise, Channel::input(2)), "1:SAVE1");
    EXPECT_EQ(presets.rows(PresetTable::Noise), (std::vector<std::string>{"1:SAVE1"}));

    ASSERT_TRUE(library.insert(PresetTable::Noise, {2, "TWO", "01283214"}));
    ASSERT_TRUE(library.insert(PresetTable::Noise, {5, "FIVE", "01283214"}));
    EXPECT_EQ(presets.save(PresetTable::Noise, Channel::input(2)), "6:SAVE6");
    EXPECT_TRUE(presets.remove(PresetTable::Noise, "2:TWO"));
    EXPECT_EQ(presets.save(PresetTable::Noise, Channel::input(2)), "7:SAVE7");
    EXPECT_EQ(presets.rows(PresetTable::Noise),
              (std::vector<std::string>{"1:SAVE1", "5:FIVE", "6:SAVE6", "7:SAVE7"}));
    // Each table counts on its own.
    EXPECT_EQ(presets.save(PresetTable::Limit, Channel::output(3)), "1:SAVE1");

    // The stored payload is the channel's module as it was at the save.
    image.inputs[9].comp = {
        .enable = 1, .threshold = 40, .attack = 10, .release = 100, .gain = 0, .ratio = 30};
    EXPECT_EQ(presets.save(PresetTable::Compressor, Channel::input(9)), "1:SAVE1");
    EXPECT_EQ(library.fetch(PresetTable::Compressor, 1)->payload, "01281E0A6400");

    // Whole-device settings are not module presets: refused, nothing written. Their table
    // reports its largest ID for the 32-setting limit.
    for (int id = 1; id <= kDeviceSettingLimit; ++id)
        ASSERT_TRUE(library.insert(PresetTable::DeviceData, {id, DefaultPresetName(id), "f"}));
    EXPECT_FALSE(presets.save(PresetTable::DeviceData, Channel::input(0)));
    EXPECT_FALSE(presets.lastError().empty());
    EXPECT_EQ(library.highestId(PresetTable::DeviceData), kDeviceSettingLimit);
    EXPECT_TRUE(sink.frames().empty()); // saving sends nothing
}

TEST_F(ModulePresetsTest, RecallWritesTheShownChannelAndSendsTheModuleFramesAtOnce) {
    image.inputs[0].peq[2] = {.freq = 3150, .gain = 210, .q = 45, .type = 2};
    image.inputs[0].hpf = {.freq = 120, .type = 2, .slope = 6, .enable = 1};
    const auto peq = presets.save(PresetTable::Peq, Channel::input(0));
    ASSERT_TRUE(peq);

    // CH18 is a line input: the four band frames go out, no filter frames.
    ASSERT_TRUE(presets.recall(PresetTable::Peq, Channel::input(17), *peq));
    EXPECT_EQ(sent(), (std::vector<std::string>{"G18", "G18", "G18", "G18"}));
    EXPECT_EQ(image.inputs[17].peq[2].freq, 3150);
    EXPECT_EQ(image.inputs[17].hpf.slope, 6);
    EXPECT_EQ(PackPayload(PresetTable::Peq, image, Channel::input(17)),
              PackPayload(PresetTable::Peq, image, Channel::input(0)));
    const auto frames = sink.frames();
    for (int band = 1; band <= 4; ++band)
        EXPECT_EQ(test::fieldOf(frames[static_cast<std::size_t>(band - 1)], 4), band);
    EXPECT_EQ(test::fieldOf(frames[2], 6), 3150); // band 3's frequency as it was saved
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], (std::vector<Channel>{Channel::input(17)}));

    sink.clear();
    ASSERT_TRUE(presets.recall(PresetTable::Peq, Channel::input(2), *peq));
    EXPECT_EQ(sent(), (std::vector<std::string>{"G3", "G3", "G3", "G3", "E3", "F3"}));

    image.outputs[5].limiter = {
        .enable = 1, .threshold = 12, .attack = 30, .release = 90, .gain = 40, .ratio = 50};
    const auto limit = presets.save(PresetTable::Limit, Channel::output(5));
    ASSERT_TRUE(limit);
    sink.clear();
    ASSERT_TRUE(presets.recall(PresetTable::Limit, Channel::output(0), *limit));
    EXPECT_EQ(sent(), (std::vector<std::string>{"D1", "D2"}));
    EXPECT_EQ(image.outputs[0].limiter.threshold, 12);
    EXPECT_EQ(image.outputs[1].limiter.threshold, 0); // output 2 is resent, not changed
    sink.clear();
    ASSERT_TRUE(presets.recall(PresetTable::Limit, Channel::output(2), *limit));
    EXPECT_EQ(sent(), (std::vector<std::string>{"D3"}));

    // The effects go to their return channels whichever channel is shown.
    image.inputs[16].fxPreDelay1 = 500;
    const auto delay = presets.save(PresetTable::Delay, Channel::input(4));
    ASSERT_TRUE(delay);
    image.inputs[16].fxPreDelay1 = 20;
    sink.clear();
    told.clear();
    ASSERT_TRUE(presets.recall(PresetTable::Delay, Channel::input(4), *delay));
    EXPECT_EQ(image.inputs[16].fxPreDelay1, 500);
    ASSERT_EQ(sink.frames().size(), 1u);
    EXPECT_EQ(sink.frames()[0].substr(0, 3), "%N,");
    EXPECT_EQ(told, (std::vector<std::vector<Channel>>{{Channel::input(16)}}));
}

TEST_F(ModulePresetsTest, OfflineRecallChangesTheImageAndSendsNothing) {
    image.outputs[0].geq[30].gain = 222;
    const auto geq = presets.save(PresetTable::Geq, Channel::output(0));
    ASSERT_TRUE(geq);
    sink.online = false;
    ASSERT_TRUE(presets.recall(PresetTable::Geq, Channel::output(6), *geq));
    EXPECT_EQ(image.outputs[6].geq[30].gain, 222);
    EXPECT_TRUE(sink.frames().empty());
    EXPECT_EQ(told, (std::vector<std::vector<Channel>>{{Channel::output(6)}}));
}

TEST_F(ModulePresetsTest, FailedOperationsChangeNeitherImageNorDeviceNorRows) {
    const auto saved = presets.save(PresetTable::Compressor, Channel::input(1));
    ASSERT_TRUE(saved);
    ASSERT_TRUE(library.insert(PresetTable::Compressor, {8, "BROKEN", "01281E0A64"})); // short
    image.inputs[3].comp.threshold = 33;
    const DeviceImage before = image;
    auto unchanged = [&] {
        EXPECT_EQ(std::memcmp(&image, &before, sizeof image), 0);
        EXPECT_TRUE(sink.frames().empty());
        EXPECT_TRUE(told.empty());
    };

    EXPECT_FALSE(presets.recall(PresetTable::Compressor, Channel::input(3), "8:BROKEN"));
    EXPECT_EQ(presets.lastError().en, "The stored preset is damaged and was not applied");
    EXPECT_EQ(presets.lastError().zh, "存储的预设已损坏，未被应用");
    EXPECT_FALSE(presets.recall(PresetTable::Compressor, Channel::input(3), "4:GONE"));
    EXPECT_EQ(presets.lastError().en, "The preset no longer exists");
    EXPECT_FALSE(presets.recall(PresetTable::Compressor, Channel::output(3), *saved));
    EXPECT_FALSE(presets.lastError().empty());
    // Texts that name no row are ignored.
    EXPECT_FALSE(presets.recall(PresetTable::Compressor, Channel::input(3), "SAVE PRESET"));
    EXPECT_FALSE(presets.recall(PresetTable::Compressor, Channel::input(3), "x1:SAVE1"));
    EXPECT_FALSE(presets.rename(PresetTable::Compressor, "1 SAVE1", "NEW"));
    EXPECT_FALSE(presets.remove(PresetTable::Compressor, ":SAVE1"));
    unchanged();

    // A name with a quote is stored as typed; a row text splits at the first ':'.
    EXPECT_TRUE(presets.rename(PresetTable::Compressor, "1:SAVE1", "O'Br:en"));
    EXPECT_EQ(presets.rows(PresetTable::Compressor),
              (std::vector<std::string>{"1:O'Br:en", "8:BROKEN"}));
    EXPECT_TRUE(presets.remove(PresetTable::Compressor, "1:O'Br:en"));
    EXPECT_EQ(presets.rows(PresetTable::Compressor), (std::vector<std::string>{"8:BROKEN"}));
    EXPECT_TRUE(presets.lastError().empty());

    // A database that cannot be read: the library's message, nothing changed.
    test::WriteBytes(folder / "other.mdb", "not a database at all, just text................."
                                           "..................................................");
    PresetLibrary broken(folder / "other.mdb");
    ModulePresets brokenPresets(broken, edits);
    EXPECT_FALSE(brokenPresets.save(PresetTable::Peq, Channel::input(0)));
    EXPECT_EQ(brokenPresets.lastError().en,
              "The preset database could not be read: file is not a database");
    EXPECT_FALSE(brokenPresets.rows(PresetTable::Peq));
    EXPECT_FALSE(brokenPresets.recall(PresetTable::Peq, Channel::input(0), "1:SAVE1"));
    unchanged();
}

TEST(RowTextTest, RowsShowIdColonNameAndSplitAtTheFirstColon) {
    EXPECT_EQ(RowText(12, "SAVE12"), "12:SAVE12");
    EXPECT_EQ(DefaultPresetName(7), "SAVE7");
    const auto ref = ParseRowText("12:A:B");
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->id, 12);
    EXPECT_EQ(ref->name, "A:B");
    EXPECT_EQ(ParseRowText("3:")->name, "");
    for (const char* bad : {"SAVE PRESET", ":X", "-1:X", "+1:X", " 1:X", "1a:X", "99999999999:X"})
        EXPECT_FALSE(ParseRowText(bad)) << bad;
}

} // namespace
} // namespace krm
