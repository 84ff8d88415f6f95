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
// (inputs, outputs, the device), then table order. The command-line tool's dump and diff
// and the window's comparison of a stored setting all read these lists.
//
// Pure; any thread, on images the caller owns.

#include "model/channels.h"
#include "model/device_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace krm {

struct Parameter;

struct SettingField {
    std::string path;      // "in3.peq2.gain", "out5.name", "muteGroup2.in7", "unit3.slot1"
    std::string module;    // "PEQ", "Dynamics", "Names", "Groups", "Units" … (SettingModules())
    Channel channel;       // the device for group records, units and device-wide fields
    std::int32_t code = 0; // the stored value; for names, 0 (compare `text`)
    std::string text;      // display text: the table's text ("-3.0dB"), names as UTF-8
    const Parameter* parameter = nullptr; // null for fields outside the parameter table
};

struct SettingDifference {
    std::string path;
    std::string module;
    Channel channel;
    std::string a; // display text in the first image
    std::string b; // display text in the second image
    const Parameter* parameter = nullptr;
};

// The modules in the order differences are listed in.
const std::vector<std::string>& SettingModules();

// The module a table parameter belongs to ("PEQ", "Limiter", "Auto-mixer" …).
std::string ParameterModule(const Parameter& parameter);

// Every field of a setting in the image, in the fixed order described above.
std::vector<SettingField> ListSettingFields(const DeviceImage& image);

// The fields whose values differ, by module, then channel, then table order.
std::vector<SettingDifference> DiffImages(const DeviceImage& a, const DeviceImage& b);

} // namespace krm
