#include "sim/sim_options.h"

#include <gtest/gtest.h>

namespace krm::sim {
namespace {

TEST(SimCommandLine, ReadsAddressPortsAndPeriods) {
    const auto cmd =
        ParseSimCommandLine({"--address", "127.0.0.2", "--port", "39060", "--peer-port", "39061",
                             "--levels-ms", "500", "--seed", "9"},
                            true);
    ASSERT_TRUE(cmd.ok) << cmd.error;
    EXPECT_EQ(cmd.bind, Endpoint::fromOctets(127, 0, 0, 2, 39060));
    EXPECT_EQ(cmd.options.peerPort, 39061);
    EXPECT_EQ(cmd.options.levelsPeriod, Millis(500));
    EXPECT_EQ(cmd.options.seed, 9u);

    const auto defaults = ParseSimCommandLine({}, true);
    ASSERT_TRUE(defaults.ok);
    EXPECT_EQ(defaults.bind, Endpoint::fromOctets(127, 0, 0, 2, 39050));
    EXPECT_EQ(defaults.options.peerPort, 0) << "answer to the request's own port";
    EXPECT_TRUE(ParseSimCommandLine({"--help"}, true).help);
}

TEST(SimCommandLine, ReadsFirmwareTransferOptionsAndFaults) {
    const auto cmd = ParseSimCommandLine(
        {"--basic-version", "299", "--completion-ms", "50", "--fault", "no-start-ack", "--fault",
         "block-ack-missing=2", "--fault", "completion-status=3", "--fault", "checksum-mismatch"},
        true);
    ASSERT_TRUE(cmd.ok) << cmd.error;
    EXPECT_EQ(cmd.options.basicVersion, "299");
    EXPECT_EQ(cmd.options.completionDelay, Millis(50));
    EXPECT_TRUE(cmd.options.faults.noStartAck);
    EXPECT_EQ(cmd.options.faults.blockAckMissingAt, 2);
    EXPECT_EQ(cmd.options.faults.completionStatus, 3);
    EXPECT_TRUE(cmd.options.faults.checksumMismatch);

    // The knobs reach the device built from these options.
    const DeviceCore core(cmd.options, DeviceImage{});
    EXPECT_EQ(core.knobs().blockAckMissingAt, 2);
    EXPECT_EQ(core.firmware().completionDelay(), Millis(50));

    const auto defaults = ParseSimCommandLine({}, true);
    EXPECT_EQ(defaults.options.completionDelay, Millis(300));
    EXPECT_FALSE(defaults.options.faults.noStartAck);
    EXPECT_EQ(defaults.options.faults.blockAckMissingAt, -1);
    EXPECT_EQ(defaults.options.faults.completionStatus, -1);
}

TEST(SimCommandLine, RefusesAddressesOutsideLoopbackWhileTheGuardIsOn) {
    const auto guarded = ParseSimCommandLine({"--address", "192.168.1.106"}, true);
    EXPECT_FALSE(guarded.ok);
    EXPECT_NE(guarded.error.find("KRM416X_LOOPBACK_ONLY"), std::string::npos);
    EXPECT_TRUE(ParseSimCommandLine({"--address", "192.168.1.106"}, false).ok);
    EXPECT_TRUE(ParseSimCommandLine({"--address", "127.255.0.1"}, true).ok);
}

TEST(SimCommandLine, RejectsMalformedValues) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--address", "localhost"},
             {"--address", "127.0.0"},
             {"--port", "0"},
             {"--port", "65536"},
             {"--port", "39050x"},
             {"--peer-port", "-1"},
             {"--levels-ms", "ten"},
             {"--address"},
             {"--colour", "red"},
             {"--fault", "no-start-ack=1"},
             {"--fault", "block-ack-missing"},
             {"--fault", "completion-status=100"},
             {"--fault", "gremlins"},
             {"--basic-version", "3.0"},
             {"--completion-ms", "-5"},
         }) {
        const auto cmd = ParseSimCommandLine(args, true);
        EXPECT_FALSE(cmd.ok) << args[0];
        EXPECT_FALSE(cmd.error.empty()) << args[0];
    }
}

TEST(SimCommandLine, AVenueCountStaysWithinItsRangeOfAddresses) {
    struct Row {
        std::vector<std::string> args;
        bool loopbackOnly;
        int count; // 0: refused
        Endpoint first;
    };
    const std::vector<Row> rows = {
        {{"--count", "20", "--address", "127.0.1.1"},
         true,
         20,
         Endpoint::fromOctets(127, 0, 1, 1, 39050)},
        {{"--address", "127.0.1.1", "--count", "1000", "--port", "39070"},
         true,
         1000,
         Endpoint::fromOctets(127, 0, 1, 1, 39070)},
        {{"--count", "1"}, true, 1, Endpoint::fromOctets(127, 0, 0, 2, 39050)},
        // The last of these is 127.255.255.255, the last of the next would be 128.0.0.0.
        {{"--address", "127.255.255.200", "--count", "56"},
         true,
         56,
         Endpoint::fromOctets(127, 255, 255, 200, 39050)},
        {{"--address", "127.255.255.200", "--count", "57"}, true, 0, {}},
        {{"--address", "127.255.255.200", "--count", "57"}, false, 0, {}},
        {{"--address", "10.0.0.1", "--count", "5"},
         false,
         5,
         Endpoint::fromOctets(10, 0, 0, 1, 39050)},
        {{"--address", "255.255.255.250", "--count", "7"}, false, 0, {}},
        {{"--count", "0"}, true, 0, {}},
        {{"--count", "1001"}, true, 0, {}},
        {{"--count", "-3"}, true, 0, {}},
        {{"--count", "20x"}, true, 0, {}},
        {{"--count"}, true, 0, {}},
    };
    for (const Row& row : rows) {
        std::string line;
        for (const auto& a : row.args)
            line += a + " ";
        SCOPED_TRACE(line);
        const auto cmd = ParseSimCommandLine(row.args, row.loopbackOnly);
        if (row.count == 0) {
            EXPECT_FALSE(cmd.ok);
            EXPECT_FALSE(cmd.error.empty());
            continue;
        }
        ASSERT_TRUE(cmd.ok) << cmd.error;
        EXPECT_EQ(cmd.count, row.count);
        EXPECT_EQ(cmd.bind, row.first);
    }
    EXPECT_NE(std::string(SimUsage()).find("--count"), std::string::npos);
}

} // namespace
} // namespace krm::sim
