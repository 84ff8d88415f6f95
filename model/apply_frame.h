#pragma once
// ApplyParameterFrame: the inverse of the frame builders, for the device's side (the
// virtual device stores what the program sends, so that its next dump shows it).
//
// Takes any parameter frame the program sends ("%A," … "%X,"; not "%Q,", "%Z," or
// "%R,") and writes its values into the image: halved EQ gains doubled, PEQ type minus
// one, the phantom mask spread over CH1..CH16, unit bytes FF back to 0, the name's UTF-16
// units converted back to GBK (the bitmap is checked for form and not stored).
//
// Returns false, and leaves the image untouched, for a malformed frame: bad checksum or
// layout, an address other than 01, a wrong field count or width, a field that is not
// upper-case hex, a channel, bus, band or unit out of range. "%W," (a call) and "%A," for
// a channel outside 1..28 (channel field only) are well formed and store nothing.
//
// Pure apart from writing the given image; call it on the thread that owns that image.

#include "model/device_image.h"

#include <string_view>

namespace krm {

bool ApplyParameterFrame(std::string_view frame, DeviceImage& image);

} // namespace krm
