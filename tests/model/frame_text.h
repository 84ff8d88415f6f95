#pragma once
// Helpers for writing device frames as annotated literal text in tests.

#include "link/frame.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace krm::test {

// "%<letter>,01,<field>,...,<field>," followed by its checksum and "#", as the device
// builds it.
inline std::string DeviceFrame(char letter, std::initializer_list<std::string_view> fields) {
    std::string body = "%";
    body += letter;
    body += ",01,";
    for (std::string_view f : fields) {
        body += f;
        body += ',';
    }
    return body + HexField(FrameChecksum(body), 4) + "#";
}

// The text repeated n times.
inline std::string Rep(std::string_view text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += text;
    return out;
}

} // namespace krm::test
