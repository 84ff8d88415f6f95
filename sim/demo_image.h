#pragma once
// The virtual device's starting parameters: the start-up values with names in Chinese
// and Latin letters and parameters varied per channel, so that a program that reads the
// dump, edits and reads it back has something to get wrong. Every value lies in its
// legal range and survives a dump round trip unchanged (even EQ gains, filter family 2,
// EQ switched on). Pure; any thread.

#include "model/device_image.h"

namespace krm::sim {

// The text of the dump's last field; its last two digits are the hardware version (3.1).
inline constexpr const char* kDemoDeviceText = "KRM-416X V31";

DeviceImage DemoDeviceImage();

} // namespace krm::sim
