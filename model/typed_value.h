#pragma once
// Reading a value an operator types for a parameter, as the readout's value boxes and the
// command-line tool both take it: a text the parameter itself shows ("OPEN", "D2",
// "24dB/Oct"), "on"/"off" for a switch, or a number with an optional "k" (× 1,000), an
// optional unit of the parameter's own texts ("-3 dB", "1.2kHz", "5 ms", "38 %") or the
// "1:" of a ratio ("1:4"). Case and blanks do not matter. What a number becomes is the
// caller's: the readout holds it to the kind's typed range, the tool looks for the code
// whose text shows it (NearestCode).
//
// Pure; any thread.

#include "model/parameters.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace krm {

// A number as typed, "k" applied; `unit` is upper case ("DB", "HZ", "MS", "S", "%", or
// empty for none).
struct TypedNumber {
    double number = 0;
    std::string unit;
};

enum class TypedRefusal {
    Empty,     // nothing but blanks
    NotAValue, // neither a text of the parameter nor a number in its unit
};

// A code (the text was one of the parameter's words), a number, or why neither.
using TypedValue = std::variant<std::int32_t, TypedNumber, TypedRefusal>;

TypedValue ReadTypedValue(const Parameter& parameter, Channel channel, std::string_view text);

// The code whose text shows the number nearest to `typed`, among the texts of its unit;
// nothing when the number lies beyond the texts of the range's ends.
std::optional<std::int32_t> NearestCode(const Parameter& parameter, Channel channel,
                                        const TypedNumber& typed);

// "-15.0dB .. 15.0dB": the texts of the range's ends.
std::string RangeText(const Parameter& parameter, Channel channel);
// The unit the parameter's numbers show ("dB", "Hz", "ms", "s", "%"); empty when they show
// none or the parameter shows words only.
std::string UnitText(const Parameter& parameter, Channel channel);
// Whether the parameter shows words (OPEN/CLOSE, sources) rather than numbers.
bool ShowsWords(const Parameter& parameter, Channel channel);

} // namespace krm
