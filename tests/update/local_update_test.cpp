#include "update/local_update.h"

#include "model/device_image.h"
#include "sim/device_frames.h"
#include "tests/update/fake_update_channel.h"
#include "tests/update/firmware_folder.h"
#include "tests/update/recording_reporter.h"
#include "tests/update/scripted_device.h"
#include "update/firmware_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace krm {
namespace {

using test::FakeClock;
using test::FakeUpdateChannel;
using test::RecordingReporter;
using test::ScriptedDevice;

std::string Dump(std::string_view deviceText) {
    DeviceImage image;
    image.deviceText = Name16::fromGbk(deviceText);
    return sim::BuildDumpReply(image);
}

// A device of firmware 3.1 with the given basic version, and all four firmware files
// beside the program, each with different bytes.
struct Rig {
    FakeClock clock;
    FakeUpdateChannel channel{clock};
    ScriptedDevice device{channel};
    RecordingReporter reporter;
    std::atomic<bool> stop{false};
    test::FirmwareFolder folder;
    std::vector<std::uint8_t> digital3 = test::FirmwareBytes(2560, 1);
    std::vector<std::uint8_t> dsp3 = test::FirmwareBytes(700, 2);
    std::vector<std::uint8_t> digital = test::FirmwareBytes(1500, 3);
    std::vector<std::uint8_t> dsp = test::FirmwareBytes(300, 4);

    std::string basic;

    explicit Rig(std::string_view basicVersion = "310") : basic(basicVersion) {
        device.basicReply = sim::BuildVersionReply(basic);
        device.dumpReply = Dump("KRM416X V31");
        folder.write("Digital-KRM416X-3.bin", digital3);
        folder.write("DSP-KRM416X-3.bin", dsp3);
        folder.write("Digital-KRM416X.bin", digital);
        folder.write("DSP-KRM416X.bin", dsp);
    }

    LocalUpdatePlan plan() const { return PlanLocalUpdate(folder.path(), basic).plan; }
    LocalUpdateResult run() { return LocalUpdate(channel, clock, reporter, plan()).run(stop); }

