#pragma once
// ChangedModules: which modules of the device's settings differ between two images, as
// "changed or not" per module. The program uses it after the link healed itself, to tell
// the operator what was edited or reset on the device while it was out of reach. It only
// answers "which modules"; a parameter-by-parameter account (names, channels, display
// values) belongs to the setting diff of the presets layer.
//
// Live values are not settings and never count: meters and the auto-mixer's open and
// last-hold states, which the status reports move all the time.
//
// Pure functions; any thread.

#include "model/device_image.h"
#include "model/text_pair.h"

#include <cstdint>
#include <vector>

namespace krm {

enum class ImageModule : std::uint8_t {
    Levels,    // faders, mutes, pan, solo, input gain, MIC/LINE (both sides)
    Inputs,    // phantom power, polarity, source (analog or Dante)
    Peq,       // PEQ bands and switch
    Filters,   // high- and low-pass filters
    Dynamics,  // compressor and gate
    Limiter,   // output limiters
    Geq,       // graphic EQ of the outputs
    Delay,     // output delay and the feedback switch
    Matrix,    // input-to-bus routing
    Sends,     // main, aux, delay and reverb sends
    Effects,   // delay and reverb settings of the effect returns
    AutoMixer, // mode, detector, priorities and channel levels
    Names,     // channel, bus and device names
    Groups,    // mute and control groups
    MicUnits,  // microphone unit assignments and count
};

// In the order of the enumeration above, so lists read the same way every time.
std::vector<ImageModule> ChangedModules(const DeviceImage& before, const DeviceImage& after);

// The module's name for the operator ("limiter" / "限幅器").
TextPair ModuleLabel(ImageModule module);

} // namespace krm
