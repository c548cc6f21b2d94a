// SPDX-License-Identifier: MIT
#include "gpibplus/port/descriptorport.h"

#include <algorithm>
#include <cerrno>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace gpibplus::port {

DescriptorPort::DescriptorPort(int fd, std::string name, Kind kind)
    : fd_(fd), name_(std::move(name)), kind_(kind) {}

DescriptorPort::~DescriptorPort() {
    if (kind_ == Kind::ExclusiveTerminal)
        ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
}

bool DescriptorPort::await(short events, Deadline deadline, Transfer &transfer) const {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watched{fd_, events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::max<long>(left.count(), 0)));
        if (ready > 0)
            return true;
        if (ready == 0) {
            transfer.status = Transfer::Status::TimedOut;
            return false;
        }
        if (errno != EINTR) {
            transfer = {Transfer::Status::Failed, transfer.count, errno};
            return false;
        }
    }
}

// A socket whose other end has gone answers EPIPE rather than raising SIGPIPE, which would end
// the program.
Transfer DescriptorPort::write(std::string_view bytes, Deadline deadline) {
    Transfer transfer;
    while (transfer.count < bytes.size()) {
        const char *rest = bytes.data() + transfer.count;
        const std::size_t left = bytes.size() - transfer.count;
        const ssize_t written = kind_ == Kind::Socket ? ::send(fd_, rest, left, MSG_NOSIGNAL)
                                                      : ::write(fd_, rest, left);
        if (written >= 0)
            transfer.count += static_cast<std::size_t>(written);
        else if (errno == EPIPE || errno == EIO || errno == ECONNRESET)
            return {Transfer::Status::Closed, transfer.count, errno};
        else if (errno != EAGAIN && errno != EINTR)
            return {Transfer::Status::Failed, transfer.count, errno};
        else if (!await(POLLOUT, deadline, transfer))
            return transfer;
    }
    return transfer;
}

Transfer DescriptorPort::read(std::span<char> buffer, Deadline deadline) {
    Transfer transfer;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
        if (got > 0)
            return {Transfer::Status::Done, static_cast<std::size_t>(got), 0};
        // The end of the file: a closed connection, a hung-up serial port.
        if (got == 0 || errno == EIO || errno == ECONNRESET)
            return {Transfer::Status::Closed, 0, got == 0 ? 0 : errno};
        if (errno != EAGAIN && errno != EINTR)
            return {Transfer::Status::Failed, 0, errno};
        if (!await(POLLIN, deadline, transfer))
            return transfer;
    }
}

} // namespace gpibplus::port
