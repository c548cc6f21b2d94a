// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/opened.h"

#include <optional>
#include <string>
#include <string_view>

namespace gpibplus::port {

// A serial line's settings: 115200 8N1 unless the user says otherwise.
struct SerialSettings {
    int baud = 115200;
    int dataBits = 8;
    char parity = 'N'; // N, E or O
    int stopBits = 1;
};

// Opens a serial port raw, with the settings, held by this process alone: TIOCEXCL keeps
// other opens out, and an flock(2) lock those that clear it again. A port held elsewhere fails
// with EBUSY.
Opened openSerialPort(const std::string &path, const SerialSettings &settings);

// "115200", "9600 7E1": the baud rate and optionally the frame; nullopt when it is neither.
std::optional<SerialSettings> serialSettingsOf(std::string_view text);

} // namespace gpibplus::port
