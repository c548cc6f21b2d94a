// SPDX-License-Identifier: MIT
#include "gpibplus/port/tcpport.h"

#include "gpibplus/port/tcpaddress.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>

#include <winsock2.h>
#include <ws2tcpip.h>

namespace gpibplus::port {

namespace {

using std::chrono::microseconds;

// Longer waits are made of several of these, so that no timeval overflows.
constexpr microseconds kLongestWait = std::chrono::minutes(1);

// Winsock is started on the first connection, once for the process, and left running: a
// library may neither start nor stop it while Windows loads or unloads it (DllMain).
int startWinsock() {
    static const int error = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return error;
}

// A connection the other end reset or ended is closed, as the end of a POSIX socket's stream is.
Transfer::Status statusOf(int error) {
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENETRESET ||
                   error == WSAESHUTDOWN
               ? Transfer::Status::Closed
               : Transfer::Status::Failed;
}

// Waits until the socket can be read, or written to, until the deadline: true when it can. A
// connection that failed meanwhile counts as ready: the next call on the socket says how.
bool await(SOCKET socket, bool writing, Deadline deadline, Transfer &transfer) {
    for (;;) {
        const auto left = std::chrono::ceil<microseconds>(deadline - Clock::now());
        const auto wait = std::clamp(left, microseconds(0), kLongestWait).count();
        timeval timeout{static_cast<long>(wait / 1'000'000), static_cast<long>(wait % 1'000'000)};
        fd_set ready;
        fd_set failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket, &ready);
        FD_SET(socket, &failed);
        const int count =
            select(0, writing ? nullptr : &ready, writing ? &ready : nullptr, &failed, &timeout);
        if (count > 0)
            return true;
        if (count < 0) {
            const int error = WSAGetLastError();
            transfer = {statusOf(error), transfer.count, error};
            return false;
        }
        if (Clock::now() >= deadline) {
            transfer.status = Transfer::Status::TimedOut;
            return false;
        }
    }
}

// A connected, non-blocking socket, closed when it goes.
class SocketPort final : public Port {
public:
    SocketPort(SOCKET socket, std::string name) : socket_(socket), name_(std::move(name)) {}
    ~SocketPort() override { closesocket(socket_); }
    SocketPort(const SocketPort &) = delete;
    SocketPort &operator=(const SocketPort &) = delete;

    Transfer write(std::string_view bytes, Deadline deadline) override {
        Transfer transfer;
        while (transfer.count < bytes.size()) {
            const int size =
                static_cast<int>(std::min<std::size_t>(bytes.size() - transfer.count, INT_MAX));
            const int sent = send(socket_, bytes.data() + transfer.count, size, 0);
            if (sent != SOCKET_ERROR) {
                transfer.count += static_cast<std::size_t>(sent);
                continue;
            }
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                return {statusOf(error), transfer.count, error};
            if (!await(socket_, true, deadline, transfer))
                return transfer;
        }
        return transfer;
    }

    Transfer read(std::span<char> buffer, Deadline deadline) override {
        Transfer transfer;
        for (;;) {
            const int size = static_cast<int>(std::min<std::size_t>(buffer.size(), INT_MAX));
            const int got = recv(socket_, buffer.data(), size, 0);
            if (got > 0)
                return {Transfer::Status::Done, static_cast<std::size_t>(got), 0};
            if (got == 0)
                return {Transfer::Status::Closed, 0, 0};
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                return {statusOf(error), 0, error};
            if (!await(socket_, false, deadline, transfer))
                return transfer;
        }
    }

    const std::string &name() const override { return name_; }

private:
    SOCKET socket_;
    std::string name_;
};

// The error of a non-blocking connect, waited for until the deadline; 0 once connected.
int connectionError(SOCKET socket, const addrinfo &address, Deadline deadline) {
    u_long nonBlocking = 1;
    if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0)
        return WSAGetLastError();
    if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0)
        return 0;
    if (const int error = WSAGetLastError(); error != WSAEWOULDBLOCK)
        return error;
    Transfer waited;
    if (!await(socket, true, deadline, waited))
        return waited.status == Transfer::Status::TimedOut ? WSAETIMEDOUT : waited.errnum;
    int error = 0;
    int size = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size);
    return error;
}

// One attempt, on a socket that is not handed down to programs this one starts.
std::optional<SOCKET> connectOne(const addrinfo &address, Deadline deadline, int &error) {
    const SOCKET socket = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (socket == INVALID_SOCKET) {
        error = WSAGetLastError();
        return std::nullopt;
    }
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
    error = connectionError(socket, address, deadline);
    if (error != 0) {
        closesocket(socket);
        return std::nullopt;
    }
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&on), sizeof on);
    return socket;
}

} // namespace

Opened connectTcp(const std::string &place, Deadline deadline) {
    const std::optional<TcpAddress> parts = tcpAddressOf(place);
    if (!parts)
        return failedWith(WSAEINVAL, "not a TCP address host:port");
    if (const int error = startWinsock(); error != 0)
        return failedWith(error, "cannot start Windows' sockets");
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int error = getaddrinfo(parts->host.c_str(), parts->port.c_str(), &hints, &found);
        error != 0)
        return failedWith(error, "cannot resolve '" + parts->host + "'");
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    int error = 0;
    for (const addrinfo *address = found; address != nullptr; address = address->ai_next)
        if (const std::optional<SOCKET> socket = connectOne(*address, deadline, error))
            return {std::make_unique<SocketPort>(*socket, place), 0, {}};
    return failedWith(error, "cannot connect");
}

} // namespace gpibplus::port
