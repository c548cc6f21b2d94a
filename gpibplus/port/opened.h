// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/port.h"

#include <memory>
#include <string>

namespace gpibplus::port {

// A port, or why it could not be had: `problem` says what went wrong in a few words ("cannot
// open it: No such file or directory"), `errnum` the errno where there is one.
struct Opened {
    std::unique_ptr<Port> port;
    int errnum = 0;
    std::string problem;
};

Opened failedWith(int errnum, const std::string &what);

} // namespace gpibplus::port
