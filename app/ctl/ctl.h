#pragma once
// krm416x-ctl: the device from the command line, on the core only (no widgets).
//
//   krm416x-ctl <command> [options]     commands: discover, dump, get, set, backup,
//                                        restore, diff, firmware, new; --help on each
//
// dump, get and set also work on a setting file (--file) with no device and no network,
// and new writes a file of factory values, so rooms can be prepared before a device is.
//
// RunCtl is the whole tool apart from main(): tests call it in-process with their own
// streams, clock and interface list. Results go to `out` (nothing a script must strip),
// messages and progress to `err`.
//
// One thread: the caller's, which plays the window's thread while the tool waits.

#include "link/clock.h"
#include "link/network_settings.h"

#include "model/glyph_renderer.h"

#include <QString>

#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace krm::ctl {

// Exit statuses (also in --help and the README).
enum ExitStatus : int {
    kExitOk = 0,            // done; diff: the two settings are equal
    kExitDiffer = 1,        // diff: the two settings differ
    kExitUsage = 2,         // bad command line, unknown parameter, bad value, unreadable file
    kExitNoDevice = 3,      // the device did not answer, or the local port cannot be opened
    kExitPortHeld = 4,      // the program (or another krm416x-ctl) holds the local port
    kExitFailed = 5,        // the device took part but the operation failed (update, resend)
    kExitInterrupted = 130, // Ctrl-C or SIGTERM: stopped, and the device told goodbye
};

struct CtlEnvironment {
    // Paces the senders and the update; null: the system's steady clock.
    Clock* clock = nullptr;
    // The networks discover sweeps; null: this computer's interfaces.
    std::function<std::vector<Ipv4Interface>()> interfaces;
    // Draws the bitmaps of the name frames a restore sends (the program's renderer);
    // null: the frames carry the names with blank pictures.
    const GlyphRenderer* glyphs = nullptr;
};

// Raised by main()'s SIGINT/SIGTERM handler (a lock-free atomic store, safe in a handler):
// every wait of a command ends, queued frames are dropped, a firmware transfer stops, and
// the device still gets its goodbye "%Q," 0.
std::atomic<bool>& CtlInterrupted();

int RunCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CtlEnvironment& environment = {});

} // namespace krm::ctl
