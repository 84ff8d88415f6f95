#pragma once
// The link-state record a setting file keeps, taken from a live session: the session keeps
// its times on a monotonic clock; the file wants local wall-clock times (0 stays 0).
// The window's SAVE and the command-line tool's backup both write it.
//
// Threading: the session's owner thread.

#include "link/clock.h"
#include "model/device_session.h"
#include "presets/setting_file.h"

namespace krm {

LinkStateRecord LinkStateOf(const DeviceSession& session, const Clock& clock);

} // namespace krm
