#pragma once
// A value typed on the command line in the units the window shows ("-3dB", "1k", "1:2.5",
// "on", "D2", "24dB/Oct", "5 ms"), turned into a parameter's code through the parameter
// table's own display texts: a text equal to one of the parameter's texts is that code;
// a number (with the unit of the parameter's texts, or none; "k" multiplies by 1,000) is
// the code whose text shows the nearest number, provided it lies within the texts of the
// range's ends. The reading is the readout's own (model/typed_value.h); the tool refuses
// a number beyond the range where the readout holds it to the nearer end.
//
// Pure; any thread.

#include "model/parameters.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace krm::ctl {

// The code, or why the text is refused (a sentence naming the parameter's range).
std::variant<std::int32_t, std::string> ParseDisplayValue(const Parameter& parameter,
                                                          Channel channel, std::string_view text);

} // namespace krm::ctl
