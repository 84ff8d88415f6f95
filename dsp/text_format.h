#pragma once
// Number formatting for display texts. Independent of the process locale (the Qt program
// sets the user's locale, which would turn "0.5" into "0,5" through printf).
//
// Pure; callable from any thread.

#include <string>

namespace krm {

// "%d"
std::string integerText(long long value);

// "%0.<decimals>f", rounded as printf rounds; a negative zero is shown as zero.
std::string decimalText(double value, int decimals);

} // namespace krm
