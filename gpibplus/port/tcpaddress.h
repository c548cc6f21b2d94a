// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace gpibplus::port {

// The Prologix GPIB-ETHERNET's port; AR488's network add-on listens on 8488.
constexpr int kDefaultTcpPort = 1234;

// Where a TCP adapter is: a host name or address, and a port number 1-65535, both as text for
// getaddrinfo.
struct TcpAddress {
    std::string host;
    std::string port;
};

// "host:port", "host" (port 1234), "[v6 address]:port", "[v6 address]"; nullopt when the text
// is none of them.
std::optional<TcpAddress> tcpAddressOf(const std::string &place);

} // namespace gpibplus::port
