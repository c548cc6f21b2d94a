// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/opened.h"

#include <string>

namespace gpibplus::port {

// Connects to "host:port", "host" (port 1234), "[v6 address]:port" (tcpAddressOf), trying each
// address the name resolves to until the deadline. TCP_NODELAY: each line goes out at once.
Opened connectTcp(const std::string &place, Deadline deadline);

} // namespace gpibplus::port
