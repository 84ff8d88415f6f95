#pragma once
// The two questions a local or remote update asks the device first, on the update socket:
// the identification (the hello "%Z,01," answered by the parameter dump, whose last field
// ends with the firmware version, e.g. "31" for 3.1) and the basic version ("%r,01,00,",
// answered with e.g. "310" for 3.10).
//
// Threads: the update worker. A stop ends a query within 50 ms (nullopt).

#include "link/clock.h"
#include "update/update_channel.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace krm {

// HardwareVersion: the last two characters of the dump's field 27; nullopt on silence,
// on a reply without a good frame, or on a frame without that field.
std::optional<std::string> QueryHardwareVersion(UpdateChannel& channel, Clock& clock,
                                                const std::atomic<bool>& stop);

// BasicVersion: field 2 of the reply; nullopt as above.
std::optional<std::string> QueryBasicVersion(UpdateChannel& channel, Clock& clock,
                                             const std::atomic<bool>& stop);

// The basic-version query up to three times, 100 ms apart; nullopt when the device never
// answered (or on a stop).
std::optional<std::string> AskBasicVersion(UpdateChannel& channel, Clock& clock,
                                           const std::atomic<bool>& stop);

// The parts without I/O: the first good frame of the collected reply text, its fields.
std::optional<std::string> HardwareVersionFromReply(std::string_view collected);
std::optional<std::string> BasicVersionFromReply(std::string_view collected);

} // namespace krm
