#pragma once
// Channel: which record of the image a parameter belongs to, and every numbering of it that
// travels or is shown. One place for the conversions that frames, the readout, files and
// tools need, so that nobody writes "+21" or "+24" again.
//
// Numberings of one channel:
//   index           inputs 0..19 (CH1..CH20), output buses 0..7
//   input wire      1..20: the channel field of every input frame
//   bus number      1..8: the channel field of the output-only frames ("%D," "%H," "%I,"
//                   "%J," "%K,")
//   output wire     21..28: the channel field of an output in "%A," and "%V,"
//   readout channel inputs 0..19, outputs 24..31 (20..23 select nothing)
//   path prefix     "in3", "out5" (1-based, for tools and files)
//
// Pure; any thread.

#include "link/network_settings.h"
#include "model/device_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

// The factory address of a device (kFactoryDeviceIp) and the port both sides use
// (kDevicePort) are defined once, with the link's network settings.

enum class Side : std::uint8_t {
    Input,  // inputs[0..19]
    Output, // outputs[0..7]
    Device, // settings of the whole device (auto-mixer, effects)
};

struct Channel {
    Side side = Side::Device;
    int index = 0;

    static constexpr Channel input(int index) { return {Side::Input, index}; }
    static constexpr Channel output(int bus) { return {Side::Output, bus}; }
    static constexpr Channel device() { return {Side::Device, 0}; }

    constexpr bool valid() const {
        switch (side) {
        case Side::Input:
            return index >= 0 && index < kInputCount;
        case Side::Output:
            return index >= 0 && index < kOutputCount;
        case Side::Device:
            return index == 0;
        }
        return false;
    }
    constexpr bool isInput() const { return side == Side::Input; }
    constexpr bool isOutput() const { return side == Side::Output; }
    constexpr bool isMic() const { return side == Side::Input && IsMicInput(index); }
    constexpr bool operator==(const Channel&) const = default;
};

inline constexpr int kFirstOutputWire = 21;
inline constexpr int kFirstOutputReadoutChannel = 24;

constexpr int InputWire(int input) {
    return input + 1;
}
constexpr int BusNumber(int bus) {
    return bus + 1;
}
constexpr int OutputWire(int bus) {
    return bus + kFirstOutputWire;
}

// The channel field of frame `letter` for `channel`: inputs 1..20, outputs 21..28 in "%A,"
// and "%V," and 1..8 elsewhere; 0 for the device's own settings.
constexpr int WireSelector(char letter, Channel channel) {
    switch (channel.side) {
    case Side::Input:
        return InputWire(channel.index);
    case Side::Output:
        return letter == 'A' || letter == 'V' ? OutputWire(channel.index)
                                              : BusNumber(channel.index);
    case Side::Device:
        break;
    }
    return 0;
}

constexpr int ReadoutChannel(Channel channel) {
    return channel.isOutput() ? channel.index + kFirstOutputReadoutChannel : channel.index;
}

// The channel a readout number selects; nothing for 20..23 and numbers beyond the outputs.
constexpr std::optional<Channel> ChannelFromReadout(int readout) {
    if (readout >= 0 && readout < kInputCount)
        return Channel::input(readout);
    if (readout >= kFirstOutputReadoutChannel &&
        readout < kFirstOutputReadoutChannel + kOutputCount)
        return Channel::output(readout - kFirstOutputReadoutChannel);
    return std::nullopt;
}

// "in3", "out5", "" for the device.
std::string PathPrefix(Channel channel);
// The channel of a prefix "in1".."in20", "out1".."out8"; nothing otherwise.
std::optional<Channel> ChannelFromPrefix(std::string_view prefix);

} // namespace krm
