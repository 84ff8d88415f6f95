#pragma once
// DispatchFrame: turns one checked frame from the device into a report value.
//
// Called on the receive thread for every frame the splitter hands over; the caller posts
// the report to the owner (UI) thread, which stores it with ApplyReport and updates the
// link state by its type (dump: no longer connecting; identification: online; status:
// indicator lit; levels: faders refreshed while online).

#include "model/device_image.h"
#include "model/reports.h"

#include <optional>
#include <string_view>

namespace krm {

// The report of a "Z", "Y", "Q", "P" or "r" frame that its parser accepts. nullopt for a
// rejected frame, for "G" (accepted and ignored) and for every other letter.
std::optional<IncomingReport> DispatchFrame(std::string_view frame);

// Stores any report in the image (owner thread).
void ApplyReport(const IncomingReport& report, DeviceImage& image);

} // namespace krm
