// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/opened.h"
#include "gpibplus/port/serialsettings.h"

#include <string>

namespace gpibplus::port {

// Where the adapter is, as the user named it: the variable GPIBPLUS_PORT, else a configuration
// file, the one GPIBPLUS_CONF names or the first of configurationFiles() that exists
// (configurationfiles.h). A file
// holds `key = value` lines, `#` comments and blank lines:
//   port = /dev/ttyUSB0          (COM3 on Windows; or 192.168.1.20:1234)
//   baud = 115200                (optional; "9600 7E1" sets the frame too)
// Nothing named is no adapter: no port is ever guessed.
struct Configuration {
    std::string port;      // empty: no adapter configured
    SerialSettings serial; // for a serial port
    std::string source;    // "GPIBPLUS_PORT" or the file's path
    std::string problem;   // a file that could not be used, with the line at fault
};

Configuration configuration();
// The file's text read as above; `source` names it in a problem.
Configuration configurationOf(std::string_view text, const std::string &source);

// Opens the configured port: a serial port where namesSerialPort says so, anything else a TCP
// address. A problem names the port: "/dev/ttyUSB0: cannot open it: No such file or directory".
Opened openPort(const Configuration &configuration, Deadline deadline);

} // namespace gpibplus::port
