// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/tcplistener.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace gpibsim::adaptertool {

namespace {

std::string addressText(const sockaddr_storage &address) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (address.ss_family == AF_INET6) {
        const auto &v6 = reinterpret_cast<const sockaddr_in6 &>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text.data(), text.size());
        return "[" + std::string(text.data()) + "]:" + std::to_string(ntohs(v6.sin6_port));
    }
    const auto &v4 = reinterpret_cast<const sockaddr_in &>(address);
    inet_ntop(AF_INET, &v4.sin_addr, text.data(), text.size());
    return std::string(text.data()) + ":" + std::to_string(ntohs(v4.sin_port));
}

} // namespace

TcpListener::TcpListener(const TcpEndpoint &endpoint) {
    const std::string asked = endpoint.address + ":" + std::to_string(endpoint.port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
    addrinfo *found = nullptr;
    const int lookup = getaddrinfo(endpoint.address.c_str(), std::to_string(endpoint.port).c_str(),
                                   &hints, &found);
    if (lookup != 0)
        throw std::runtime_error("cannot listen on " + asked + ": " + gai_strerror(lookup));
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    fd_.reset(socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    // A port this tool left a moment ago is free again; one somebody listens on is not.
    const int on = 1;
    if (!fd_.isOpen() || setsockopt(fd_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        bind(fd_.get(), found->ai_addr, found->ai_addrlen) != 0 ||
        listen(fd_.get(), SOMAXCONN) != 0)
        throw std::runtime_error("cannot listen on " + asked + ": " + std::strerror(errno));
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(fd_.get(), reinterpret_cast<sockaddr *>(&bound), &size);
    where_ = addressText(bound);
}

FileDescriptor TcpListener::accept() {
    FileDescriptor client(accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    const int on = 1;
    // Replies are short and awaited: each goes out at once.
    if (client.isOpen())
        setsockopt(client.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return client;
}

} // namespace gpibsim::adaptertool
