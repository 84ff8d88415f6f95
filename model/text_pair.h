#pragma once
// An English/Chinese pair of one user-visible text (both UTF-8). The core keeps its labels
// as pairs; the interface picks the half of the current language.

namespace krm {

struct TextPair {
    const char* en;
    const char* zh;
};

} // namespace krm
