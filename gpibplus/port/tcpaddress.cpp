// SPDX-License-Identifier: MIT
#include "gpibplus/port/tcpaddress.h"

#include <charconv>

namespace gpibplus::port {

std::optional<TcpAddress> tcpAddressOf(const std::string &place) {
    std::string host = place;
    std::string port = std::to_string(kDefaultTcpPort);
    const std::size_t colon = place.rfind(':');
    const bool bracketed = place.starts_with('[');
    if (colon != std::string::npos && (!bracketed || place[colon - 1] == ']')) {
        host = place.substr(0, colon);
        port = place.substr(colon + 1);
        int number = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
        if (error != std::errc() || end != port.data() + port.size() || number < 1 ||
            number > 65535)
            return std::nullopt;
    }
    if (bracketed) {
        if (!host.ends_with(']'))
            return std::nullopt;
        host = host.substr(1, host.size() - 2);
    }
    if (host.empty())
        return std::nullopt;
    return TcpAddress{host, port};
}

} // namespace gpibplus::port
