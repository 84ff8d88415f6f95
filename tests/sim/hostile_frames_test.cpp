// The virtual device against frames that pass the checksum but carry what no program
// sends: missing addresses, values at the ends of 32 bits.
#include "sim/device_core.h"

#include "link/frame.h"
#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "model/parsers.h"
#include "sim/activity.h"
#include "sim/demo_image.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace krm::sim {
namespace {

const Endpoint kProgram = Endpoint::fromOctets(127, 0, 0, 1, 39050);

// The body followed by its real checksum and "#".
std::string Framed(const std::string& body) {
    return body + HexField(FrameChecksum(body), 4) + "#";
}

TEST(DeviceCore, CheckedFramesWithoutAnAddressAreNoRequests) {
    // Letter, comma and one digit: the checksum covers "%R,0", so these pass the splitter.
    ASSERT_EQ(Framed("%R,0"), "%R,02DB6#");
    ASSERT_EQ(Framed("%r,0"), "%r,0E7B7#");
    DeviceCore core(DeviceOptions{}, DemoDeviceImage());
    core.setFirmwareHook([](std::string_view) { return std::vector<std::string>{"%U,01,"}; });
    for (const char* body : {"%R,0", "%r,0", "%Z,0", "%Q,0", "%S,0", "%A,0", "%R,", "%r,"}) {
        const std::string frame = Framed(body);
        EXPECT_TRUE(core.receive(frame, kProgram, Millis(0)).empty()) << frame;
    }
    EXPECT_FALSE(core.statusReportsOn());
    // A real search request is still answered.
    EXPECT_EQ(core.receive("%R,01,01,A0A1#", kProgram, Millis(0)).size(), 1u);
}

TEST(SimActivity, BusFaderOfAny32BitValuePinsTheBusLevel) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    DeviceCore core(DeviceOptions{}, DemoDeviceImage());
    // "%A," buses 1 and 2 (wire 21, 22): unmuted, faders at the ends of 32 bits.
    core.receive(Framed("%A,01,15,00,80000000,"), kProgram, Millis(0));
    core.receive(Framed("%A,01,16,00,7FFFFFFF,"), kProgram, Millis(0));
    ASSERT_EQ(core.image().outputs[0].gain, kMin);
    ASSERT_EQ(core.image().outputs[1].gain, kMax);

    // The same talkers with the faders at the first codes that pin the level.
    DeviceImage pinned = core.image();
    pinned.outputs[0].gain = -200;
    pinned.outputs[1].gain = 300;
    SimActivity extreme(7), edge(7);
    for (int step = 0; step < 50; ++step) {
        const StatusReport a = extreme.next(core.image());
        const StatusReport b = edge.next(pinned);
        EXPECT_EQ(a.outputMeters[0], 0) << "step " << step;
        EXPECT_EQ(a.outputMeters[1], 90) << "step " << step;
        EXPECT_EQ(a.outputMeters, b.outputMeters) << "step " << step;
        EXPECT_EQ(a.inputMeters, b.inputMeters) << "step " << step;
    }

    // Through the device's own reports as well.
    core.receive(BuildQ(1), kProgram, Millis(0));
    const auto out = core.tick(Millis(0));
    ASSERT_EQ(out.size(), 1u);
    const auto report = ParseStatus(out[0].data);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->outputMeters[0], 0);
    EXPECT_EQ(report->outputMeters[1], 90);
}

} // namespace
} // namespace krm::sim
