#pragma once
// Parsers of the frames the device sends ("Z" dump, "Y" identification, "Q" status,
// "P" levels, "r" basic version) and the steps that store their reports in the image.
//
// Parse* run on the receive thread: they check the frame once more and turn it into a
// report value, touching nothing shared (a rejected frame gives nullopt). Apply* run on
// the owner (UI) thread, which owns the DeviceImage.

#include "model/device_image.h"
#include "model/reports.h"

#include <optional>
#include <string_view>
#include <vector>

namespace krm {

// The fields of a checked frame: the first character is '%', the last '#', the four
// digits before '#' are the upper-case checksum of everything before them; the text
// between '%' and '#' split at every ','. Element 0 is the letter, element 1 the device
// address, data fields follow, the last element is the checksum. nullopt when a check
// fails.
std::optional<std::vector<std::string_view>> CheckedFrameFields(std::string_view frame);

// A count written as decimal text: 1 to 4 digits and nothing else. Anything else
// (empty, signs, blanks, letters, trailing garbage) is not a count.
std::optional<std::int32_t> ParseDecimalCount(std::string_view text);

// Each returns nullopt when the frame fails the checks, has another letter, or carries
// no data field at all (the program's own hello "%Z,01," is not a dump).
std::optional<DumpReport> ParseDump(std::string_view frame);
std::optional<IdentReport> ParseIdent(std::string_view frame);
// Also rejects a report whose value field is shorter than 62 digits.
std::optional<StatusReport> ParseStatus(std::string_view frame);
std::optional<LevelsReport> ParseLevels(std::string_view frame);
// Also rejects an empty version field or one longer than the report holds.
std::optional<BasicVersionReport> ParseBasicVersion(std::string_view frame);

// Stores the dump's fields, then brings the image into its legal ranges.
void ApplyDump(const DumpReport& report, DeviceImage& image);
void ApplyIdent(const IdentReport& report, DeviceImage& image);
// Meters and open states; the held channel is marked only while the image's lastHold
// is 1 (every autoMixLast of CH1..CH16 is cleared first).
void ApplyStatus(const StatusReport& report, DeviceImage& image);
void ApplyLevels(const LevelsReport& report, DeviceImage& image);
// What a status report moves, back to nothing: meters (and the effect-return meters) of
// the inputs and outputs, auto-mixer open and last-hold states.
void ClearStatus(DeviceImage& image);

// Status report value count and digits.
inline constexpr int kStatusValues = 31;
inline constexpr int kStatusDigits = 2 * kStatusValues;

// What a meter shows for a meter code: below 8 reads 0, above 70 reads 70.
constexpr int MeterDisplayValue(int meter) {
    if (meter < 8)
        return 0;
    return meter > 70 ? 70 : meter;
}

} // namespace krm
