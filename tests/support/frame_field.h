#pragma once
// The hexadecimal field at `index` (0 = the letter part "%A") of a frame, as a number.

#include <string>

namespace krm::test {

inline int fieldOf(const std::string& frame, int index) {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i)
        start = frame.find(',', start) + 1;
    const std::size_t end = frame.find(',', start);
    return std::stoi(frame.substr(start, end - start), nullptr, 16);
}

} // namespace krm::test
