// SPDX-License-Identifier: MIT
#include "gpibplus/port/serialsettings.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace gpibplus::port {

namespace {

// The rates that both a Linux terminal (B1200 ... B1000000) and Windows' serial drivers take.
constexpr int kBaudRates[] = {1200,  2400,   4800,   9600,   19200,  38400,
                              57600, 115200, 230400, 460800, 921600, 1000000};

} // namespace

std::optional<SerialSettings> serialSettingsOf(std::string_view text) {
    SerialSettings settings;
    const char *end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, settings.baud);
    if (error != std::errc() || std::find(std::begin(kBaudRates), std::end(kBaudRates),
                                          settings.baud) == std::end(kBaudRates))
        return std::nullopt;
    std::string_view frame(rest, static_cast<std::size_t>(end - rest));
    if (frame.empty())
        return settings;
    if (frame.size() != 4 || frame[0] != ' ' || frame[1] < '5' || frame[1] > '8' ||
        (frame[2] != 'N' && frame[2] != 'E' && frame[2] != 'O') ||
        (frame[3] != '1' && frame[3] != '2'))
        return std::nullopt;
    settings.dataBits = frame[1] - '0';
    settings.parity = frame[2];
    settings.stopBits = frame[3] - '0';
    return settings;
}

std::string textOf(const SerialSettings &settings) {
    return std::to_string(settings.baud) + " " + std::to_string(settings.dataBits) +
           settings.parity + std::to_string(settings.stopBits);
}

} // namespace gpibplus::port
