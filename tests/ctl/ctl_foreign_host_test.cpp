// krm416x-ctl takes frames only from the device it was told to use: another host (or
// another port of the device's host) streaming ordinary device reports at the tool's port
// never makes a silent device look online, and nothing is written.

#include "ctl_fixture.h"

#include "tests/support/foreign_host.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>

namespace krm::test {
namespace {

TEST_F(CtlTest, BackupOfASilentDeviceIsRefusedWhileAnotherHostStreamsDeviceReports) {
    struct Case {
        const char* what;
        bool sameAddress; // the stranger on the device's address (another port), else on
                          // another address with the device's port
    };
    DeviceImage other = device.image();
    other.inputs[0].name = Name16::fromUtf16(u"Stranger");
    const std::vector<std::string> reports = EveryReportOf(other);

    for (const Case c : {Case{"another host", false}, Case{"another port", true}}) {
        SCOPED_TRACE(c.what);
        // The silent device hears the tool and never answers.
        UdpSocket silent;
        ASSERT_TRUE(silent.open(*Endpoint::parse("127.0.0.31", 0)));
        const Endpoint silentAt = silent.localEndpoint();
        ForeignHost stranger;
        ASSERT_TRUE(stranger.open(
            c.sameAddress ? Endpoint{silentAt.address, 0}
                          : Endpoint{Endpoint::parse("127.0.0.32", 0)->address, silentAt.port}));

        // The stranger learns the tool's port from its first datagram to the silent device
        // and streams every report kind at it until the tool has ended.
        std::atomic<bool> stop{false};
        std::optional<Endpoint> tool;
        std::atomic<int> streamed{0};
        std::thread streamer([&] {
            while (!stop.load() && !tool)
                if (silent.waitReadable(20))
                    if (auto d = silent.receive())
                        tool = d->from;
            while (!stop.load()) {
                streamed += stranger.send(*tool, reports);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const std::string saved = file("room.dat");
        const CtlRun r =
            run({"backup", "--device", "127.0.0.31", "--device-port", std::to_string(silentAt.port),
                 "--local-port", "0", "--timeout", "1000", saved});
        stop = true;
        streamer.join();

        ASSERT_TRUE(tool.has_value()) << "the tool never turned to the silent device";
        EXPECT_GT(streamed.load(), 50) << "the stranger streamed while the tool listened";
        EXPECT_EQ(r.status, ctl::kExitNoDevice) << r.err;
        EXPECT_NE(r.err.find("device did not answer: no reply from 127.0.0.31"), std::string::npos)
            << r.err;
        EXPECT_FALSE(std::filesystem::exists(saved));
    }
}

} // namespace
} // namespace krm::test
