// The field list of a whole setting and the differences between two images: what is
// listed, by which names, in which order, with which display texts.

#include "model/setting_diff.h"

#include "model/parameters.h"

#include <gtest/gtest.h>

#include <set>

namespace krm {
namespace {

DeviceImage StartupImage() {
    DeviceImage image;
    ResetToStartupValues(image);
    return image;
}

TEST(SettingFields, EveryTableParameterOnEveryChannelOnceUnderItsOwnPath) {
    const DeviceImage image = StartupImage();
    const std::vector<SettingField> fields = ListSettingFields(image);

    std::set<std::string> paths;
    int tableFields = 0;
    for (const SettingField& f : fields) {
        EXPECT_TRUE(paths.insert(f.path).second) << "listed twice: " << f.path;
        EXPECT_NE(std::string(ModuleName(f.module).en), "") << f.path << " in no module";
        if (!f.parameter)
            continue;
        ++tableFields;
        // The path leads back to the same parameter and channel, and the text is the
        // table's text of the stored code.
        const std::optional<ParamAddress> found = FindParameter(f.path);
        ASSERT_TRUE(found) << f.path;
        EXPECT_EQ(found->parameter, f.parameter) << f.path;
        EXPECT_EQ(found->channel, f.channel) << f.path;
        EXPECT_EQ(f.code, f.parameter->get(image, f.channel)) << f.path;
        EXPECT_EQ(f.text, ValueText(*f.parameter, f.channel, f.code)) << f.path;
    }
    int expected = 0;
    for (const Parameter& p : Parameters()) {
        const int channels = p.side == Side::Input    ? kInputCount
                             : p.side == Side::Output ? kOutputCount
                                                      : 1;
        for (int c = 0; c < channels; ++c)
            expected += p.existsOn(Channel{p.side, p.side == Side::Device ? 0 : c}) ? 1 : 0;
    }
    EXPECT_EQ(tableFields, expected);
    // Beyond the table: 28 names and labels, 4 x 38 + 4 x 51 group words (the control
    // group's four name words as one name), 10 x 5 unit slots, the unit count, the text.
    EXPECT_EQ(static_cast<int>(fields.size()) - tableFields,
              2 * 28 + 4 * 38 + 4 * (51 - 4 + 1) + 50 + 1 + 1);
    for (const char* path : {"in1.name", "out8.label", "muteGroup4.out8", "muteGroup1.word21",
                             "controlGroup2.link.eq", "controlGroup3.members", "controlGroup1.name",
                             "unit10.slot5", "units.count", "device.text", "in16.comp.ratio",
                             "out5.limiter.ratio", "automix.nomAttn", "fx.reverb.tap4"})
        EXPECT_TRUE(paths.count(path)) << path;
    // Inputs without compressor or phantom are not given one.
    EXPECT_FALSE(paths.count("in17.comp.ratio"));
    EXPECT_FALSE(paths.count("in20.phantom"));
}

TEST(SettingDiff, EqualImagesHaveNoDifference) {
    EXPECT_TRUE(DiffImages(StartupImage(), StartupImage()).empty());
}

struct Change {
    const char* path;
    const char* module;
    const char* before;
    const char* after;
};

TEST(SettingDiff, ListsExactlyTheChangedFieldsByModuleThenChannel) {
    const DeviceImage a = StartupImage();
    DeviceImage b = a;
    // Written in an order unlike the expected one: the list sorts them.
    b.micUnits[2][1] = 17;
    b.controlGroups[0].setName(Name16::fromUtf8("Stage"));
    b.muteGroups[1].input(6) = 1;
    b.inputs[0].name = Name16::fromUtf8("Podium");
    b.nomAttn = 12;
    b.outputs[4].limiter.ratio = 25;
    b.inputs[2].peq[1].gain = 120;
    b.inputs[0].peq[0].freq = 1000;
    b.outputs[0].geq[30].gain = 160;
    b.inputs[15].comp.threshold = 40;

    auto text = [](const DeviceImage& im, const char* path) {
        const ParamAddress at = *FindParameter(path);
        return ValueText(*at.parameter, at.channel, at.parameter->get(im, at.channel));
    };
    const std::vector<Change> expected = {
        {"in1.peq1.freq", "PEQ", "", "1000Hz"},
        {"in3.peq2.gain", "PEQ", "", "-3.0dB"},
        {"in16.comp.threshold", "Dynamics", "", "-20dB"},
        {"out5.limiter.ratio", "Limiter", "", "1:2.5"},
        {"out1.geq31", "GEQ", "", "1.0dB"},
        {"automix.nomAttn", "Auto-mixer", "", "12"},
        {"in1.name", "Names", "CH 1", "Podium"},
        {"muteGroup2.in7", "Groups", "0", "1"},
        {"controlGroup1.name", "Groups", "", "Stage"},
        {"unit3.slot2", "Units", "0", "17"},
    };
    const std::vector<SettingDifference> diff = DiffImages(a, b);
    ASSERT_EQ(diff.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].path);
        EXPECT_EQ(diff[i].path, expected[i].path);
        EXPECT_EQ(ModuleName(diff[i].module).en, std::string(expected[i].module));
        const bool table = FindParameter(expected[i].path).has_value();
        EXPECT_EQ(diff[i].parameter != nullptr, table);
        EXPECT_EQ(diff[i].a, table ? text(a, expected[i].path) : expected[i].before);
        EXPECT_EQ(diff[i].b, expected[i].after);
    }
    // Reversed, the same fields with the sides swapped.
    const std::vector<SettingDifference> back = DiffImages(b, a);
    ASSERT_EQ(back.size(), diff.size());
    for (std::size_t i = 0; i < diff.size(); ++i) {
        EXPECT_EQ(back[i].path, diff[i].path);
        EXPECT_EQ(back[i].a, diff[i].b);
        EXPECT_EQ(back[i].b, diff[i].a);
    }
}

TEST(SettingDiff, CodesThatReadAlikeStillDiffer) {
    // A frequency beyond the scale reads as the scale's end; the stored codes differ.
    const DeviceImage a = StartupImage();
    DeviceImage b = a;
    b.inputs[4].hpf.freq = 30000;
    DeviceImage c = b;
    c.inputs[4].hpf.freq = 20000;
    const std::vector<SettingDifference> diff = DiffImages(b, c);
    ASSERT_EQ(diff.size(), 1u);
    EXPECT_EQ(diff[0].path, "in5.hpf.freq");
    EXPECT_EQ(diff[0].module, ImageModule::Filters);
}

TEST(SettingDiff, LiveValuesAndGroupSwitchesAreNotPartOfASetting) {
    const DeviceImage a = StartupImage();
    DeviceImage b = a;
    b.inputs[3].meter = 200;
    b.outputs[2].meter = 100;
    b.inputs[5].autoMixOpen = 1;
    b.controlGroupActive[1] = 1;
    b.activeMuteGroup = 3;
    EXPECT_TRUE(DiffImages(a, b).empty());
}

} // namespace
} // namespace krm
