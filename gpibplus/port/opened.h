// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/port.h"

#include <memory>
#include <string>

namespace gpibplus::port {

// A port, or why it could not be had: `problem` says what went wrong in a few words ("cannot
// open it: No such file or directory"), `errnum` the system's error number where there is one:
// errno on POSIX, the system's or Winsock's error code on Windows.
struct Opened {
    std::unique_ptr<Port> port;
    int errnum = 0;
    std::string problem;
};

// No port: `what` went wrong, followed by the system's words for `errnum`.
Opened failedWith(int errnum, const std::string &what);

} // namespace gpibplus::port
