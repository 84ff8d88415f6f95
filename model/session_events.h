#pragma once
// What a DeviceSession tells the user interface, beyond the link's own events.
// Every call arrives on the owner (UI) thread, after the image has been updated.

#include "link/link_events.h"
#include "model/setting_diff.h"

#include <vector>

namespace krm {

// What the device's reports change in the image: the pages and the undo history take it
// in. Kept apart from the link's own events so that a window and a link controller can
// each listen to their half.
class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    // A full dump and the identification arrived: every page rereads the image
    // (strips, names, microphone units).
    virtual void refreshAll() = 0;
    // A status report arrived: meters, auto-mixer open and last-hold states changed.
    // Repaint from a dirty flag on a GUI timer, not once per report.
    virtual void statusUpdated() = 0;
    // A level report arrived while online: faders, output mutes, MIC/LINE changed.
    virtual void levelsUpdated() = 0;
    // A report of the device's settings was stored in the image (a dump: `wholeDump`; the
    // identification, a level report online or not): whatever keeps the operator's edits
    // apart from the device's takes it in. Before refreshAll() and levelsUpdated().
    virtual void settingsReported(bool wholeDump) { (void)wholeDump; }
    // The link healed itself (LinkEvents::linkReconnected): the device answered again and
    // its settings were read anew; refreshAll() has just run. `changed` lists the modules
    // whose settings differ from what the program held before the device's dump (empty
    // when none do). Raised instead of linkReconnected(), which a session never passes on.
    virtual void deviceReconnected(const std::vector<ImageModule>& changed) { (void)changed; }
};

class SessionEvents : public LinkEvents, public DeviceEvents {};

} // namespace krm
