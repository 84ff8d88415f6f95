// End-to-end: a factory recovery while connected writes the factory values, sends the whole
// image to the virtual device in the resend's order with its pauses, keeps the link online,
// and leaves the device holding exactly the factory image. It never interleaves with a
// setting's resend on the same sender.
#include "resend_rig.h"
#include "session_fixture.h"

#include "model/edit_service.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"
#include "sim/device_frames.h"
#include "update/factory_recovery.h"

#include <filesystem>

namespace krm::test {
namespace {

TEST(FactoryValues, NamesLevelsAndGroupsAreTheFactoryOnesAndUnnamedFieldsStay) {
    DeviceImage image;
    ResetToStartupValues(image);
    image.inputs[3].pan = 40;
    image.inputs[3].peq[4].freq = 12000;
    image.inputs[0].auxSend[1] = 9;
    image.muteGroups[1].input(4) = 1;
    image.controlGroupActive[2] = 1;
    image.micUnits[7] = {1, 2, 3, 4, 5};
    image.outputs[6].geq[3].gain = 10;

    WriteFactoryValues(image, false);
    EXPECT_EQ(image.inputs[0].name.toUtf8(), "CH 1");
    EXPECT_EQ(image.inputs[19].name.toUtf8(), "CH 20");
    EXPECT_EQ(image.outputs[3].name.toUtf8(), "M 4");
    EXPECT_EQ(image.outputs[7].name.toUtf8(), "D 4");
    // Microphone inputs at 0 dB with input gain 2; line inputs at the bottom.
    EXPECT_EQ(image.inputs[15].gain, 60);
    EXPECT_EQ(image.inputs[15].inputGain, 2);
    EXPECT_EQ(image.inputs[16].gain, 0);
    EXPECT_EQ(image.inputs[16].inputGain, 0);
    EXPECT_EQ(image.inputs[3].peq[0].freq, 200);
    EXPECT_EQ(image.inputs[3].peq[3].freq, 5000);
    EXPECT_EQ(image.inputs[3].peq[4].freq, 12000); // band 5 is not reset
    EXPECT_EQ(image.inputs[3].pan, 40);
    EXPECT_EQ(image.inputs[0].auxSend[1], 9);
    EXPECT_EQ(image.outputs[6].geq[3].gain, 150);
    EXPECT_EQ(image.outputs[6].lineLevel, 1);
    EXPECT_EQ(image.muteGroups[1].input(4), 0);
    EXPECT_EQ(image.controlGroupActive[2], 0);
    EXPECT_EQ(image.micUnits[7], (MicUnit{}));
    EXPECT_EQ(image.nomAttn, 27);
    EXPECT_EQ(image.autoMixSync, 1);

    WriteFactoryValues(image, true);
    EXPECT_EQ(image.inputs[8].name.toUtf8(), "通道 9");
}

class FactoryRecoveryTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        folder = std::filesystem::temp_directory_path() /
                 ("krm-factory-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override {
        SessionTest::TearDown();
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
};

TEST_F(FactoryRecoveryTest, RecoverySendsTheFactoryImageInOrderAndTheDeviceHoldsIt) {
    session.toggleConnect();
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));
    // The demo device differs from the factory image (names, units, gains).
    ASSERT_NE(device.image().inputs[0].name.toUtf8(), "CH 1");
    const DeviceImage before = device.image();

    TimedSink wire(clock, &session.sink());
    PacedFakeClock paced(clock);
    PacedSender linked(wire, clock);
    PacedSender bulk(wire, paced, [&] { session.touchLastReply(); });
    EditService edits(session.image(), wire, linked, bulk);
    PresetLibrary library(folder / PresetLibrary::kFileName);
    DeviceSettings settings(library, folder);
    ASSERT_EQ(settings.save(session.image(), {}), SaveOutcome::Saved);
    SettingRecall recall(settings, edits);
    FactoryRecovery recovery(edits, [&] { return recall.running(); });
    recall.setOtherBusy([&] { return recovery.running(); });

    edits.switchControlGroup(1, true);
    const Millis start = clock.now();
    ASSERT_EQ(recovery.start(false), FactoryRecovery::Start::Sending);
    // What went out; the device's reports may move the window's copy afterwards.
    const DeviceImage factory = session.image();
    EXPECT_EQ(session.image().controlGroupActive, (std::array<std::int32_t, 4>{}));
    // Neither long sequence starts while the other plays on the same sender.
    EXPECT_EQ(recovery.start(false), FactoryRecovery::Start::Busy);
    EXPECT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Busy);
    ASSERT_TRUE(pumpUntil([&] {
        session.onLinkTimer();
        return !recovery.running();
    }));
    bulk.waitIdle();
    EXPECT_TRUE(session.isOnline());
    EXPECT_EQ(recovery.dropped(), 0);

    const std::vector<Expected> expected = ExpectedResend(factory);
    const std::vector<std::string> sent = wire.frames();
    const std::vector<Millis> times = wire.times();
    ASSERT_EQ(sent.size(), expected.size());
    EXPECT_EQ(times.front(), start);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(sent[i], expected[i].frame) << "frame " << i;
        if (i + 1 < expected.size()) {
            EXPECT_EQ(times[i + 1] - times[i], expected[i].pause) << "after frame " << i;
        }
    }
    // Six unit frames with every slot empty.
    EXPECT_EQ(sent[1].substr(0, 20), "%X,01,01,FFFFFFFFFF,");

    // No frame carries the auto-mixer level of the line inputs: the device keeps its own.
    DeviceImage atDevice = factory;
    for (int c = kMicInputCount; c < kInputCount; ++c)
        atDevice.inputs[static_cast<std::size_t>(c)].autoMixLevel =
            before.inputs[static_cast<std::size_t>(c)].autoMixLevel;
    ASSERT_TRUE(pumpUntil([&] {
        const DeviceImage d = device.image();
        return sim::BuildDumpReply(d) == sim::BuildDumpReply(atDevice) &&
               d.micUnits == factory.micUnits && d.outputs[7].name == factory.outputs[7].name;
    }));
    EXPECT_EQ(device.image().inputs[0].name.toUtf8(), "CH 1");
    EXPECT_TRUE(device.statusReportsOn());

    // Offline the recovery writes the image only.
    session.disconnect();
    session.image().inputs[2].gain = 3;
    EXPECT_EQ(recovery.start(false), FactoryRecovery::Start::Written);
    EXPECT_EQ(session.image().inputs[2].gain, 60);
}

} // namespace
} // namespace krm::test
