// End-to-end: a stored setting recalled while connected goes to the virtual device as one
// paced sequence — every frame in order, each pause after it as the device expects — and
// the device ends up holding the setting while the link stays online.
#include "resend_rig.h"
#include "session_fixture.h"

#include "model/edit_service.h"
#include "model/frame_builders.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"
#include "sim/device_frames.h"

#include <filesystem>
#include <mutex>
#include <thread>

namespace krm::test {
namespace {

class SettingRecallTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        folder =
            std::filesystem::temp_directory_path() /
            ("krm-recall-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override {
        SessionTest::TearDown();
        std::filesystem::remove_all(folder);
    }
    std::filesystem::path folder;
};

TEST_F(SettingRecallTest, RecallWhileOnlineSendsTheWholeSettingInOrderWithItsPausesAndStaysOnline) {
    session.toggleConnect();
    ASSERT_TRUE(pumpUntil([&] { return session.isOnline(); }));

    // A setting that differs from the device in every kind of group (gains even: the
    // device halves them on the wire).
    DeviceImage setting = session.image();
    setting.inputs[2].peq[1].gain = 200;
    setting.inputs[2].hpf = {120, 2, 4, 1};
    setting.inputs[4].comp = {1, 30, 20, 100, 50, 40};
    setting.inputs[17].gain = 44;
    setting.inputs[0].name = Name16::fromUtf8("Podium");
    setting.inputs[6].matrix[3] = 9;
    setting.inputs[9].source = 0;
    setting.inputs[11].phantom = 1;
    setting.outputs[5].limiter = {1, 12, 5, 60, 30, 50};
    setting.outputs[1].geq[7].gain = 100;
    setting.outputs[2].delay = 37;
    setting.outputs[7].name = Name16::fromUtf8("Foyer");
    setting.inputs[8].auxSend[2] = 33;
    setting.maxOpenCh = 3;
    setting.micUnits[2] = {1, 2, 3, 0, 5};
    setting.controlGroupActive = {};

    PresetLibrary library(folder / PresetLibrary::kFileName);
    DeviceSettings settings(library, folder);
    ASSERT_EQ(settings.save(setting, {}), SaveOutcome::Saved);

    TimedSink wire(clock, &session.sink());
    PacedFakeClock paced(clock);
    PacedSender linked(wire, clock);
    PacedSender bulk(wire, paced, [&] { session.touchLastReply(); });
    EditService edits(session.image(), wire, linked, bulk);
    edits.switchControlGroup(2, true);
    session.image().controlGroupActive[1] = 1;
    SettingRecall recall(settings, edits);

    const Millis start = clock.now();
    ASSERT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Sending);
    EXPECT_EQ(session.image().controlGroupActive, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Busy); // never interleaved
    // The window's timers keep running while the worker plays the sequence.
    const std::size_t indicatorsBefore = events.indicators.size();
    ASSERT_TRUE(pumpUntil([&] {
        session.onLinkTimer();
        return !recall.running();
    }));
    bulk.waitIdle();
    for (std::size_t i = indicatorsBefore; i < events.indicators.size(); ++i) {
        EXPECT_NE(events.indicators[i], LinkIndicator::Offline);
    }
    EXPECT_TRUE(session.isOnline());
    EXPECT_EQ(recall.dropped(), 0);

    const std::vector<Expected> expected = ExpectedResend(setting);
    const std::vector<std::string> sent = wire.frames();
    const std::vector<Millis> times = wire.times();
    ASSERT_EQ(sent.size(), expected.size());
    EXPECT_EQ(recall.sent(), static_cast<int>(expected.size()));
    EXPECT_EQ(times.front(), start);
    Millis pauses{0};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(sent[i], expected[i].frame) << "frame " << i;
        if (i + 1 < expected.size()) {
            EXPECT_EQ(times[i + 1] - times[i], expected[i].pause) << "after frame " << i;
        }
        pauses += expected[i].pause;
    }
    EXPECT_EQ(TotalPause(SettingResendSequence(setting, nullptr)), pauses);

    // The device holds the setting (the datagrams travel in real time).
    ASSERT_TRUE(pumpUntil([&] {
        const DeviceImage d = device.image();
        return sim::BuildDumpReply(d) == sim::BuildDumpReply(setting) &&
               d.inputs[8].auxSend == setting.inputs[8].auxSend &&
               d.outputs[7].name == setting.outputs[7].name && d.micUnits == setting.micUnits;
    }));
    EXPECT_EQ(device.image().inputs[0].name.toUtf8(), "Podium");
    EXPECT_TRUE(device.statusReportsOn()); // "%Q," 1 closed the sequence
}

TEST_F(SettingRecallTest, RecallOfflineLoadsTheImageOnlyAndAMissingFileChangesNothing) {
    DeviceImage setting = session.image();
    setting.inputs[3].gain = 17;
    PresetLibrary library(folder / PresetLibrary::kFileName);
    DeviceSettings settings(library, folder);
    ASSERT_EQ(settings.save(setting, {}), SaveOutcome::Saved);
    ASSERT_EQ(settings.save(setting, {}), SaveOutcome::Saved);

    TimedSink wire(clock, &session.sink());
    PacedSender linked(wire, clock);
    PacedSender bulk(wire, clock);
    EditService edits(session.image(), wire, linked, bulk);
    SettingRecall recall(settings, edits);
    ASSERT_FALSE(session.isOnline());
    EXPECT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Loaded);
    EXPECT_EQ(session.image().inputs[3].gain, 17);
    EXPECT_FALSE(recall.running());
    EXPECT_FALSE(session.isOnline());
    EXPECT_FALSE(session.isConnecting()); // a file never starts a handshake

    std::filesystem::remove(folder / "SAVE2.dat");
    session.image().inputs[3].gain = 5;
    session.image().controlGroupActive[0] = 1;
    EXPECT_EQ(recall.start("2:SAVE2"), SettingRecall::Start::Failed);
    EXPECT_FALSE(recall.lastError().empty());
    EXPECT_EQ(session.image().inputs[3].gain, 5);
    EXPECT_EQ(session.image().controlGroupActive[0], 1); // groups untouched too
    EXPECT_TRUE(wire.frames().empty());
}

} // namespace
} // namespace krm::test
