// The frame splitter over datagrams from a hostile sender. The input is cut into
// datagrams at every 0xFF byte; each is taken as the link takes it (up to its first NUL,
// at most one receive buffer) and fed to a FrameSplitter and to SplitFrames with
// caller-held pending text.
//
// Properties: both hand over the same frames; every frame handed over is one checked
// frame ("%" only at its start, "#" only at its end, an upper-case checksum that matches,
// no longer than the work area); the pending text stays within its bound.

#include "fuzz_input.h"
#include "link/udp_socket.h"

using namespace krm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FrameSplitter splitter;
    std::string pending;
    std::vector<std::string> fromSplitter, fromFunction;
    for (std::string_view datagram : fuzz::Pieces(fuzz::Bytes(data, size), '\xFF')) {
        const std::string_view text = DatagramText(datagram.substr(0, UdpSocket::kMaxDatagram));
        const int handed = splitter.split(text, [&](std::string_view frame) {
            if (frame.size() < 9 || frame.front() != '%' || frame.back() != '#' ||
                frame.find('%', 1) != std::string_view::npos ||
                frame.find('#') != frame.size() - 1 || !FrameChecksumOk(frame) ||
                frame.size() - 5 > FrameSplitter::kMaxCandidateBody)
                fuzz::Broken("a frame handed over that is not one checked frame", frame);
            fromSplitter.emplace_back(frame);
        });
        const int counted = SplitFrames(
            text, pending, [&](std::string_view frame) { fromFunction.emplace_back(frame); });
        if (handed != counted)
            fuzz::Broken("the splitter and SplitFrames counted differently");
        if (splitter.pending().size() > FrameSplitter::kMaxPending)
            fuzz::Broken("pending text beyond its bound");
    }
    if (fromSplitter != fromFunction)
        fuzz::Broken("the splitter and SplitFrames handed over different frames");
    return 0;
}
