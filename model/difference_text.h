#pragma once
// A setting difference as the operator reads it, in both interface languages:
//
//   "CH3 Podium · PEQ BAND2 GAIN · -3.0dB → -1.0dB"     (通道3 Podium · 参量均衡 频段2增益 · …)
//
// the channel's number and, when it was given one, its name from the image; the parameter
// table's label, qualified where the label alone is shared by several parameters ("HPF"
// names the filter's switch, frequency and slope; "Threshold" the compressor's, the gate's
// and the limiter's); then both values as the readout shows them. Fields outside the table
// (names, group records, unit slots) get labels of their own. The dotted name stays the
// difference's `path`, for integrators and scripts.
//
// COMPARE and the question asked when the window meets a device with other settings read
// these texts; the command-line tool's diff keeps printing dotted names. Pure, any thread.

#include "model/device_image.h"
#include "model/message.h"
#include "model/setting_diff.h"

#include <string>

namespace krm {

// "CH3 Podium" / "通道3 Podium", "OUT2" / "输出2" (a factory name is left out); empty for
// the device.
Message ChannelWords(const DeviceImage& image, Channel channel);

// The label of the difference's field: "PEQ BAND2 GAIN" / "参量均衡 频段2增益",
// "Mute group 2 CH7" / "静音分组2 通道7".
Message FieldLabel(const SettingDifference& difference);

// The whole line: channel (when there is one), label, "old → new".
Message DifferenceText(const SettingDifference& difference, const DeviceImage& image);

} // namespace krm
