#pragma once
// A message for the operator in both interface languages (UTF-8), built at run time (it
// may carry the database engine's own text, a socket's error or a file name). Pure.

#include <string>

namespace krm {

struct Message {
    std::string en;
    std::string zh;
    bool empty() const { return en.empty(); }
};

} // namespace krm
