// SPDX-License-Identifier: MIT
#include "gpibplus/port/tcpport.h"

#include "gpibplus/port/descriptorport.h"
#include "gpibplus/port/tcpaddress.h"

#include <cerrno>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gpibplus::port {

namespace {

// One attempt: a non-blocking connect, waited for until the deadline.
int connectOne(const addrinfo &address, Deadline deadline) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0)
        return -1;
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    int error = 0;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched{fd, POLLOUT, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready < 0 && errno == EINTR)
            continue;
        socklen_t size = sizeof error;
        if (ready == 0)
            error = ETIMEDOUT;
        else if (ready < 0)
            error = errno;
        else
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        break;
    }
    if (error != 0) {
        ::close(fd);
        errno = error;
        return -1;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

} // namespace

Opened connectTcp(const std::string &place, Deadline deadline) {
    const std::optional<TcpAddress> parts = tcpAddressOf(place);
    if (!parts)
        return failedWith(EINVAL, "not a TCP address host:port");
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int error = ::getaddrinfo(parts->host.c_str(), parts->port.c_str(), &hints, &found);
        error != 0)
        return {nullptr, error == EAI_SYSTEM ? errno : 0,
                "cannot resolve '" + parts->host + "': " + ::gai_strerror(error)};
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    int error = 0;
    for (const addrinfo *address = found; address != nullptr; address = address->ai_next) {
        const int fd = connectOne(*address, deadline);
        if (fd >= 0)
            return {
                std::make_unique<DescriptorPort>(fd, place, DescriptorPort::Kind::Socket), 0, {}};
        error = errno;
    }
    return failedWith(error, "cannot connect");
}

} // namespace gpibplus::port
