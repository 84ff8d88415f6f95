#pragma once
// A host that is not the device the program talks to, sending ordinary device frames to the
// program's port: a second processor still reporting to this computer, or a forger.

#include "link/udp_socket.h"
#include "model/device_image.h"
#include "sim/device_frames.h"

#include <string>
#include <string_view>
#include <vector>

namespace krm::test {

// Every report a device sends unasked or on the hello, made from the image: the dump, the
// identification, the level report and a status report with meters up.
inline std::vector<std::string> EveryReportOf(const DeviceImage& image) {
    StatusReport status;
    status.inputMeters.fill(70);
    status.outputMeters.fill(70);
    status.openCh1to8 = 0xFF;
    return {sim::BuildDumpReply(image), sim::BuildIdentReply(image), sim::BuildLevelsReport(image),
            sim::BuildStatusReport(status)};
}

class ForeignHost {
public:
    bool open(const Endpoint& at) { return m_socket.open(at); }
    Endpoint endpoint() const { return m_socket.localEndpoint(); }

    // One frame as a device sends it: a frame longer than a receive buffer (the dump) in
    // pieces. Returns how many datagrams went out.
    int send(const Endpoint& to, std::string_view frame) {
        int sent = 0;
        for (std::size_t at = 0; at < frame.size(); at += UdpSocket::kMaxDatagram)
            sent += m_socket.sendTo(to, frame.substr(at, UdpSocket::kMaxDatagram)) ? 1 : 0;
        return sent;
    }
    int send(const Endpoint& to, const std::vector<std::string>& frames) {
        int sent = 0;
        for (const std::string& frame : frames)
            sent += send(to, frame);
        return sent;
    }

private:
    UdpSocket m_socket;
};

} // namespace krm::test
