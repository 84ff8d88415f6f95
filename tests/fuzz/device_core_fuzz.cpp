// The virtual device's frame handler (DeviceCore) on a conversation from a hostile
// program. The input is cut into records at every newline (the first 256 count); a
// record that starts with "%" is one raw datagram, any other record is a letter and the
// text after "%<letter>,", sent as one checked frame. Time moves 40 ms per record and
// periodic reports run. At the end a device whose image the input changed is greeted and
// reports for a while, so that whatever its image now holds goes out in its dump,
// identification, level and status reports.
//
// Properties: the device only ever answers the program; every frame it builds reaches
// the program whole (the program's splitter hands it over) and the program's parser
// accepts every report among them.

#include "fuzz_input.h"
#include "link/udp_socket.h"
#include "model/dispatch.h"
#include "model/frame_builders.h"
#include "sim/demo_image.h"
#include "sim/device_core.h"

using namespace krm;

namespace {

const Endpoint kProgram = Endpoint::fromOctets(127, 0, 0, 1, 39050);
constexpr std::size_t kMaxRecords = 256;

int BuiltSoFar(const sim::DeviceCore& core) {
    int built = 0;
    for (int c = 0; c < 128; ++c)
        built += core.framesBuilt(static_cast<char>(c));
    return built;
}

// Parameter frames the device took into its image ("%W," stores nothing but counts).
int ParameterFramesStored(const sim::DeviceCore& core) {
    int taken = 0;
    for (char letter = 'A'; letter <= 'X'; ++letter)
        if (letter <= 'O' || letter == 'V' || letter == 'W' || letter == 'X')
            taken += core.framesReceived(letter);
    return taken - core.parameterFramesRejected();
}

// What the program makes of the device's datagrams.
void CheckAsTheProgram(const std::vector<sim::Outgoing>& out, int built) {
    FrameSplitter splitter;
    int frames = 0;
    for (const sim::Outgoing& o : out) {
        if (o.data.size() > UdpSocket::kMaxDatagram)
            fuzz::Broken("a datagram longer than the program's receive buffer");
        if (!(o.to == kProgram))
            fuzz::Broken("a datagram to someone who never asked");
        splitter.split(DatagramText(o.data), [&](std::string_view frame) {
            ++frames;
            const char letter = frame[1];
            if ((letter == 'Z' || letter == 'Y' || letter == 'Q' || letter == 'P') &&
                !DispatchFrame(frame))
                fuzz::Broken("the program rejects a report the device built", frame);
        });
    }
    if (frames != built)
        fuzz::Broken("a frame the device built did not reach the program whole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::DeviceCore core(sim::DeviceOptions{}, sim::DemoDeviceImage());
    Millis now{0};
    auto step = [&](const std::vector<sim::Outgoing>& out, int builtBefore) {
        CheckAsTheProgram(out, BuiltSoFar(core) - builtBefore);
    };
    std::vector<std::string_view> records = fuzz::Pieces(fuzz::Bytes(data, size), '\n');
    // Beyond a few hundred records an input only repeats reports; keep each run short.
    if (records.size() > kMaxRecords)
        records.resize(kMaxRecords);
    for (std::string_view record : records) {
        int before = BuiltSoFar(core);
        if (!record.empty() && record.front() == '%')
            step(core.receive(record, kProgram, now), before);
        else if (!record.empty())
            step(core.receive(fuzz::Checked(record[0], record.substr(1)), kProgram, now), before);
        now += Millis(40);
        before = BuiltSoFar(core);
        step(core.tick(now), before);
    }
    // The demo image's own reports are known to be good: greet the device only when the
    // input changed its image.
    if (ParameterFramesStored(core) == 0)
        return 0;
    int before = BuiltSoFar(core);
    step(core.receive(BuildZ(), kProgram, now), before);
    before = BuiltSoFar(core);
    step(core.receive(BuildQ(1), kProgram, now), before);
    for (int i = 0; i < 3; ++i) {
        now += Millis(100);
        before = BuiltSoFar(core);
        step(core.tick(now), before);
    }
    return 0;
}
