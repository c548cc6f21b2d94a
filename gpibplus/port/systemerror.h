// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace gpibplus::port {

// The system's words for an error number: an errno value on POSIX, a system or Winsock error
// code (GetLastError, WSAGetLastError) on Windows.
std::string systemErrorText(int errnum);

} // namespace gpibplus::port
