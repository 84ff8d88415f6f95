#pragma once
// What one whole-device setting holds, field by field, and what differs between two.
//
// ListSettingFields walks the image in one fixed order: every parameter of the parameter
// table on every channel it exists on (dotted name, display text by the table's rule),
// then what the table does not cover but a setting file keeps — channel names and labels,
// the mute and control group records, the microphone-unit slots, the unit count and the
// device text. The order depends on nothing but the layout, so two lists line up entry by
// entry. Live values (meters, auto-mixer open states) and the group switches are not part
// of a setting and are left out.
//
// DiffImages compares two images through that list (by code, so two codes that read the
// same text still count as different) and orders what differs by module, then channel
// (inputs, outputs, the device), then table order. The command-line tool's dump and diff,
// the window's comparison of a stored setting and the notice after the link healed itself
// (ChangedModules) all read these lists, so they always agree on what belongs where.
//
// Pure; any thread, on images the caller owns.

#include "model/channels.h"
#include "model/device_image.h"
#include "model/text_pair.h"

#include <cstdint>
#include <string>
#include <vector>

namespace krm {

struct Parameter;

// The modules of a setting, in the order lists show them.
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

// The module's short name ("Limiter" / "限幅器"); the tool prints the English one.
TextPair ModuleName(ImageModule module);

struct SettingField {
    std::string path; // "in3.peq2.gain", "out5.name", "muteGroup2.in7", "unit3.slot1"
    ImageModule module = ImageModule::Levels;
    Channel channel;       // the device for group records, units and device-wide fields
    std::int32_t code = 0; // the stored value; for names, 0 (compare `text`)
    std::string text;      // display text: the table's text ("-3.0dB"), names as UTF-8
    const Parameter* parameter = nullptr; // null for fields outside the parameter table
};

struct SettingDifference {
    std::string path;
    ImageModule module = ImageModule::Levels;
    Channel channel;
    std::string a; // display text in the first image
    std::string b; // display text in the second image
    const Parameter* parameter = nullptr;
};

// The module a table parameter belongs to.
ImageModule ParameterModule(const Parameter& parameter);

// Every field of a setting in the image, in the fixed order described above.
std::vector<SettingField> ListSettingFields(const DeviceImage& image);

// The fields whose values differ, by module, then channel, then table order.
std::vector<SettingDifference> DiffImages(const DeviceImage& a, const DeviceImage& b);

// The modules with at least one difference, in module order: after the link healed itself,
// what was edited or reset on the device while it was out of reach. Live values (meters,
// auto-mixer open states) are no settings and never count.
std::vector<ImageModule> ChangedModules(const DeviceImage& before, const DeviceImage& after);

} // namespace krm