    // The letters of the frames the device received, in order ("ZSTTU...").
    std::string letters() const {
        std::string out;
        for (const std::string& f : device.frames)
            out += f[1];
        return out;
    }
};

std::vector<std::uint8_t> FileOf(const ScriptedDevice::Transfer& t) {
    return {t.bytes.begin(), t.bytes.begin() + static_cast<long>(t.length)};
}

TEST(LocalUpdate, BasicVersionChoosesTheFilePair) {
    struct Case {
        const char* basic;
        const char* digital;
        const char* dsp;
    };
    const Case cases[] = {
        {"300", "Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"},
        {"310", "Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"},
        {"1000", "Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"},
        {"299", "Digital-KRM416X.bin", "DSP-KRM416X.bin"},
        {"000", "Digital-KRM416X.bin", "DSP-KRM416X.bin"},
        {"", "Digital-KRM416X.bin", "DSP-KRM416X.bin"},
    };
    for (const Case& c : cases) {
        const FirmwarePair pair = ChooseFirmwareFiles("/opt/krm", c.basic);
        EXPECT_EQ(pair.digital, std::filesystem::path("/opt/krm") / c.digital) << c.basic;
        EXPECT_EQ(pair.dsp, std::filesystem::path("/opt/krm") / c.dsp) << c.basic;
    }
    EXPECT_EQ(LocalVersion, "30");
}

// Exactly the pair the device takes is checked, and every file of it that cannot be sent
// is named; the other pair beside it does not help.
TEST(LocalUpdate, ThePreflightChecksThePairTheBasicVersionChooses) {
    struct Case {
        const char* what;
        const char* basic;
        std::vector<const char*> present;
        std::vector<const char*> named; // empty: ready
    };
    const Case cases[] = {
        {"3.10 with only the plain pair",
         "310",
         {"Digital-KRM416X.bin", "DSP-KRM416X.bin"},
         {"Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"}},
        {"3.00 without the DSP -3 file",
         "300",
         {"Digital-KRM416X.bin", "DSP-KRM416X.bin", "Digital-KRM416X-3.bin"},
         {"DSP-KRM416X-3.bin"}},
        {"2.99 with only the -3 pair",
         "299",
         {"Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"},
         {"Digital-KRM416X.bin", "DSP-KRM416X.bin"}},
        {"2.99 with the plain pair", "299", {"Digital-KRM416X.bin", "DSP-KRM416X.bin"}, {}},
        {"3.10 with both pairs",
         "310",
         {"Digital-KRM416X.bin", "DSP-KRM416X.bin", "Digital-KRM416X-3.bin", "DSP-KRM416X-3.bin"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FirmwareFolder folder;
        for (const char* file : c.present)
            folder.write(file, test::FirmwareBytes(100));
        const PreflightResult r = PlanLocalUpdate(folder.path(), c.basic);
        EXPECT_EQ(r.plan.basicVersion, c.basic);
        EXPECT_EQ(r.plan.files.digital, ChooseFirmwareFiles(folder.path(), c.basic).digital);
        if (c.named.empty()) {
            EXPECT_EQ(r.status, PreflightResult::Status::Ready);
            EXPECT_TRUE(r.problem.empty());
            continue;
        }
        EXPECT_EQ(r.status, PreflightResult::Status::Refused);
        for (const char* file : {"Digital-KRM416X.bin", "DSP-KRM416X.bin", "Digital-KRM416X-3.bin",
                                 "DSP-KRM416X-3.bin"}) {
            const bool named =
                std::find(c.named.begin(), c.named.end(), std::string_view(file)) != c.named.end();
            // Each refused file is named with its reason, in both languages.
            const std::string reason =
                "Cannot read the firmware file \"" + (folder.path() / file).string() + "\"";
            EXPECT_EQ(r.problem.en.find(reason) != std::string::npos, named) << file;
            EXPECT_EQ(r.problem.zh.find((folder.path() / file).string()) != std::string::npos,
                      named)
                << file;
        }
    }
}

TEST(LocalUpdate, SendsTheDigitalThenTheDspFirmwareTwoSecondsApart) {
    struct Case {
        const char* basic;
        const char* basicShown;
        bool threeFiles;
    };
    const Case cases[] = {{"300", "300", true}, {"299", "299", false}, {"000", "000", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.basicShown);
        Rig rig(c.basic);
        const Millis begin = rig.clock.now();
        const LocalUpdateResult result = rig.run();
        EXPECT_EQ(result.outcome, LocalUpdateOutcome::Succeeded);
        EXPECT_EQ(result.hardwareVersion, "31");
        EXPECT_EQ(result.basicVersion, c.basicShown);

        ASSERT_EQ(rig.device.transfers.size(), 2u);
        const auto& first = rig.device.transfers[0];
        const auto& second = rig.device.transfers[1];
        EXPECT_EQ(first.kind, 1);
        EXPECT_EQ(second.kind, 0);
        EXPECT_EQ(FileOf(first), c.threeFiles ? rig.digital3 : rig.digital);
        EXPECT_EQ(FileOf(second), c.threeFiles ? rig.dsp3 : rig.dsp);

        // The preflight asked the basic version over the live link: only the hello here.
        const std::size_t queries = 1;
        EXPECT_EQ(rig.letters().substr(0, 2), "ZS");
        EXPECT_EQ((rig.channel.sent[0].at - begin).count(), 0);

        // The last read of the first file's completion, then 2 s, then the second start.
        const std::size_t secondStart = queries + 1 + 9 * first.indexes.size();
        ASSERT_EQ(rig.channel.sent[secondStart].data.substr(0, 8), "%S,01,0,");
        const Millis firstEnded = rig.channel.sent[secondStart - 1].at + Millis{20 + 50 + 20} +
                                  Millis{10 + 2 * 30 + 20 + 49 * 50};
        EXPECT_EQ((rig.channel.sent[secondStart].at - firstEnded).count(), 2000);

        ASSERT_EQ(rig.reporter.messages.size(), 1u);
        EXPECT_EQ(rig.reporter.messages[0].en, "Update successfully");
        EXPECT_EQ(rig.reporter.messages[0].zh, "升级成功。");
        EXPECT_EQ(rig.reporter.calls.front(), "versions 31 " + std::string(c.basicShown) + " ");
    }
}

TEST(LocalUpdate, UnreadableVersionsAskTheOperatorFirst) {
    for (bool goOn : {false, true}) {
        SCOPED_TRACE(goOn);
        Rig rig;
        rig.device.dumpReply.clear();
        rig.reporter.answer = goOn;
        const LocalUpdateResult result = rig.run();
        ASSERT_GE(rig.reporter.calls.size(), 2u);
        EXPECT_EQ(rig.reporter.calls[0], "message Get version error.");
        EXPECT_EQ(rig.reporter.messages[0].zh, "读取版本失败.");
        EXPECT_EQ(rig.reporter.calls[1], "ask If do you continue to update the device？");
        if (!goOn) {
            EXPECT_EQ(result.outcome, LocalUpdateOutcome::Declined);
            EXPECT_EQ(rig.letters(), "Z"); // nothing after the hello
            EXPECT_EQ(rig.reporter.calls.size(), 2u);
        } else {
            EXPECT_EQ(result.outcome, LocalUpdateOutcome::Succeeded);
            EXPECT_EQ(rig.reporter.calls[2], "versions 00 310 ");
            EXPECT_EQ(rig.device.transfers.size(), 2u);
        }
    }
}

TEST(LocalUpdate, RefusesABadFileBeforeSendingEither) {
    struct Case {
        const char* what;
        const char* file;
        std::size_t length; // SIZE_MAX: removed
        const char* reason;
    };
    const Case cases[] = {
        {"DSP file too long", "DSP-KRM416X-3.bin", 0x100000, "longer than 1048575 bytes"},
        {"digital file empty", "Digital-KRM416X-3.bin", 0, "is empty"},
        {"DSP file missing", "DSP-KRM416X-3.bin", SIZE_MAX, "Cannot read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        if (c.length == SIZE_MAX)
            std::filesystem::remove(rig.folder.path() / c.file);
        else
            rig.folder.write(c.file, test::FirmwareBytes(c.length));
        const LocalUpdateResult result = rig.run();
        EXPECT_EQ(result.outcome, LocalUpdateOutcome::Failed);
        EXPECT_EQ(rig.letters(), "Z");
        ASSERT_EQ(rig.reporter.messages.size(), 1u);
        EXPECT_NE(rig.reporter.messages[0].en.find(c.reason), std::string::npos);
        EXPECT_NE(rig.reporter.messages[0].en.find(c.file), std::string::npos);
        EXPECT_EQ(result.detail.en, rig.reporter.messages[0].en);
    }
}

TEST(LocalUpdate, AFailedDigitalTransferEndsTheUpdate) {
    Rig silent;
    silent.device.ackedBlocks = 1;
    LocalUpdateResult result = silent.run();
    EXPECT_EQ(result.outcome, LocalUpdateOutcome::Failed);
    EXPECT_EQ(silent.device.transfers.size(), 1u); // the DSP firmware is not sent
    ASSERT_EQ(silent.reporter.messages.size(), 1u);
    EXPECT_EQ(silent.reporter.messages[0].en, "update fail");
    EXPECT_EQ(silent.reporter.messages[0].zh, "升级失败。");
    EXPECT_NE(result.detail.en.find("Block 1"), std::string::npos);

    // The device's own status text comes first, then "update fail".
    Rig refused;
    refused.device.completionStatus = 3;
    result = refused.run();
    EXPECT_EQ(result.outcome, LocalUpdateOutcome::Failed);
    EXPECT_EQ(refused.device.transfers.size(), 1u);
    ASSERT_EQ(refused.reporter.messages.size(), 2u);
    EXPECT_EQ(refused.reporter.messages[0].en, ScriptedDevice::completionReport(3));
    EXPECT_EQ(refused.reporter.messages[1].en, "update fail");
}

// The fake clock, with a look at every sleep: lets a test stop a run in the middle of a
// pause, where no read happens.
class WatchedClock final : public Clock {
public:
    WatchedClock(FakeClock& inner, std::function<void()> afterSleep)
        : m_inner(inner), m_afterSleep(std::move(afterSleep)) {}
    Millis now() const override { return m_inner.now(); }
    void sleepFor(Millis d) override {
        m_inner.sleepFor(d);
        m_afterSleep();
    }

private:
    FakeClock& m_inner;
    std::function<void()> m_afterSleep;
};

TEST(LocalUpdate, AStopDuringThePauseBetweenTheFilesSendsNoMoreAndSaysNothing) {
    Rig rig;
    Millis stoppedAt{-1};
    WatchedClock clock(rig.clock, [&] {
        // The first file's report is collected 2,630 ms after its last datagram; the
        // 2,000 ms pause follows.
        if (!rig.stop && rig.device.transfers.size() == 1 && rig.device.frames.back()[1] == 'T' &&
            rig.clock.now() - rig.channel.sent.back().at >= Millis{2630 + 1000}) {
            rig.stop = true;
            stoppedAt = rig.clock.now();
        }
    });
    const LocalUpdateResult result =
        LocalUpdate(rig.channel, clock, rig.reporter, rig.plan()).run(rig.stop);
    EXPECT_EQ(result.outcome, LocalUpdateOutcome::Cancelled);
    ASSERT_GE(stoppedAt.count(), 0);
    EXPECT_LE((rig.clock.now() - stoppedAt).count(), 50);
    EXPECT_EQ(rig.device.transfers.size(), 1u);
    EXPECT_TRUE(rig.reporter.messages.empty());
}

} // namespace
} // namespace krm
