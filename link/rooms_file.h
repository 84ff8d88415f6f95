#pragma once
// The devices of a venue as the tool is given them: "--devices 127.0.1.1,127.0.1.2" or a
// rooms file, one device a line:
//
//   # Hall A and its foyer
//   127.0.1.1   Hall A
//   127.0.1.2   Foyer      # the room name is the rest of the line
//   127.0.1.3
//
// A line holds an address and, after blanks, an optional room name; "#" starts a comment
// that runs to the end of the line, and blank lines are skipped. An address that is not a
// dotted quad, an address or a room named twice is refused with the file, line and reason.
//
// Pure; any thread.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace krm {

struct VenueDevice {
    std::string address; // "127.0.1.1"
    std::string room;    // empty: the device has no room name; the address stands for it
    // The room, or the address when there is none: what lists and file names show.
    const std::string& label() const { return room.empty() ? address : room; }
};

// The rooms file's devices in file order, or "FILE:LINE: reason" for the first bad line.
std::variant<std::vector<VenueDevice>, std::string> ParseRoomsFile(std::string_view text,
                                                                   const std::string& fileName);

// "--devices" list: addresses separated by commas (blanks around them ignored), or why it
// is refused (a bad address, one named twice, an empty list).
std::variant<std::vector<VenueDevice>, std::string> ParseDeviceList(std::string_view text);

// The backup file's name without ".dat" for a device: its room, or its address. Characters
// a file name cannot hold or a shell would trip on (slashes, quotes, control characters,
// blanks, "*?<>|:\") become "_", and a leading dot does too, so a room never names a
// hidden file or a path outside the folder. Letters of any script are kept.
std::string RoomFileName(const VenueDevice& device);

} // namespace krm
