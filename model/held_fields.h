#pragma once
// Holding a whole-device setting to the parameter table's ranges. A setting file from
// elsewhere (another computer, a hand-edited or damaged file) may hold any 32-bit value in
// any field; the image takes none of them unchecked: every field the table describes is
// held to its parameter's range on every channel record that holds it (as a preset
// payload's fields are), and the filters' family code, which no editor writes, to the one
// code the device knows.
//
// A field that holds exactly what the program's own start-up image holds there stays as
// it is: it is what this program writes for a field the device never reported (the noise
// gate's times, the effects of a device whose dump does not carry them), the window's own
// image holds the same, and reading it must neither change it nor make COMPARE see a
// difference.
//
// Pure; any thread, on an image the caller owns.

#include "model/channels.h"
#include "model/device_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace krm {

// A field that was outside its range, and the value it was held to.
struct HeldField {
    std::string path; // dotted name: "in1.pan", "in3.hpf.type", "automix.maxOpenCh"
    Channel channel;
    std::int32_t raw = 0;  // what the setting held
    std::int32_t held = 0; // what the image holds now
    std::string heldText;  // the held value as the table shows it ("-1.00", "1000Hz")
};

// Holds every field as above; returns those that were out of range, in table order
// (channel by channel within a parameter), the filter family codes last.
std::vector<HeldField> HoldToRanges(DeviceImage& image);

// "-2147483648 (0x80000000)": a raw 32-bit field as a tool line shows it.
std::string RawFieldText(std::int32_t raw);

} // namespace krm
