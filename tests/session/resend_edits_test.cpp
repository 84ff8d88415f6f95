// Edits sent while a whole setting is resent (a recalled setting, a factory recovery): the
// resend's older frame of the edited group is superseded, not lost, once the edit's own
// frame has gone out — directly or from the linked members' sender — and counts as lost
// when that frame never went out; a link that goes down still loses the rest. Each case
// plays against a recording sink, held at the resend's first pause while the edit is made.
#include "model/edit_service.h"
#include "model/frame_builders.h"
#include "presets/device_settings.h"
#include "presets/setting_recall.h"
#include "tests/support/held_clock.h"
#include "tests/support/timed_sink.h"
#include "update/factory_recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

namespace krm::test {
namespace {

enum class Resend { Recall, Recovery };

struct Rig {
    Rig() { ResetToStartupValues(image); }
    ~Rig() {
        clock.release();
        bulk.stop();
        linked.stop();
    }
    HeldClock clock;
    TimedSink sink{clock};
    DeviceImage image;
    PacedSender linked{sink, clock};
    PacedSender bulk{sink, clock};
    EditService edits{image, sink, linked, bulk};

    long count(const std::string& frame) const {
        const std::vector<std::string> sent = sink.frames();
        return std::count(sent.begin(), sent.end(), frame);
    }
};

// CH3 and CH4 share their faders through control group 1.
void LinkFaders(Rig& rig) {
    ControlGroup& group = rig.image.controlGroups[0];
    group.input(2) = 1;
    group.input(3) = 1;
    group.link(LinkVol) = 1;
    rig.edits.switchControlGroup(1, true);
}

struct Case {
    const char* name;
    // Acts while the resend waits at its first pause; returns the frames the device must
    // end up with exactly once (the edit's) and those it must never get (stale copies).
    std::function<void(Rig&, std::vector<std::string>& once, std::vector<std::string>& never)>
        during;
    int superseded;
    // Lost frames, from the resend's total.
    std::function<int(int total)> lost;
};

int None(int) {
    return 0;
}

TEST(ResendEdits, AnEditSupersedesTheResendsOlderFrameAndOnlyALostFrameCountsAsLost) {
    const Case cases[] = {
        {"a fader moved: its frame goes out at once",
         [](Rig& r, auto& once, auto& never) {
             never.push_back(BuildA(r.image, 3));
             r.edits.set(Param(ParamKind::InGain), Channel::input(2), 55);
             once.push_back(BuildA(r.image, 3));
         },
         1, None},
        {"a fader of a control group: the member's copy goes out from the linked sender",
         [](Rig& r, auto& once, auto& never) {
             LinkFaders(r);
             never.push_back(BuildA(r.image, 3));
             never.push_back(BuildA(r.image, 4));
             r.edits.set(Param(ParamKind::InGain), Channel::input(2), 55);
             once.push_back(BuildA(r.image, 3));
             once.push_back(BuildA(r.image, 4));
         },
         2, None},
        {"the member's copy never goes out: its group is lost",
         [](Rig& r, auto&, auto& never) {
             LinkFaders(r);
             never.push_back(BuildA(r.image, 4));
             r.edits.set(Param(ParamKind::InGain), Channel::input(2), 55);
             r.linked.requestStop(); // its worker is held in the pause before the copy
             never.push_back(BuildA(r.image, 4));
         },
         1, [](int) { return 1; }},
        {"an input's aux send: the input's sends, not bus 5's MIC/LINE, are superseded",
         [](Rig& r, auto& once, auto& never) {
             once.push_back(BuildI(r.image, 5));
             never.push_back(BuildAuxSends(r.image, 5));
             r.edits.set(Param(ParamKind::AuxSend, 1), Channel::input(4), 33);
             once.push_back(BuildAuxSends(r.image, 5));
         },
         1, None},
        {"bus 5's MIC/LINE: CH5's aux sends still go out",
         [](Rig& r, auto& once, auto& never) {
             once.push_back(BuildAuxSends(r.image, 5));
             never.push_back(BuildI(r.image, 5));
             r.edits.toggle(Param(ParamKind::LineLevel), Channel::output(4));
             once.push_back(BuildI(r.image, 5));
         },
         1, None},
        {"the link goes down: everything after the first frame is lost",
         [](Rig& r, auto&, auto&) { r.sink.online = false; }, 0,
         [](int total) { return total - 1; }},
    };

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("krm-resend-edits-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + std::to_string(reinterpret_cast<std::uintptr_t>(&cases)));
    std::filesystem::create_directories(folder);
    struct Remove {
        std::filesystem::path folder;
        ~Remove() { std::filesystem::remove_all(folder); }
    } remove{folder};
    PresetLibrary library(folder / PresetLibrary::kFileName);
    DeviceSettings settings(library, folder);
    {
        // A setting whose groups all differ from the start-up image.
        DeviceImage setting;
        ResetToStartupValues(setting);
        setting.inputs[2].gain = 20;
        setting.inputs[3].gain = 21;
        setting.inputs[4].auxSend[1] = 7;
        setting.outputs[4].lineLevel = 1;
        ASSERT_EQ(settings.save(setting, {}), SaveOutcome::Saved);
    }

    for (const Resend resend : {Resend::Recall, Resend::Recovery}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(resend == Resend::Recall ? "recall: " : "recovery: ") +
                         c.name);
            Rig rig;
            SettingRecall recall(settings, rig.edits);
            FactoryRecovery recovery(rig.edits);
            std::function<int()> total, sent, superseded, lost;
            std::function<bool()> running;
            if (resend == Resend::Recall) {
                ASSERT_EQ(recall.start("1:SAVE1"), SettingRecall::Start::Sending);
                total = [&] { return recall.total(); };
                sent = [&] { return recall.sent(); };
                superseded = [&] { return recall.superseded(); };
                lost = [&] { return recall.dropped(); };
                running = [&] { return recall.running(); };
            } else {
                ASSERT_EQ(recovery.start(false), FactoryRecovery::Start::Sending);
                total = [&] { return recovery.total(); };
                sent = [&] { return recovery.sent(); };
                superseded = [&] { return recovery.superseded(); };
                lost = [&] { return recovery.dropped(); };
                running = [&] { return recovery.running(); };
            }
            rig.clock.waitHeld(1); // the first frame is out, its pause is held

            std::vector<std::string> once, never;
            c.during(rig, once, never);
            rig.clock.release();
            rig.bulk.waitIdle();
            rig.linked.waitIdle();

            EXPECT_FALSE(running());
            EXPECT_EQ(superseded(), c.superseded);
            EXPECT_EQ(lost(), c.lost(total()));
            EXPECT_EQ(sent() + superseded() + lost(), total());
            for (const std::string& f : once)
                EXPECT_EQ(rig.count(f), 1) << f;
            for (const std::string& f : never)
                EXPECT_EQ(rig.count(f), 0) << f;
        }
    }
}

} // namespace
} // namespace krm::test
