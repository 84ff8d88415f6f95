#pragma once
// The tool's commands over a list of devices (--devices, --devices-file, --discover):
// status, backup --to DIR, diff against a backup folder and set. Every device is talked
// to at the same time through one CtlVenue; one that does not answer is named on stderr
// and makes the exit status 3, while the others are still done.
//
// One thread: the caller's.

#include "app/ctl/ctl_args.h"
#include "link/clock.h"
#include "link/rooms_file.h"

#include <iosfwd>
#include <vector>

namespace krm {
class GlyphRenderer;
}

namespace krm::ctl {

struct VenueCommand {
    const CtlArgs& args;
    std::ostream& out;
    std::ostream& err;
    Clock& clock;
    const GlyphRenderer* glyphs;
};

// Each takes the devices in list order; the caller holds the local port's lock.
int VenueStatus(const VenueCommand& c, const std::vector<VenueDevice>& devices);
int VenueBackup(const VenueCommand& c, const std::vector<VenueDevice>& devices);
int VenueSet(const VenueCommand& c, const std::vector<VenueDevice>& devices);
// The backup folder operands[0] against the live devices.
int VenueDiffLive(const VenueCommand& c, const std::vector<VenueDevice>& devices);
// Two backup folders, operands[0] and operands[1]; no network.
int VenueDiffFolders(const VenueCommand& c);

} // namespace krm::ctl
