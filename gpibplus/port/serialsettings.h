// SPDX-License-Identifier: MIT
#pragma once

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

// "115200", "9600 7E1": a standard baud rate (1200 to 1000000) and optionally the frame; nullopt
// when it is neither.
std::optional<SerialSettings> serialSettingsOf(std::string_view text);

// The settings as serialSettingsOf reads them, frame included: "9600 7E1".
std::string textOf(const SerialSettings &settings);

} // namespace gpibplus::port
