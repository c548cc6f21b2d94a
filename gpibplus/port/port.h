// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace gpibplus::port {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// How a transfer on the port went. Closed: the other end went away (a pulled USB adapter, a
// closed connection); Failed: an error with its errno.
struct Transfer {
    enum class Status { Done, TimedOut, Closed, Failed };
    Status status = Status::Done;
    std::size_t count = 0; // bytes moved, also when it did not go well
    int errnum = 0;
};

// The byte stream to a "++" adapter: a serial port or a TCP connection. It knows nothing of the
// adapter's commands. A port is used by one thread at a time.
class Port {
public:
    virtual ~Port() = default;
    // Writes all of `bytes`, or as many as go before the deadline.
    virtual Transfer write(std::string_view bytes, Deadline deadline) = 0;
    // Reads what has arrived into `buffer`, waiting until the deadline for at least one byte.
    virtual Transfer read(std::span<char> buffer, Deadline deadline) = 0;
    // The port as the user named it.
    virtual const std::string &name() const = 0;
};

} // namespace gpibplus::port
