#pragma once
// Preset payloads: the fields of one processing module of one channel packed as a text of
// upper-case hexadecimal digits, each field "%02X" (one byte) or "%04X" (two bytes, high
// byte first), with no separators except the two commas of the PEQ payload (positions 56
// and 69). Every field is read back from its fixed character position.
//
//   DELAY 14: fxPreDelay1(4) fxPreDelay2(4) fxFeedback(2) fxDelayLpf(4)      record of CH17
//   REV 14:   fxTap[0..3](2 each) fxRevTime(2) fxRevLpf(4)                  record of CH18
//   NOISE 8:  gate.enable gate.threshold gate.attack gate.release (2 each)  (no gate.range)
//   Compressor 12: comp.enable threshold ratio attack release gain (2 each)
//   PEQ 82:   bands 1..4: type(2) q(4) gain(4) freq(4); ","; hpf enable(2) type(2)
//             slope(4) freq(4); ","; lpf the same
//   LIMIT 12: limiter.enable threshold ratio attack release gain (2 each)
//   GEQ 124:  geq[0..30].gain (4 each), lowest band first
//
// A value wider than its field is cut to the field's low digits (the device's ranges all
// fit). Pure; any thread, on an image the caller owns.

#include "model/channels.h"
#include "model/device_image.h"
#include "presets/preset_tables.h"

#include <string>
#include <string_view>
#include <vector>

namespace krm {

// The channel a module preset of the table reads and writes: the delay and reverb tables
// always use CH17 and CH18; the others the channel given (an input for NOISE, Compressor
// and PEQ, an output for LIMIT and GEQ). Invalid when the channel does not fit the table.
Channel PresetTarget(PresetTable table, Channel edited);

// The module's fields of the target channel as the table's payload; "" for DeviceDATA or
// a channel that does not fit the table.
std::string PackPayload(PresetTable table, const DeviceImage& image, Channel edited);

// Writes the payload's fields into the target channel's record, each held to its
// parameter's range. A payload shorter than the table's length, or with any character
// that is not a hexadecimal digit where a field lies, or with the PEQ commas missing,
// changes nothing and returns false.
bool UnpackPayload(PresetTable table, std::string_view payload, DeviceImage& image, Channel edited);

// The frames a recall sends for the module, in order, built from the image now:
//   DELAY "%N,"; REV "%M,"; NOISE "%B," (CH1..CH16 only); Compressor "%C," (CH1..CH16);
//   PEQ "%G," bands 1..4, then "%E," and "%F," (CH1..CH16 only); LIMIT "%D," (output 1
//   also sends output 2's); GEQ "%H,".
std::vector<std::string> ModuleRecallFrames(PresetTable table, const DeviceImage& image,
                                            Channel edited);

} // namespace krm
