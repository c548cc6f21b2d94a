// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/opened.h"
#include "gpibplus/port/serialsettings.h"

#include <string>
#include <string_view>

namespace gpibplus::port {

// Whether the user's name for the adapter is a serial port rather than a TCP address: a path
// on POSIX (/dev/ttyUSB0); on Windows a COM port, "COM3" or "\\.\COM10".
bool namesSerialPort(std::string_view port);

// Opens a serial port raw, with the settings, held by this process alone. A port held elsewhere
// fails with the system's "busy" error: EBUSY on POSIX, where TIOCEXCL keeps other opens out and
// an flock(2) lock those that clear it again; on Windows, whose serial drivers let one handle
// have a port, ERROR_ACCESS_DENIED.
Opened openSerialPort(const std::string &port, const SerialSettings &settings);

} // namespace gpibplus::port
