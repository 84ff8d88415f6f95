#pragma once
// The frames the virtual device sends: the full dump "Z" (written with the same field
// table the program's parser reads), the identification "Y", the status report "Q", the
// level report "P", the search reply "R" and the basic-version reply "r".
//
// Pure functions of their arguments; any thread.

#include "model/device_image.h"
#include "model/reports.h"

#include <string>
#include <string_view>

namespace krm::sim {

// "%Z,01," then dump fields 2..27, checksum, "#".
std::string BuildDumpReply(const DeviceImage& image);
// "%Y,01," units (a 0 byte written FF), names of CH1..CH20 and buses 1..8 as eight
// UTF-16 units each, unit count in decimal.
std::string BuildIdentReply(const DeviceImage& image);
// "%Q,01," and the 31 values of the report as 62 digits.
std::string BuildStatusReport(const StatusReport& report);
// "%P,01," bus gains, bus mutes, MIC/LINE, gains of CH1..CH20 and buses 5..8, unit count.
std::string BuildLevelsReport(const DeviceImage& image);
// The answer to the search request: field 2 is "0001".
std::string BuildSearchReply();
// The answer to the basic-version query: field 2 is the version text (e.g. "310" for
// 3.10).
std::string BuildVersionReply(std::string_view basicVersion);

} // namespace krm::sim
