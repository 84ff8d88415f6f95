// Undo of a RECALL: the whole previous setting comes back — its fields and its switched-on
// control groups — and the device gets it as a whole resend, the one a RECALL of that
// setting plays; redo resends the recalled setting again.
#include "model/setting_diff.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"

#include "tests/support/fake_clock.h"
#include "tests/support/timed_sink.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>

namespace krm {
namespace {

std::vector<std::string> Texts(const std::vector<PacedSender::TimedFrame>& sequence) {
    std::vector<std::string> texts;
    for (const PacedSender::TimedFrame& f : sequence)
        if (!f.text.empty())
            texts.push_back(f.text);
    return texts;
}

TEST(RecallUndoTest, UndoPlaysThePreviousSettingsWholeResendAndRedoTheRecalledOnes) {
    QTemporaryDir root;
    const std::filesystem::path folder(root.path().toStdString());
    PresetLibrary library(folder / PresetLibrary::kFileName);
    DeviceSettings settings(library, folder);

    DeviceImage image;
    ResetToStartupValues(image);
    test::FakeClock clock;
    test::TimedSink sink(clock);
    PacedSender linked(sink, clock);
    PacedSender bulk(sink, clock);
    EditService edits(image, sink, linked, bulk);
    SettingRecall recall(settings, edits);

    // The stored setting differs in a band, a name, a limiter and a group record.
    DeviceImage stored = image;
    stored.inputs[2].peq[1].gain = 200;
    stored.inputs[0].name = Name16::fromUtf8("Podium");
    stored.outputs[5].limiter = {1, 12, 5, 60, 30, 50};
    stored.muteGroups[1].input(4) = 1;
    ASSERT_EQ(settings.save(stored, {}), SaveOutcome::Saved);

    // The program holds other values, with control group 1 on over CH1 and CH2.
    edits.set(Param(ParamKind::InGain), Channel::input(5), 44);
    image.controlGroups[0].input(0) = 1;
    image.controlGroups[0].input(1) = 1;
    image.controlGroups[0].link(LinkVol) = 1;
    edits.switchControlGroup(1, true);
    ASSERT_EQ(edits.links().of(Channel::input(1)).group, 1);
    const DeviceImage previous = image;
    bulk.waitIdle();
    sink.clear();

    ASSERT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Sending);
    EXPECT_EQ(edits.history().nextUndo()->name.en, "RECALL 1:SAVE1");
    EXPECT_TRUE(edits.history().nextUndo()->whole);
    bulk.waitIdle();
    const DeviceImage recalled = image;
    sink.clear();

    const EditService::UndoResult undone = edits.undo();
    ASSERT_NE(undone.step, nullptr);
    ASSERT_NE(undone.progress, nullptr);
    bulk.waitIdle();
    EXPECT_TRUE(DiffImages(image, previous).empty());
    EXPECT_EQ(image.controlGroupActive, previous.controlGroupActive);
    EXPECT_EQ(edits.links().of(Channel::input(1)).group, 1); // the group links again
    EXPECT_EQ(sink.frames(), Texts(SettingResendSequence(previous, nullptr)));
    EXPECT_EQ(undone.progress->done(), undone.progress->total);
    sink.clear();

    ASSERT_NE(edits.redo().step, nullptr);
    bulk.waitIdle();
    EXPECT_TRUE(DiffImages(image, recalled).empty());
    EXPECT_EQ(edits.links().of(Channel::input(1)).group, 0);
    EXPECT_EQ(sink.frames(), Texts(SettingResendSequence(recalled, nullptr)));
    sink.clear();

    // Offline the setting goes back in the image only.
    sink.online = false;
    const EditService::UndoResult offline = edits.undo();
    EXPECT_EQ(offline.progress, nullptr);
    EXPECT_TRUE(DiffImages(image, previous).empty());
    sink.online = true;
    bulk.waitIdle();
    EXPECT_TRUE(sink.frames().empty());
}

} // namespace
} // namespace krm
