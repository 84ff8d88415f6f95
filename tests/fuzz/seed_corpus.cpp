// Writes the fuzzers' seed corpus: real frames from the program's builders and the
// virtual device's output, in the input form each harness reads.
//
//   krm_fuzz_seeds <corpus-dir>   (writes <corpus-dir>/<harness>/<name>)

#include "link/frame.h"
#include "model/frame_builders.h"
#include "presets/setting_file.h"
#include "sim/demo_image.h"
#include "sim/device_core.h"
#include "sim/device_frames.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace krm;
namespace fs = std::filesystem;

namespace {

fs::path g_root;

void Write(const char* harness, const std::string& name, const std::string& bytes) {
    const fs::path dir = g_root / harness;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

// The text between "%<letter>," and the checksum.
std::string Body(const std::string& frame) {
    return frame.substr(3, frame.size() - 3 - 5);
}

std::string Joined(const std::vector<sim::Outgoing>& out) {
    std::string joined;
    for (const sim::Outgoing& o : out) {
        if (!joined.empty())
            joined += '\xFF';
        joined += o.data;
    }
    return joined;
}

// Patches (16-bit offset, length byte, bytes) that copy file[from, to) over another file.
std::string Patches(const std::vector<std::uint8_t>& file, std::size_t from, std::size_t to) {
    std::string out;
    while (from < to) {
        const std::size_t n = std::min<std::size_t>(255, to - from);
        out += static_cast<char>(from & 0xFF);
        out += static_cast<char>(from >> 8);
        out += static_cast<char>(n);
        out.append(reinterpret_cast<const char*>(file.data() + from), n);
        from += n;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: krm_fuzz_seeds <corpus-dir>\n");
        return 2;
    }
    g_root = argv[1];
    const Endpoint program = Endpoint::fromOctets(127, 0, 0, 1, 39050);
    const DeviceImage demo = sim::DemoDeviceImage();

    // Reports as the device sends them.
    sim::DeviceCore core(sim::DeviceOptions{}, demo);
    const auto hello = core.receive(BuildZ(), program, Millis(0));
    core.receive(BuildQ(1), program, Millis(0));
    const auto status = core.tick(Millis(0));
    const std::string dump = sim::BuildDumpReply(demo);
    const std::string ident = sim::BuildIdentReply(demo);
    const std::string levels = sim::BuildLevelsReport(demo);
    const std::string report = status.at(0).data;
    Write("report_parsers", "dump", Body(dump));
    Write("report_parsers", "ident", Body(ident));
    Write("report_parsers", "levels", Body(levels));
    Write("report_parsers", "status", Body(report));

    // Datagrams: the answer to the hello (the dump in two pieces), reports, replies,
    // split and corrupted frames, the program's own requests.
    Write("frame_splitter", "hello_answer", Joined(hello));
    Write("frame_splitter", "status", report);
    Write("frame_splitter", "search",
          std::string("%R,01,01,A0A1#\xFF") + sim::BuildSearchReply() + '\xFF' +
              sim::BuildVersionReply("310"));
    sim::DeviceCore splitting(sim::DeviceOptions{}, demo);
    splitting.knobs().splitFrames = true;
    Write("frame_splitter", "split_answer",
          Joined(splitting.receive(BuildZ(), program, Millis(0))));
    sim::DeviceCore corrupting(sim::DeviceOptions{}, demo);
    corrupting.knobs().corruptShare = 0.5;
    Write("frame_splitter", "corrupt_answer",
          Joined(corrupting.receive(BuildZ(), program, Millis(0))));
    Write("frame_splitter", "interrupted", "%Q,01,%Z,01,F143#xx#" + report + report);

    // Parameter frames: the letter's byte, then the body.
    std::vector<std::string> parameters = {BuildA(demo, 1),
                                           BuildA(demo, 28),
                                           BuildB(demo, 5),
                                           BuildC(demo, 1),
                                           BuildD(demo, 8),
                                           BuildE(demo, 2),
                                           BuildF(demo, 16),
                                           BuildG(demo, 3, 2),
                                           BuildG(demo, 20, 5),
                                           BuildH(demo, 1),
                                           BuildI(demo, 2),
                                           BuildJ(demo, 4),
                                           BuildK(demo, 8),
                                           BuildL(demo, 7),
                                           BuildM(demo),
                                           BuildN(demo),
                                           BuildO(demo, 4),
                                           BuildV(demo, 1, nullptr),
                                           BuildV(demo, 23, nullptr),
                                           BuildW(3),
                                           BuildX(demo, 2)};
    int n = 0;
    for (const std::string& frame : parameters) {
        const std::string name = std::string(1, frame[1]) + "_" + std::to_string(n++);
        Write("apply_frame", name, std::string(1, static_cast<char>(frame[1] - 'A')) + Body(frame));
    }

    // Conversations with the device: raw datagrams and wrapped frames, one a line.
    std::string conversation = BuildZ() + "\n";
    for (const std::string& frame : parameters)
        conversation += std::string(1, frame[1]) + Body(frame) + "\n";
    conversation += BuildQ(1) + "\n\n\n" + BuildZ() + "\n" + BuildQ(0) + "\n";
    Write("device_core", "conversation", conversation);
    Write("device_core", "search_and_version", "R01,01,\nr00,\n%R,01,01,A0A1#\n");
    Write("device_core", "reports_on", BuildQ(1) + "\n\n\n\n");

    // Setting files: pieces of the demo image's file patched over the start-up one.
    LinkStateRecord link;
    link.online = true;
    link.connectTries = 3;
    link.connectTime = {2024, 6, 1, 7, 10, 30, 0, 250};
    const std::vector<std::uint8_t> file = EncodeSettingFile(demo, link);
    Write("setting_file", "inputs_1_2", Patches(file, 0, 56 + 2 * 560));
    Write("setting_file", "outputs_1", Patches(file, 13496, 13496 + 856));
    Write("setting_file", "mixer_and_link", Patches(file, 20344, 21816));
    Write("setting_file", "groups", Patches(file, 21816, 23240));
    // A damaged file: CH1's pan code (offset 356) and CH2's first PEQ type (636) hold
    // 0x80000000; both reach the diff and the resend's frames.
    std::string damaged;
    for (const std::size_t at : {std::size_t{356}, std::size_t{636}}) {
        damaged += static_cast<char>(at & 0xFF);
        damaged += static_cast<char>(at >> 8);
        damaged += '\x04';
        damaged += std::string("\x00\x00\x00\x80", 4);
    }
    Write("setting_file", "out_of_range", damaged);
    return 0;
}
