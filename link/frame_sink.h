#pragma once
// Where every sender and editor puts its frames. DeviceLink implements it; tests use a
// recording fake. Callable from the user-interface thread and from paced-send workers.

#include <string_view>

namespace krm {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Sends one frame as one datagram; true when the whole frame went out.
    virtual bool SendFrame(std::string_view frame) = 0;
    // Senders only send while the device has answered the hello.
    virtual bool isOnline() const = 0;
};

} // namespace krm
