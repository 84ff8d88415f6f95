#pragma once
// The maker's update-information page: an ordinary web page whose only meaningful part is
// the text between the first "##$$" and the first "$$##":
//
//   ##$$<DSP firmware address>%%%%<digital firmware address>%%%%<remote version>$$##
//
// Nothing between the separators is trimmed: blanks and line ends belong to the fields.
// The version texts are decimal digits of the version × 10 ("32" for 3.2), the same form
// as the device's hardware version.
//
// Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>

namespace krm {

inline constexpr std::string_view kUpdatePageStart = "##$$";
inline constexpr std::string_view kUpdatePageEnd = "$$##";
inline constexpr std::string_view kUpdatePageSeparator = "%%%%";

struct UpdatePageInfo {
    std::string dspUrl;        // first address: saved as "upate1.bin", sent as kind 0
    std::string digitalUrl;    // second address: saved as "upate2.bin", sent as kind 1
    std::string remoteVersion; // "33"; empty (with digitalUrl) when the body has one "%%%%"
};

// nullopt when either marker is missing, the end marker does not follow the start marker
// by at least three characters of body, or the body has no "%%%%". A second "%%%%" is
// optional; without it the digital address and the remote version stay empty.
std::optional<UpdatePageInfo> ParseUpdatePage(std::string_view page);

// The numeric value of a version text: decimal digits, optionally with blanks or line
// ends around them (a page may put the version on a line of its own). Leading zeros do not
// count. nullopt for an empty text, a sign, a point or any other character.
std::optional<std::string> VersionDigits(std::string_view version);

// True when the remote version is a number greater than the hardware's. The two compare
// as numbers, never as texts: as texts "4" would beat "31" and an older firmware would be
// installed. An empty or non-numeric remote version is never newer; a hardware version
// that is not a number counts as 0 (its label shows 0.0 too).
bool RemoteIsNewer(std::string_view hardware, std::string_view remote);

// The value a version label shows: the version read as a decimal number × 0.1 ("33" →
// 3.3); 0.0 for a text that is not a number, as for an empty remote version.
double VersionLabelValue(std::string_view version);

} // namespace krm
