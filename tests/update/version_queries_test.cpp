#include "update/version_queries.h"

#include "model/device_image.h"
#include "sim/device_frames.h"
#include "tests/update/fake_update_channel.h"

#include <gtest/gtest.h>

#include <functional>

namespace krm {
namespace {

using test::FakeClock;
using test::FakeUpdateChannel;

std::string DumpWithDeviceText(std::string_view text) {
    DeviceImage image;
    image.deviceText = Name16::fromGbk(text);
    return sim::BuildDumpReply(image);
}

struct Rig {
    FakeClock clock;
    FakeUpdateChannel channel{clock};
    std::atomic<bool> stop{false};
    Millis begin = clock.now();
    long long elapsed() const { return (clock.now() - begin).count(); }
};

TEST(VersionQueries, IdentificationReadsTheLastTwoCharactersOfTheDumpsDeviceText) {
    const std::string dump = DumpWithDeviceText("KRM416X V31");
    ASSERT_GT(dump.size(), 2048u);

    // The dump comes 300 ms after the hello in two datagrams, as long as a read takes, with
    // the identification right behind it; the first good frame is the dump.
    Rig rig;
    rig.channel.onSend = [&](std::string_view) {
        rig.channel.reply(dump.substr(0, 2048), Millis{300});
        rig.channel.reply(dump.substr(2048) + sim::BuildIdentReply(DeviceImage{}), Millis{300});
    };
    EXPECT_EQ(QueryHardwareVersion(rig.channel, rig.clock, rig.stop), "31");
    ASSERT_EQ(rig.channel.sent.size(), 1u);
    EXPECT_EQ(rig.channel.sent[0].data, "%Z,01,F143#");
    //                200 ms after the hello, one empty poll, then 100 ms after each datagram
    EXPECT_EQ(rig.elapsed(), 200 + 100 + 100 + 100);
}

TEST(VersionQueries, IdentificationFailsOnSilenceOrWithoutAGoodDump) {
    std::string corrupt = DumpWithDeviceText("KRM416X V31");
    corrupt[corrupt.size() - 2] = corrupt[corrupt.size() - 2] == '0' ? '1' : '0';
    struct Case {
        const char* what;
        std::string reply; // empty: silence
        long long elapsed;
    };
    const Case cases[] = {
        {"silence", "", 200 + 50 * 100},
        {"bad checksum", corrupt, 200 + 100},
        {"a status report instead of the dump", sim::BuildStatusReport(StatusReport{}), 200 + 100},
        {"device text of one character", DumpWithDeviceText("3"), 200 + 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        if (!c.reply.empty())
            rig.channel.onSend = [&](std::string_view) { rig.channel.reply(c.reply); };
        EXPECT_EQ(QueryHardwareVersion(rig.channel, rig.clock, rig.stop), std::nullopt);
        EXPECT_EQ(rig.elapsed(), c.elapsed);
    }
}

TEST(VersionQueries, BasicVersionIsFieldTwoOfTheReply) {
    Rig rig;
    rig.channel.onSend = [&](std::string_view) {
        rig.channel.reply(sim::BuildVersionReply("310"), Millis{240});
    };
    EXPECT_EQ(QueryBasicVersion(rig.channel, rig.clock, rig.stop), "310");
    ASSERT_EQ(rig.channel.sent.size(), 1u);
    EXPECT_EQ(rig.channel.sent[0].data, "%r,01,00,28A2#");
    EXPECT_EQ(rig.elapsed(), 200 + 2 * 20); // two polls of 20 ms

    Rig silent;
    EXPECT_EQ(QueryBasicVersion(silent.channel, silent.clock, silent.stop), std::nullopt);
    EXPECT_EQ(silent.elapsed(), 200 + 50 * 20);
    // Asked three times, 100 ms after each silence; a device that answers the second
    // question is heard.
    Rig mute;
    EXPECT_EQ(AskBasicVersion(mute.channel, mute.clock, mute.stop), std::nullopt);
    EXPECT_EQ(mute.channel.sent.size(), 3u);
    EXPECT_EQ(mute.elapsed(), 3 * (200 + 50 * 20 + 100));
    Rig late;
    late.channel.onSend = [&](std::string_view) {
        if (late.channel.sent.size() == 2)
            late.channel.reply(sim::BuildVersionReply("300"), Millis{220});
    };
    EXPECT_EQ(AskBasicVersion(late.channel, late.clock, late.stop), "300");
    EXPECT_EQ(late.channel.sent.size(), 2u);

    EXPECT_EQ(BasicVersionFromReply("%r,01,"), std::nullopt); // the field is missing
    EXPECT_EQ(BasicVersionFromReply("junk" + sim::BuildVersionReply("299")), "299");
}

TEST(VersionQueries, AStopEndsAQueryWithinOnePause) {
    Rig rig;
    rig.channel.onRead = [&](int n) {
        if (n == 10)
            rig.stop = true;
    };
    EXPECT_EQ(QueryHardwareVersion(rig.channel, rig.clock, rig.stop), std::nullopt);
    EXPECT_EQ(rig.channel.reads, 10);
    EXPECT_EQ(rig.elapsed(), 200 + 9 * 100);
}

} // namespace
} // namespace krm
